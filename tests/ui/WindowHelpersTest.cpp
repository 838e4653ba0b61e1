#include "common/EventualAssert.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"
#include "ui/LayoutHelper.h"
#include "ui/MyDialog.h"
#include "ui/Placement.h"
#include "ui/UIEffects.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A dialog with one control per corner case of the re-layout shares.
class LayoutDialog : public CMyDialog {
public:
    LayoutDialog()
    {
        grower = new QLabel(QStringLiteral("grows"), this);
        corner = new QPushButton(QStringLiteral("corner"), this);
        half = new QLabel(QStringLiteral("half"), this);
        grower->setGeometry(10, 10, 100, 50);
        corner->setGeometry(200, 150, 80, 30);
        half->setGeometry(20, 100, 40, 20);
        resize(300, 200);
        SetUpDialog();
        Layout()->Enable(true);
        Layout()->AddItem(grower, 0, 0, 100, 100);
        Layout()->AddItem(corner, 100, 100, 0, 0);
        Layout()->AddItem(half, 50, 0, 0, 0);
    }
    QLabel* grower;
    QPushButton* corner;
    QLabel* half;
};

} // namespace

TEST(LayoutHelper, SharesOfTheSizeChange)
{
    LayoutDialog dialog;
    dialog.show();
    dialog.resize(400, 260);
    EXPECT_EQ(dialog.grower->geometry(), QRect(10, 10, 200, 110));
    EXPECT_EQ(dialog.corner->geometry(), QRect(300, 210, 80, 30));
    EXPECT_EQ(dialog.half->geometry().topLeft(), QPoint(70, 100));
}

TEST(LayoutHelper, RemaindersCarryOverManyOnePixelSteps)
{
    LayoutDialog dialog;
    dialog.show();
    for (int i = 0; i < 100; ++i)
        dialog.resize(dialog.width() + 1, dialog.height());
    EXPECT_EQ(dialog.half->x(), 20 + 50);
    // And back again: the carried remainders bring it home exactly.
    for (int i = 0; i < 100; ++i)
        dialog.resize(dialog.width() - 1, dialog.height());
    EXPECT_EQ(dialog.half->x(), 20);
}

TEST(LayoutHelper, ArithmeticAndRefusedItems)
{
    int carry = 0;
    EXPECT_EQ(CLayoutHelper::Share(50, 1, carry), 0);
    EXPECT_EQ(carry, 50);
    EXPECT_EQ(CLayoutHelper::Share(50, 1, carry), 1);
    EXPECT_EQ(carry, 0);
    EXPECT_EQ(CLayoutHelper::Share(33, -3, carry), 0);
    EXPECT_EQ(CLayoutHelper::Share(33, -3, carry), -1);

    // Widths and heights stop at 0.
    CLayoutHelper::Item item;
    item.width = 100;
    item.height = 100;
    EXPECT_EQ(CLayoutHelper::Apply(item, QRect(0, 0, 10, 10), -50, -50), QRect(0, 0, 0, 0));

    QWidget window;
    CLayoutHelper helper(&window, true);
    QLabel label(&window);
    EXPECT_FALSE(helper.AddItem(&label, 60, 0, 50, 0));
    EXPECT_FALSE(helper.AddItem(&label, 0, -1, 0, 0));
    EXPECT_FALSE(helper.AddItem(&label, 0, 0, 0, 101));
    EXPECT_TRUE(helper.AddItem(&label, 50, 0, 50, 100));
}

TEST(LayoutHelper, NeverSmallerThanTheInitialSize)
{
    LayoutDialog dialog;
    dialog.show();
    dialog.resize(100, 50);
    EXPECT_EQ(dialog.size(), QSize(300, 200));
    EXPECT_NE(dialog.findChild<QWidget*>(QStringLiteral("sizeGrip")), nullptr);
}

TEST(LayoutHelper, DisabledKeepsTheSize)
{
    QWidget window;
    window.resize(200, 100);
    CLayoutHelper helper(&window, false);
    window.resize(400, 300);
    EXPECT_EQ(window.size(), QSize(200, 100));
}

TEST(Placement, SavesAndRestoresUnderItsKey)
{
    QWidget window;
    window.resize(321, 234);
    window.move(40, 50);
    CPlacement::Save(&window, true, true, "Init");
    {
        CMyRegistry registry;
        ASSERT_EQ(registry.OpenKey("Software\\Zellik Software\\Korvane\\Init"), RegSuccess);
        EXPECT_EQ(registry.ReadNumber("HorizSize", 0), 321u);
        EXPECT_EQ(registry.ReadNumber("VertSize", 0), 234u);
        EXPECT_EQ(registry.ReadNumber("HorizPos", 0), 40u);
    }
    QWidget other;
    other.resize(100, 100);
    CPlacement::Restore(&other, true, true, "Init");
    EXPECT_EQ(other.size(), QSize(321, 234));
    EXPECT_EQ(other.pos(), QPoint(40, 50));
}

TEST(Placement, ZeroValuesLeaveTheWindowAlone)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Settings\\Placement Test");
        registry.WriteNumber("HorizPos", 0);
        registry.WriteNumber("VertPos", 90);
        registry.WriteNumber("HorizSize", 500);
        registry.WriteNumber("VertSize", 0);
    }
    QWidget window;
    window.resize(100, 80);
    window.move(7, 8);
    CPlacement::Restore(&window, true, true, "Settings\\Placement Test");
    EXPECT_EQ(window.size(), QSize(100, 80));
    EXPECT_EQ(window.pos(), QPoint(7, 8));
}

TEST(Placement, NothingIsSavedWhileMinimised)
{
    QWidget window;
    window.resize(150, 150);
    window.showMinimized();
    CPlacement::Save(&window, true, true, "Settings\\Minimised Test");
    CMyRegistry registry;
    EXPECT_EQ(registry.OpenKey("Settings\\Minimised Test"), RegNotFound);
}

TEST(UIEffects, FadingStepsAndTheSwitch)
{
    EXPECT_EQ(CUIEffects::NextAlpha(255, 128, 128, 255), 242);
    EXPECT_EQ(CUIEffects::NextAlpha(242, 128, 128, 255), 229);
    EXPECT_EQ(CUIEffects::NextAlpha(130, 128, 128, 255), 128);
    EXPECT_EQ(CUIEffects::NextAlpha(128, 255, 128, 255), 141);
    EXPECT_EQ(CUIEffects::NextAlpha(250, 255, 128, 255), 255);

    // The offscreen platform cannot make a window translucent.
    CUIEffects::SetEnabled(true);
    EXPECT_FALSE(CUIEffects::Enabled());
    QWidget window;
    EXPECT_EQ(CUIEffects::Prepare(&window), nullptr);

    CUIEffects::ForcePlatformSupport(1);
    CUIEffects::SetEnabled(false);
    EXPECT_EQ(CUIEffects::Prepare(&window), nullptr);
    CUIEffects::ForcePlatformSupport(-1);
}

TEST(UIEffects, DraggingFadesOutAndBackIn)
{
    CUIEffects::ForcePlatformSupport(1);
    CUIEffects::SetEnabled(true);
    QWidget window;
    window.resize(100, 100);
    window.show();
    CUIEffects* effects = CUIEffects::Prepare(&window);
    ASSERT_NE(effects, nullptr);
    EXPECT_EQ(effects->Alpha(), 255);
    window.move(window.pos() + QPoint(30, 30));
    ASSERT_EVENTUALLY_EQ(effects->Alpha(), 128);
    // The moves have stopped: the window comes back to full opacity.
    ASSERT_EVENTUALLY_EQ(effects->Alpha(), 255);
    EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);

    CUIEffects::SetLayered(&window, false);
    EXPECT_EQ(CUIEffects::Of(&window), nullptr);
    CUIEffects::SetEnabled(false);
    CUIEffects::ForcePlatformSupport(-1);
}

TEST(MyDialog, ScaleFactorsAndDesignGrid)
{
    CMyDialog dialog;
    dialog.SizeToDesign(685, 517);
    dialog.SetReferenceSize(685, 517);
    EXPECT_GE(dialog.width(), 685);
    EXPECT_DOUBLE_EQ(dialog.ScaleX(), dialog.width() / 685.0);
    // A bigger font gives bigger controls, never smaller ones.
    QFont big = dialog.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    EXPECT_GT(CMyDialog::FontScaleX(big), CMyDialog::FontScaleX(dialog.font()));
    EXPECT_GE(CMyDialog::FontScaleY(QFont()), 1.0);
}

TEST(MyDialog, EscapeInAMultiLineTextKeepsTheDialogOpen)
{
    CMyDialog dialog;
    auto* text = new QPlainTextEdit(&dialog);
    dialog.resize(200, 200);
    dialog.show();
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.setFocus();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

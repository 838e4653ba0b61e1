#include "web/LinkLabel.h"

#include "ui/MessageBoxes.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class LinkLabelTest : public ::testing::Test {
protected:
    LinkLabelTest()
    {
        CLinkLabel::SetColours(QColor(0, 0, 255), QColor(255, 0, 0), QColor(128, 0, 128), QColor(0, 128, 0));
        window.resize(400, 100);
    }

    CLinkLabel* NewLink(const QString& text)
    {
        auto* link = new CLinkLabel(text, &window);
        link->setGeometry(10, 10, 300, 20);
        link->SetOpener([this](const QString& target) {
            opened.push_back(target);
            return opens;
        });
        return link;
    }

    QWidget window;
    QStringList opened;
    bool opens = true;
};

TEST_F(LinkLabelTest, TheTargetDefaultsToTheTextAndShowsAsTooltip)
{
    CLinkLabel* link = NewLink(QStringLiteral("https://127.0.0.1/korvane/"));
    EXPECT_EQ(link->Target(), QStringLiteral("https://127.0.0.1/korvane/"));
    EXPECT_EQ(link->toolTip(), link->Target());
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);

    auto* named = new CLinkLabel(QString(), &window);
    named->SetTarget(QStringLiteral("https://127.0.0.1/"));
    EXPECT_EQ(named->text(), QStringLiteral("https://127.0.0.1/"));
}

TEST_F(LinkLabelTest, TheControlTakesTheWidthOfItsText)
{
    CLinkLabel* link = NewLink(QStringLiteral("Home page"));
    window.show();
    const int textWidth = link->fontMetrics().size(Qt::TextSingleLine, link->text()).width();
    EXPECT_EQ(link->width(), textWidth + 5);
    EXPECT_EQ(link->x(), 10);

    CLinkLabel* right = NewLink(QStringLiteral("Right"));
    right->setAlignment(Qt::AlignRight);
    right->setGeometry(10, 40, 300, 20);
    right->show();
    EXPECT_EQ(right->geometry().right(), 309);
}

TEST_F(LinkLabelTest, AClickOpensTheTargetAndMarksTheLinkVisited)
{
    CLinkLabel* link = NewLink(QStringLiteral("https://127.0.0.1/"));
    window.show();
    EXPECT_EQ(link->CurrentColour(), QColor(0, 0, 255));
    QTest::mousePress(link, Qt::LeftButton);
    EXPECT_EQ(link->CurrentColour(), QColor(255, 0, 0));
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseRelease(link, Qt::LeftButton);
    EXPECT_EQ(opened, QStringList { QStringLiteral("https://127.0.0.1/") });
    EXPECT_TRUE(link->Visited());
    EXPECT_EQ(link->CurrentColour(), QColor(128, 0, 128));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    EXPECT_EQ(window.focusWidget(), link);
}

TEST_F(LinkLabelTest, TheKeyboardOpensAFocusedLink)
{
    CLinkLabel* link = NewLink(QStringLiteral("https://127.0.0.1/"));
    window.show();
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(LinkLabelTest, StyleFlagsChangeWhenItOpensAndHowItLooks)
{
    CLinkLabel* link = NewLink(QStringLiteral("https://127.0.0.1/"));
    link->SetStyle(CLinkLabel::OpenOnPress | CLinkLabel::KeepArrowCursor | CLinkLabel::NoActiveColour
        | CLinkLabel::UseHoverColour);
    window.show();
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(link, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 1);
    // Visited, and never drawn in the active colour.
    EXPECT_EQ(link->CurrentColour(), QColor(128, 0, 128));
    QTest::mouseRelease(link, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 1);

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(link->CurrentColour(), QColor(0, 128, 0));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(link->CurrentColour(), QColor(128, 0, 128));
}

TEST_F(LinkLabelTest, ALinkNothingCanOpenSaysSo)
{
    opens = false;
    CLinkLabel* link = NewLink(QStringLiteral("https://127.0.0.1/"));
    window.show();
    BoxAnswers boxes({ QMessageBox::Ok });
    EXPECT_FALSE(link->Open());
    ASSERT_EQ(boxes.texts.size(), 1U);
    EXPECT_EQ(
        boxes.texts[0], "Can't open link:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(boxes.icons[0], QMessageBox::Warning);
    EXPECT_FALSE(link->Visited());
}

} // namespace

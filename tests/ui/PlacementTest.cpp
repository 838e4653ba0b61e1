#include "ui/Placement.h"

#include "core/WindowState.h"
#include "platform/MyRegistry.h"
#include "ui/LayoutHelper.h"
#include "ui/MyDialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QRect Area()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QString SettingsFileText()
{
    QFile file(QString::fromStdString(CMyRegistry::FilePath()));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A settings file as an older version left it, written byte for byte.
void WriteSettingsFile(const char* text)
{
    CMyRegistry registry;
    registry.CreateKey("Info");
    registry.WriteString("Probe", "");
    registry.CloseKey();
    QFile file(QString::fromStdString(CMyRegistry::FilePath()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// A resizable dialog whose design is far larger than any test screen, with
// a button kept in the bottom-right corner by the layout.
class LargeDialog : public CMyDialog {
public:
    LargeDialog()
    {
        corner = new QPushButton(QStringLiteral("Execute"), this);
        resize(2400, 1600);
        corner->setGeometry(2300, 1560, 90, 30);
        SetUpDialog();
        Layout()->Enable(true);
        Layout()->SetMinTrackSize(QSize(0, 0));
        Layout()->AddItem(corner, 100, 100, 0, 0);
    }
    QPushButton* corner;
};

} // namespace

// Two monitors, the second left of and above the primary one.
const QList<QRect> kTwoScreens { QRect(0, 0, 1600, 1000), QRect(-1280, -24, 1280, 1024) };

TEST(Placement, NegativePositionsAreStoredSignedAndComeBack)
{
    QWidget window;
    window.resize(300, 200);
    window.move(-1000, -10);
    CPlacement::Save(&window, true, true, "Settings\\Negative Test");

    const QString text = SettingsFileText();
    EXPECT_TRUE(text.contains(QStringLiteral("HorizPos=-1000"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("VertPos=-10"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("4294967"))) << text.toStdString();

    const WindowPlacement saved = CWindowState().Placement("Settings\\Negative Test");
    const QRect frame(saved.HorizPos, saved.VertPos, saved.HorizSize, saved.VertSize);
    EXPECT_EQ(frame, QRect(-1000, -10, 300, 200));
    // On the monitor it was saved on, the window goes back where it was.
    EXPECT_EQ(CPlacement::Fitted(frame, kTwoScreens), frame);
}

TEST(Placement, OldUnsignedValuesReadAsNegative)
{
    // -440 and -1 as earlier versions wrote them.
    WriteSettingsFile("[Init]\nHorizPos=4294966856\nVertPos=4294967295\nHorizSize=400\nVertSize=300\n"
                      "[Settings]\nView%20Folders\\HorizPos=4294967295\n");
    const WindowPlacement placement = CWindowState().Placement("Init");
    EXPECT_EQ(placement.HorizPos, -440);
    EXPECT_EQ(placement.VertPos, -1);
    EXPECT_EQ(placement.HorizSize, 400);
    EXPECT_EQ(CWindowState().Placement("Settings\\View Folders").HorizPos, -1);
    EXPECT_EQ(CPlacement::Fitted(QRect(-440, -1, 400, 300), kTwoScreens), QRect(-440, -1, 400, 300));

    // Saved again, the values are written as the numbers they are.
    QWidget window;
    window.resize(400, 300);
    window.move(-440, -1);
    CPlacement::Save(&window, true, true, "Init");
    const QString text = SettingsFileText();
    EXPECT_TRUE(text.contains(QStringLiteral("HorizPos=-440"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("VertPos=-1"))) << text.toStdString();
}

TEST(Placement, OffScreenWindowsArePulledBack)
{
    // A monitor unplugged, or the title bar above the top edge.
    EXPECT_EQ(CPlacement::Fitted(QRect(-1000, 100, 400, 300), { kTwoScreens[0] }), QRect(0, 100, 400, 300));
    EXPECT_EQ(CPlacement::Fitted(QRect(300, -30, 400, 300), kTwoScreens), QRect(300, 0, 400, 300));
    EXPECT_EQ(CPlacement::Fitted(QRect(5000, 5000, 400, 300), kTwoScreens), QRect(1200, 700, 400, 300));
    EXPECT_EQ(CPlacement::NearestArea(QRect(-3000, 0, 10, 10), kTwoScreens), kTwoScreens[1]);

    // The real window, restored from the file onto the one test screen.
    for (const QPoint saved : { QPoint(90000, 90000), QPoint(-5000, 40), QPoint(30, -3000) }) {
        CWindowState().SetPlacement("Settings\\Lost Test", { saved.x(), saved.y(), 320, 240 }, true, true);
        QWidget window;
        CPlacement::Restore(&window, true, true, "Settings\\Lost Test");
        const QRect frame = window.frameGeometry();
        EXPECT_TRUE(Area().contains(frame)) << saved.x() << "," << saved.y();
        EXPECT_EQ(frame.size(), QSize(320, 240));
    }
}

TEST(Placement, ClampedKeepsTheFrameInsideTheArea)
{
    const QRect area(0, 30, 800, 500);
    EXPECT_EQ(CPlacement::Clamped(QRect(100, 100, 200, 100), area), QRect(100, 100, 200, 100));
    EXPECT_EQ(CPlacement::Clamped(QRect(700, 480, 200, 100), area), QRect(600, 430, 200, 100));
    EXPECT_EQ(CPlacement::Clamped(QRect(-50, 0, 200, 100), area), QRect(0, 30, 200, 100));
    // Twice the design size at scale 2: larger than the area every way.
    EXPECT_EQ(CPlacement::Clamped(QRect(10, 10, 1690, 1100), area), area);
}

TEST(Placement, WindowsLargerThanTheScreenAreFittedAndLaidOut)
{
    LargeDialog dialog;
    ASSERT_EQ(dialog.minimumSize(), QSize(2400, 1600));
    dialog.show();
    const QRect area = Area();
    EXPECT_TRUE(area.contains(dialog.frameGeometry())) << dialog.width() << "x" << dialog.height();
    EXPECT_LE(dialog.minimumWidth(), area.width());
    EXPECT_LE(dialog.minimumHeight(), area.height());
    // The layout followed the window down: the corner button is still whole
    // inside it, at the same distance from the corner.
    EXPECT_TRUE(dialog.rect().contains(dialog.corner->geometry()));
    EXPECT_EQ(dialog.width() - dialog.corner->geometry().right(), 2400 - 2389);
    EXPECT_EQ(dialog.height() - dialog.corner->geometry().bottom(), 1600 - 1589);
}

TEST(Placement, FixedSizeWindowsStayFixedWhenLowered)
{
    QWidget window;
    window.setFixedSize(3000, 200);
    CPlacement::FitToScreen(&window);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.width(), Area().width());
    EXPECT_EQ(window.height(), 200);
}

TEST(WindowState, HistoriesAndLastSessionKeepTheirKeys)
{
    CWindowState state;
    state.SetHistory("Settings\\Scheduler", "Email", { "a@example.org", "b@example.org" });
    state.SetLastSession("/home/user/work.kvf");
    EXPECT_EQ(
        state.History("Settings\\Scheduler", "Email"), (std::vector<std::string> { "a@example.org", "b@example.org" }));
    EXPECT_EQ(state.LastSession(), "/home/user/work.kvf");
    const QString text = SettingsFileText();
    EXPECT_TRUE(text.contains(QStringLiteral("Email1=b@example.org"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("LastSession=/home/user/work.kvf"))) << text.toStdString();
    // A shorter list ends where its empty value says, whatever follows.
    state.SetHistory("Settings\\Scheduler", "Email", { "c@example.org" });
    EXPECT_EQ(state.History("Settings\\Scheduler", "Email"), std::vector<std::string> { "c@example.org" });
    EXPECT_TRUE(CWindowState().History("Settings\\Nothing", "Email").empty());
}

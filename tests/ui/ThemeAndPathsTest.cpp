// The windows under a dark desktop theme, and long paths in narrow places.
#include "DialogTestSupport.h"
#include "app/CommandLineRequest.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "log/ActivityLog.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/ActionRunner.h"
#include "ui/AboutDlg.h"
#include "ui/AddFolderDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/LogListModel.h"
#include "ui/MyListCtrl.h"
#include "ui/PathField.h"
#include "ui/UiContext.h"
#include "web/LinkLabel.h"
#include "web/PaletteColours.h"

#include <QApplication>
#include <QComboBox>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using P = CPaletteColours;
const QColor kDarkText(230, 230, 230);

// A dark theme set on the application for one test, its link left at the
// default dark blue as many are; the windows hear of it by posted events.
class DarkTheme {
public:
    DarkTheme()
    {
        QPalette dark(kDarkText, QColor(58, 58, 62), QColor(80, 80, 84), QColor(20, 20, 22), QColor(40, 40, 44),
            kDarkText, Qt::white, QColor(30, 30, 32), QColor(45, 45, 48));
        dark.setColor(QPalette::Link, QColor(0, 0, 255));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
    }
    ~DarkTheme()
    {
        QApplication::setPalette(m_old);
        QCoreApplication::processEvents();
    }

private:
    QPalette m_old = QApplication::palette();
};

} // namespace

// A main window on a folder with a long path and a folder that is missing,
// opened under a light theme that then turns dark.
TEST(ThemeAndPathsTest, TheMainWindowReadsUnderADarkThemeAndKeepsTheEndOfLongPaths)
{
    TempDir dir;
    const std::string longPath = dir / "archive/2026 photographs of the whole family/summer at the seaside/Holidays";
    std::filesystem::create_directories(longPath);
    CSession session;
    CSet& set = session.Sets.emplace_back();
    for (const std::string& source : { longPath, dir / "gone" })
        set.Entries.emplace_back().SourceFolder = source;
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    ScriptedPrompter prompter;
    CUiContext context { session, settings, flags, prompter, request };
    FakeClock clock;
    CKorvaneDlg w(context, { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock, false, false });
    w.show();
    const int deep = w.List()->Cell(0, 0).toStdString() == longPath ? 0 : 1;
    ASSERT_EQ(w.List()->Cell(deep, 0).toStdString(), longPath);

    DarkTheme dark;
    ASSERT_EQ(w.List()->SortColumn(), 0);
    for (const QColor cell :
        { w.List()->CellBackground(deep, 0).color(), w.List()->CellBackground(1 - deep, 1).color() })
        EXPECT_GE(P::Contrast(cell, kDarkText), P::kReadable) << cell.name().toStdString();
    EXPECT_GT(w.List()->CellBackground(1 - deep, 1).color().red(), w.List()->CellBackground(deep, 0).color().red());

    EXPECT_EQ(w.List()->textElideMode(), Qt::ElideMiddle);
    w.List()->SelectRow(deep);
    auto* source = dynamic_cast<CPathField*>(w.InformationText(0));
    ASSERT_NE(source, nullptr);
    source->resize(200, source->height());
    EXPECT_EQ(source->text().toStdString(), longPath) << "copying takes the whole path";
    EXPECT_EQ(source->toolTip().toStdString(), longPath);
    const QString shown = source->DisplayedText();
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(dir.Path()).left(4))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("Holidays")) && shown.contains(QChar(0x2026))) << shown.toStdString();
    source->resize(4000, source->height());
    EXPECT_EQ(source->DisplayedText().toStdString(), longPath);
    EXPECT_TRUE(source->toolTip().isEmpty());
}

TEST(ThemeAndPathsTest, TheLogsDatesAndTheAboutLinkReadUnderADarkTheme)
{
    DarkTheme dark;
    auto batch = std::make_shared<LogBatch>();
    batch->Text = "Backup started";
    batch->Entries.push_back({ std::uint64_t { 1'700'000'000 } << 32, 0, 14, LogUser, 0 });
    CLogListModel log;
    log.Append(batch);
    log.Finish();
    const QColor date = log.data(log.index(0, CLogListModel::Date), Qt::BackgroundRole).value<QBrush>().color();
    EXPECT_GE(P::Contrast(date, kDarkText), P::kReadable) << date.name().toStdString();

    CAboutDlg about(nullptr, QStringLiteral("https://127.0.0.1/korvane/"));
    const auto* link = about.findChild<CLinkLabel*>(QStringLiteral("homePage"));
    const QColor drawn = link->palette().color(QPalette::WindowText);
    EXPECT_GE(P::Contrast(drawn, about.palette().color(QPalette::Window)), P::kReadable) << drawn.name().toStdString();
    EXPECT_GT(drawn.blue(), drawn.red()) << "still a blue link";
}

TEST(ThemeAndPathsTest, AddAndEditFolderWidenWithTheirPathFields)
{
    RemoveSettingsKey("Settings\\Add Folder");
    CSet set;
    set.Entries.emplace_back().SourceFolder = "/home/someone/Documents";
    ScriptedPrompter prompter;
    for (bool edit : { false, true }) {
        CAddFolderDlg dialog(set, 0, edit, prompter);
        dialog.show();
        const QSize opened = dialog.size();
        const int source = Child<QComboBox>(dialog, "source")->width();
        const int backup = Child<QComboBox>(dialog, "backup")->width();
        dialog.resize(opened.width() + 300, opened.height() + 200);
        EXPECT_EQ(dialog.size(), QSize(opened.width() + 300, opened.height())) << "wider, as high";
        EXPECT_GE(Child<QComboBox>(dialog, "source")->width(), source + 280);
        EXPECT_GE(Child<QComboBox>(dialog, "backup")->width(), backup + 280);
        EXPECT_EQ(dialog.minimumSize(), opened);
    }
}

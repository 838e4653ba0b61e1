// The windows under a dark desktop theme, and long paths in narrow places.
#include "DialogTestSupport.h"
#include "app/CommandLineRequest.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "log/ActivityLog.h"
#include "platform/FileOps.h"
#include "scan/FileRecordArray.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/ActionRunner.h"
#include "ui/AboutDlg.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/AddFolderDlg.h"
#include "ui/FileListModel.h"
#include "ui/KorvaneDlg.h"
#include "ui/LogListModel.h"
#include "ui/MyListCtrl.h"
#include "ui/PathField.h"
#include "ui/SettingsHeader.h"
#include "ui/UiContext.h"
#include "web/LinkLabel.h"
#include "web/PaletteColours.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTextDocument>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using P = CPaletteColours;

// A dark theme as a desktop sets it on the application, link left at the
// default dark blue.
QPalette DarkPalette()
{
    QPalette dark(QColor(230, 230, 230), QColor(58, 58, 62), QColor(80, 80, 84), QColor(20, 20, 22), QColor(40, 40, 44),
        QColor(230, 230, 230), Qt::white, QColor(30, 30, 32), QColor(45, 45, 48));
    dark.setColor(QPalette::Link, QColor(0, 0, 255));
    dark.setColor(QPalette::Highlight, QColor(61, 122, 204));
    return dark;
}

// Sets a palette on the application for one test and puts the old one back.
class AppPalette {
public:
    explicit AppPalette(const QPalette& palette)
        : m_old(QApplication::palette())
    {
        QApplication::setPalette(palette);
        // The windows hear of it through posted events.
        QCoreApplication::processEvents();
    }
    ~AppPalette()
    {
        QApplication::setPalette(m_old);
        QCoreApplication::processEvents();
    }

private:
    QPalette m_old;
};

// A main window on one set whose entries are a folder with a long path and a
// folder that does not exist.
class MainWindowThemeTest : public ::testing::Test {
protected:
    MainWindowThemeTest()
    {
        longPath = dir / "archive/2026 photographs of the whole family/summer at the seaside/Holidays";
        std::filesystem::create_directories(longPath);
        CSet& set = session.Sets.emplace_back();
        set.Name = "Photos";
        for (const std::string& source : { longPath, dir / "gone" }) {
            CBackup& entry = set.Entries.emplace_back();
            entry.SourceFolder = source;
            entry.DestinationFolder = dir / "backup";
            entry.IncludeFiles = "*.*";
        }
    }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock,
                false, false };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    int RowOf(const std::string& path)
    {
        for (int row = 0; row < Window().List()->rowCount(); ++row) {
            if (Window().List()->Cell(row, 0).toStdString() == path)
                return row;
        }
        return -1;
    }

    TempDir dir;
    std::string longPath;
    CSession session;
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    ScriptedPrompter prompter;
    CUiContext context { session, settings, flags, prompter, request };
    FakeClock clock;
    std::unique_ptr<CKorvaneDlg> window;
};

std::shared_ptr<const LogBatch> OneRecord()
{
    auto batch = std::make_shared<LogBatch>();
    LogEntry entry;
    entry.Key = std::uint64_t { 1'700'000'000 } << 32;
    entry.Type = LogUser;
    batch->Text = "Backup started for 'Photos'";
    entry.Length = static_cast<std::uint32_t>(batch->Text.size());
    batch->Entries.push_back(entry);
    return batch;
}

ActionSummaryData SummaryWithFailures()
{
    ActionSummaryData summary;
    summary.Failures = { { "/home/someone/archive/2026/summer/a very long folder name/img_0001.jpg",
                             "Permission denied (error: 13)" },
        { "/home/someone/archive/2026/summer/img_0002.jpg", "Permission denied (error: 13)" } };
    return summary;
}

} // namespace

TEST_F(MainWindowThemeTest, NameCellsAndWarningRowsReadUnderADarkTheme)
{
    AppPalette dark(DarkPalette());
    CKorvaneDlg& w = Window();
    const QColor text = w.List()->palette().color(QPalette::Text);
    ASSERT_EQ(w.List()->SortColumn(), 0);
    const int existing = RowOf(longPath);
    const int missing = RowOf(dir / "gone");
    ASSERT_GE(existing, 0);
    ASSERT_GE(missing, 0);
    const QBrush name = w.List()->CellBackground(existing, 0);
    ASSERT_NE(name.style(), Qt::NoBrush);
    EXPECT_GE(P::Contrast(name.color(), text), P::kReadable) << name.color().name().toStdString();
    for (int column = 0; column < 2; ++column) {
        const QColor warning = w.List()->CellBackground(missing, column).color();
        EXPECT_GE(P::Contrast(warning, text), P::kReadable) << warning.name().toStdString();
        EXPECT_GT(warning.red(), warning.green());
    }
}

TEST_F(MainWindowThemeTest, AChangeOfThemeRecoloursTheListsShading)
{
    CKorvaneDlg& w = Window();
    const int missing = RowOf(dir / "gone");
    EXPECT_EQ(w.List()->CellBackground(missing, 1).color(), QColor(255, 192, 192));
    EXPECT_EQ(w.List()->CellBackground(RowOf(longPath), 0).color(), QColor(0xF7, 0xF7, 0xF7));
    AppPalette dark(DarkPalette());
    EXPECT_GE(P::Contrast(w.List()->CellBackground(missing, 1).color(), QColor(230, 230, 230)), P::kReadable);
    EXPECT_GE(P::Contrast(w.List()->CellBackground(RowOf(longPath), 0).color(), QColor(230, 230, 230)), P::kReadable);
}

TEST(DarkThemeTest, TheLogAndFileListsShadeTheirSortedColumnReadably)
{
    AppPalette dark(DarkPalette());
    const QColor text = QApplication::palette().color(QPalette::Text);
    CLogListModel log;
    log.Append(OneRecord());
    log.Finish();
    ASSERT_EQ(log.rowCount(), 1);
    const QColor date = log.data(log.index(0, CLogListModel::Date), Qt::BackgroundRole).value<QBrush>().color();
    EXPECT_GE(P::Contrast(date, text), P::kReadable) << date.name().toStdString();
    EXPECT_NE(date, QApplication::palette().color(QPalette::Base)) << "the date column stays shaded";

    TempDir dir;
    CFileRecord file;
    ASSERT_TRUE(file.SetFromPath(dir.Write("a.txt", "a")));
    CFileRecordArray records;
    records.push_back(file);
    CFileListModel files;
    files.SetRecords(records);
    const QColor sorted = files.data(files.index(0, files.SortColumn()), Qt::BackgroundRole).value<QBrush>().color();
    EXPECT_GE(P::Contrast(sorted, text), P::kReadable) << sorted.name().toStdString();
}

TEST(DarkThemeTest, TheAboutLinkReadsOnTheWindow)
{
    AppPalette dark(DarkPalette());
    CAboutDlg about(nullptr, QStringLiteral("https://127.0.0.1/korvane/"));
    auto* link = about.findChild<CLinkLabel*>(QStringLiteral("homePage"));
    ASSERT_NE(link, nullptr);
    const QColor window = about.palette().color(QPalette::Window);
    EXPECT_GE(P::Contrast(link->palette().color(QPalette::WindowText), window), P::kReadable);
    EXPECT_GE(P::Contrast(link->CurrentColour(), window), P::kReadable);
}

TEST(PathFieldTest, ANarrowFieldLeavesOutTheMiddleAndKeepsTheFoldersName)
{
    const QString path = QStringLiteral("/home/someone/archive/2026 photographs of the whole family/Holidays");
    CPathField field;
    field.resize(160, field.sizeHint().height());
    field.setText(path);
    field.show();
    const QString shown = field.DisplayedText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("Holidays"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(field.text(), path) << "copying takes the whole path";
    EXPECT_EQ(field.toolTip(), path);

    field.resize(2000, field.height());
    EXPECT_EQ(field.DisplayedText(), path);
    EXPECT_TRUE(field.toolTip().isEmpty());
    field.setText(QStringLiteral("/a"));
    EXPECT_TRUE(field.toolTip().isEmpty());
}

TEST_F(MainWindowThemeTest, LongPathsKeepTheirEndInTheListAndInformation)
{
    CKorvaneDlg& w = Window();
    EXPECT_EQ(w.List()->textElideMode(), Qt::ElideMiddle);
    const int row = RowOf(longPath);
    ASSERT_GE(row, 0);
    QTextDocument tip;
    tip.setHtml(w.List()->item(row, 0)->toolTip());
    EXPECT_EQ(tip.toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).toStdString(), longPath);

    w.List()->SelectRow(row);
    auto* source = dynamic_cast<CPathField*>(w.InformationText(0));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->text().toStdString(), longPath);
    source->resize(200, source->height());
    EXPECT_TRUE(source->DisplayedText().endsWith(QStringLiteral("Holidays"))) << source->DisplayedText().toStdString();
    EXPECT_EQ(source->toolTip().toStdString(), longPath);
}

TEST(LongPathDialogTest, AddFolderWidensWithItsPathFieldsButKeepsItsHeight)
{
    RemoveSettingsKey("Settings\\Add Folder");
    CSet set;
    ScriptedPrompter prompter;
    for (bool edit : { false, true }) {
        if (edit)
            set.Entries.emplace_back().SourceFolder = "/home/someone/Documents";
        CAddFolderDlg dialog(set, 0, edit, prompter);
        dialog.show();
        const QSize opened = dialog.size();
        auto* source = Child<QComboBox>(dialog, "source");
        auto* backup = Child<QComboBox>(dialog, "backup");
        const int sourceWidth = source->width();
        const int backupWidth = backup->width();
        EXPECT_GT(dialog.maximumWidth(), opened.width() + 300);
        EXPECT_EQ(dialog.minimumSize(), opened);

        dialog.resize(opened.width() + 300, opened.height() + 200);
        EXPECT_EQ(dialog.width(), opened.width() + 300);
        EXPECT_EQ(dialog.height(), opened.height());
        EXPECT_GE(source->width(), sourceWidth + 280);
        EXPECT_GE(backup->width(), backupWidth + 280);
    }
}

TEST(LongPathDialogTest, TheFailedPathsOfASummaryGrowWithTheWindow)
{
    CActionSummaryDlg dialog(SummaryWithFailures(), false);
    dialog.show();
    QTreeWidget* list = dialog.FailureList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
    const QSize opened = dialog.size();
    const QSize listSize = list->size();
    dialog.resize(opened + QSize(200, 100));
    EXPECT_EQ(list->size(), listSize + QSize(200, 100));
    EXPECT_EQ(dialog.minimumSize(), opened);
}

TEST(DarkThemeTest, TheSettingsHeaderEndsInTheThemesEdgesNotInAWhiteLine)
{
    AppPalette dark(DarkPalette());
    CSettingsHeader header;
    header.SetTexts(QStringLiteral("General"), QStringLiteral("General settings"));
    header.resize(300, header.sizeHint().height());
    const QImage picture = header.grab().toImage();
    const int bottom = picture.height() - 1;
    EXPECT_EQ(picture.pixelColor(10, bottom), QColor(80, 80, 84)) << "the theme's light edge";
    EXPECT_EQ(
        picture.pixelColor(10, bottom - 1), CPaletteColours::Blend(QColor(80, 80, 84), QColor(230, 230, 230), 0.5));
    EXPECT_EQ(picture.pixelColor(10, bottom - 3), QColor(58, 58, 62)) << "the button face";
}

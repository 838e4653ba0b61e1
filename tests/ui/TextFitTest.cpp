// Every text of every window fits its control at the desktop font and at a
// much larger one (windows grow with the font; nothing is clipped).
#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "scheduler/ActionFlags.h"
#include "ui/AboutDlg.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/GeneralProgress.h"
#include "ui/GetInfoDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/UiContext.h"
#include "ui/ViewFoldersDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The controls whose text does not fit, with what they need.
std::vector<std::string> Clipped(const QWidget& window)
{
    std::vector<std::string> clipped;
    const auto report = [&clipped](const QWidget* control, const QString& text, int need) {
        if (control->isVisible() && control->width() < need)
            clipped.push_back(
                text.toStdString() + ": " + std::to_string(control->width()) + " < " + std::to_string(need));
    };
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->textFormat() != Qt::RichText && !label->text().isEmpty())
            report(label, label->text(), label->fontMetrics().horizontalAdvance(label->text()));
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->text().isEmpty())
            report(button, button->text(), button->sizeHint().width());
    }
    for (const QGroupBox* group : window.findChildren<QGroupBox*>())
        report(group, group->title(), group->fontMetrics().horizontalAdvance(group->title()) + 20);
    return clipped;
}

class TextFitTest : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override
    {
        m_font = QApplication::font();
        QFont font = m_font;
        font.setPointSizeF(font.pointSizeF() * GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(m_font); }

private:
    QFont m_font;
};

} // namespace

TEST_P(TextFitTest, MainWindow)
{
    CSession session;
    session.Sets.emplace_back().Name = "Documents";
    session.Sets.front().Entries.emplace_back().SourceFolder = "/home/me/Documents";
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    CQtPrompter prompter;
    CUiContext context(session, settings, flags, prompter, request);
    FakeClock clock;
    CKorvaneDlg window(context, { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock, false });
    window.show();
    window.List()->selectRow(0);
    EXPECT_EQ(Clipped(window), std::vector<std::string>());
}

TEST_P(TextFitTest, AboutAndActionWindows)
{
    CAboutDlg about;
    about.show();
    EXPECT_EQ(Clipped(about), std::vector<std::string>());
    std::atomic<std::int32_t> cancel { 0 };

    InformationSnapshot scan { 123456, 7890, 120000, 7000, 987654321098ULL, 876543210987ULL, true, false };
    auto information = std::make_shared<CInformationMonitor>(scan);
    CGetInfoDlg info({}, std::make_shared<CMonitorGuard<InformationSnapshot>>(information), cancel);
    info.Start();
    info.setWindowModality(Qt::NonModal);
    ASSERT_EVENTUALLY_EQ(info.Value(0, 0), QStringLiteral("123456"));
    EXPECT_EQ(Clipped(info), std::vector<std::string>());

    ProgressSnapshot snapshot;
    snapshot.Totals = { 120000, 8000, 0, 0 };
    snapshot.FilesDone = 119999;
    snapshot.FoldersDone = 7999;
    snapshot.CurrentFile = "/home/someone/Pictures/holidays/2025/a rather long file name.jpeg";
    snapshot.CurrentFolder = "/home/someone/Pictures/holidays/2025/and a long folder name below it";
    snapshot.CurrentFileSize = 123456789012ULL;
    snapshot.Elapsed = 123456;
    auto progressMonitor = std::make_shared<CProgressMonitor>(snapshot);
    CProgressDlg progress(0, {}, std::make_shared<CMonitorGuard<ProgressSnapshot>>(progressMonitor), cancel);
    progress.show();
    progress.Tick();
    EXPECT_EQ(Clipped(progress), std::vector<std::string>());

    CGeneralProgress waiting(
        QStringLiteral("Waiting for processes to finish..."), [] { return true; }, nullptr);
    waiting.show();
    EXPECT_EQ(Clipped(waiting), std::vector<std::string>());

    ActionSummaryData data;
    data.Elapsed = 360000;
    for (int i = 0; i < 3; ++i) {
        CFileRecord file;
        file.Path = "/a/" + std::to_string(i);
        file.Size = 999999999999ULL;
        data.AddedFiles.push_back(file);
        data.ProcessedFiles.push_back(file);
        data.DeletedFiles.push_back(file);
        data.UpdatedFiles.push_back(file);
    }
    data.ProcessedFiles.resize(123456, data.ProcessedFiles.front());
    data.ProcessedFolders.resize(12345);
    data.VersionSpace.push_back({ "/backup/.korvane-versions", 999999999999ULL });
    CActionSummaryDlg summary(data, false);
    summary.show();
    EXPECT_EQ(Clipped(summary), std::vector<std::string>());

    CViewFoldersDlg view(data.AddedFiles, QStringLiteral("Added Files/Folders"), false);
    view.show();
    EXPECT_EQ(Clipped(view), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextFitTest, ::testing::Values(1.0, 1.6));

// Every text of every window fits its control at the desktop font and at a
// much larger one (windows grow with the font; nothing is clipped).
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "scheduler/ActionFlags.h"
#include "ui/AboutDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/QtPrompter.h"
#include "ui/UiContext.h"
#include "ui/WorkingDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
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

TEST_P(TextFitTest, AboutAndWorkingWindows)
{
    CAboutDlg about;
    about.show();
    EXPECT_EQ(Clipped(about), std::vector<std::string>());
    std::atomic<std::int32_t> cancel { 0 };
    CWorkingDlg working(cancel);
    working.setWindowModality(Qt::NonModal);
    working.show();
    ProgressSnapshot snapshot;
    snapshot.Totals = { 12000, 800, 0, 0 };
    snapshot.FilesDone = 11999;
    snapshot.FoldersDone = 799;
    working.ShowProgress(0, snapshot);
    EXPECT_EQ(Clipped(working), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextFitTest, ::testing::Values(1.0, 1.6));

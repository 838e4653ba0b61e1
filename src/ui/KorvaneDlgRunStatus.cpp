// The main window's line of the active set's last and next run, the tray's
// tooltip of every scheduled set, and the overdue notice.
#include "StringTable.h"
#include "core/Session.h"
#include "platform/Clock.h"
#include "scheduler/RunStatus.h"
#include "ui/KorvaneDlg.h"
#include "ui/RunNotices.h"
#include "ui/RunWindows.h"
#include "ui/TrayIcon.h"
#include "ui/UiContext.h"

#include <QLabel>
#include <optional>
#include <vector>

namespace {

// Often enough that "Next" moves on soon after a run and an overdue set is
// seen within the minute; the file read is a few hundred bytes.
constexpr int kRunStatusMs = 30000;

struct SetRunStatus {
    std::string Name;
    int Action = 0;
    bool Scheduled = false;
    RunStatus Status;
};

// Once for each failing stretch: the mark is kept in the history, so
// neither the next check nor the next start tells it again.
void TellOverdue(CRunNotices& notices, const std::string& session, const std::vector<SetRunStatus>& sets,
    CRunHistory& history)
{
    for (const SetRunStatus& set : sets) {
        if (!set.Status.Overdue || !set.Status.Record || set.Status.Record->OverdueNotified)
            continue;
        if (!history.MarkOverdueNotified(session, set.Name))
            continue;
        notices.TellOverdue(FormatString(LoadString(57772).c_str(), set.Action == 1 ? "restore" : "backup",
            set.Name.c_str(), RunStatus::FormatTime(set.Status.OverdueSince).c_str()));
    }
}

} // namespace

void CKorvaneDlg::CreateRunStatus()
{
    m_notices = new CRunNotices(m_tray, *m_runWindows, this);
    m_runs->SetNotices(m_notices);
    // A scheduled event has ended: its outcome is in the history now.
    connect(m_notices, &CRunNotices::OutcomeTold, this, &CKorvaneDlg::UpdateRunStatus);
    connect(m_runs, &CRunController::RunFinished, this, &CKorvaneDlg::UpdateRunStatus);
    m_runStatusTimer.setInterval(kRunStatusMs);
    connect(&m_runStatusTimer, &QTimer::timeout, this, &CKorvaneDlg::UpdateRunStatus);
    m_runStatusTimer.start();
}

void CKorvaneDlg::UpdateRunStatus()
{
    if (m_closing || m_closed)
        return;
    const SettingsRecord settings = m_context.Settings();
    const std::time_t now = m_services.Clock.Now();
    CRunHistory history;
    const auto records = history.Load();
    std::vector<SetRunStatus> sets;
    int active = -1;
    m_context.ReadSession([&](const CSession& session) {
        active = session.ActiveSet;
        for (const CSet& set : session.Sets) {
            const auto found = records.find({ session.FileName, set.Name });
            std::optional<CRunHistory::Record> record;
            if (found != records.end())
                record = found->second;
            sets.push_back({ set.Name, set.Schedule.Action, set.Schedule.Active != 0,
                RunStatus::Of(record, set.Schedule, settings.SchedulerActive, now) });
        }
    });
    const bool activeValid = active >= 0 && static_cast<std::size_t>(active) < sets.size();
    m_runStatus->setText(activeValid ? QString::fromStdString(sets[static_cast<std::size_t>(active)].Status.Line())
                                     : QString());
    QString tooltip = QStringLiteral("Korvane");
    for (const SetRunStatus& set : sets) {
        if (set.Scheduled && set.Status.NextDue != 0)
            tooltip += QStringLiteral("\n") + QString::fromStdString(set.Name + ": " + set.Status.Line());
    }
    // A run's own tooltip (its percentage) stays until the run has ended.
    if (!m_runs->AnyRunning())
        m_tray->SetTooltip(tooltip);
    TellOverdue(*m_notices, m_context.Session().FileName, sets, history);
}


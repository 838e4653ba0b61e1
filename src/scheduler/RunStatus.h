#pragma once

#include "scheduler/RunHistory.h"

#include <ctime>
#include <optional>
#include <string>

class CScheduler;

// What the main window and the tray say of one set's runs: when it last ran
// and how, when it runs next, and whether it is overdue. Every time comes
// from the caller's clock.
struct RunStatus {
    std::optional<CRunHistory::Record> Record;
    // The next scheduled run; 0 when the set does not run by itself (its
    // schedule or the scheduler is off).
    std::int64_t NextDue = 0;
    bool Overdue = false;
    // Since when no run has succeeded (the last success, else the first
    // failure); meaningful while Overdue.
    std::int64_t OverdueSince = 0;

    static RunStatus Of(const std::optional<CRunHistory::Record>& record, const CScheduler& schedule,
        bool schedulerActive, std::time_t now);

    // A scheduled set is overdue once no run has succeeded for twice its
    // interval (two hours, days, weeks or calendar months), counted from
    // its last success or, when it never succeeded, from its first failure.
    // A set with no run on record is not: nothing says it should have run.
    static bool IsOverdue(const std::optional<CRunHistory::Record>& record, const CScheduler& schedule,
        bool schedulerActive, std::time_t now);

    // "Last run: 2026-12-08 06:40, succeeded · Next: 2026-12-09 06:00", with
    // " · Overdue" when it is.
    std::string Line() const;
    // Local time as "YYYY-MM-DD HH:MM".
    static std::string FormatTime(std::int64_t when);
};

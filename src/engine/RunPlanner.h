#pragma once

#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/EntryScan.h"
#include "engine/RunPlan.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CClock;

// Makes the plan of an action from what its scan found, by running the
// action's own copy worker on the stand-in file operations of a dry run:
// the plan is the dry run, not a second guess at it. Nothing is asked,
// logged or changed; failures the run would meet are passed over as a dry
// run passes over them.
class CRunPlanner {
public:
    CRunPlanner(const SettingsRecord& settings, CClock& clock);

    // The set as the scan left it (expanded folders, the action chosen) and
    // copies of its scans, which the worker uses up. cancel stops it early;
    // the plan is then partial.
    CRunPlan Plan(const CSet& set, std::vector<CEntryScan> scans, std::atomic<std::int32_t>& cancel) const;

    // The settings a dry run acts by: the run's own, with nothing written,
    // asked, played or switched off.
    static SettingsRecord DryRunSettings(SettingsRecord settings);

private:
    SettingsRecord m_settings;
    CClock& m_clock;
};

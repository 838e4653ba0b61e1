#pragma once

#include "core/VersionSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// One version of a file as the rules see it. Times are wall-clock seconds:
// seconds since 1970-01-01 00:00:00 read on the local clock, as the version
// folder's name gives them (CWallClock). Age counts from when a version was
// set aside, never from the file's own modification time.
struct FileVersion {
    std::int64_t SetAside = 0;
    std::uint64_t Size = 0;
};

// Which versions of one file a set's rules let go. Pure: the caller lists the
// versions and gives the time. The rules, in the order they apply:
// - the day limit prunes every version at least Days days old;
// - thinning keeps every version younger than a day; older ones, by age,
//   fall into consecutive steps (one a day for ThinDays days, then one a week
//   for ThinWeeks weeks, then one a month for ThinMonths calendar months; a
//   step of 0 takes no time), each step keeping the oldest version of each
//   calendar day, Monday-based week or month; versions past the last step go.
//   Keeping the oldest makes the choice stable: a version kept by a step
//   stays kept until it reaches the next, however often the rules run;
// - the count keeps the Keep newest of what is left.
// The newest version of a file gone from the source is its last copy: only
// the day limit prunes it.
class CRetention {
public:
    CRetention(const CVersionSettings& settings, std::int64_t now);

    // Indices into versions (in any order) of those to prune, ascending.
    std::vector<std::size_t> Prune(const std::vector<FileVersion>& versions, bool inSource) const;

    static constexpr std::int64_t kDay = 86400;

private:
    enum class Step { Young, Day, Week, Month, Past };
    struct Period {
        Step step = Step::Young;
        std::int64_t index = 0; // the day, week or month counted from 1970
    };

    Period PeriodOf(std::int64_t setAside) const;
    // order: indices newest first; drops the ones it prunes from it.
    void ApplyDays(const std::vector<FileVersion>& versions, std::vector<std::size_t>& order) const;
    void ApplyThinning(const std::vector<FileVersion>& versions, std::vector<std::size_t>& order,
        std::optional<std::size_t> lastCopy) const;
    void ApplyCount(std::vector<std::size_t>& order) const;

    CVersionSettings m_settings;
    std::int64_t m_now;
    // Where each step ends: versions set aside before it belong to a later step.
    std::int64_t m_dayStepEnd;
    std::int64_t m_weekStepEnd;
    std::int64_t m_monthStepEnd;
};

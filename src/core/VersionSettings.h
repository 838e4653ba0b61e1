#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a set keeps of the files its backups replace or delete, and for how
// long. Every field has bounds: a hand-edited or hostile session file must
// neither lift a limit by overflowing it nor make a prune run for ages.
class CVersionSettings {
public:
    static constexpr std::int32_t kMaxKeep = 9999;
    static constexpr std::int32_t kMaxDays = 36500;
    static constexpr std::int32_t kMaxThinDays = 3650;
    static constexpr std::int32_t kMaxThinWeeks = 520;
    static constexpr std::int32_t kMaxThinMonths = 1200;
    static constexpr std::int32_t kMaxMassChange = 100;

    bool operator==(const CVersionSettings& other) const = default;

    // True when every field holds its default: such a set stores nothing.
    bool IsDefault() const;
    // Brings every field within its bounds; Active becomes 0 or 1.
    void Clamp();
    // True when any thinning step is on.
    bool Thins() const;

    // The thinning steps as stored: "7,5,12".
    std::string ThinText() const;
    // Takes three comma-separated numbers (each clamped); false, leaving the
    // steps as they were, for anything else.
    bool SetThinText(std::string_view text);

    std::int32_t Active = 0;
    std::int32_t Keep = 10; // versions of one file; 0: no count limit
    std::int32_t Days = 0; // 0: no age limit
    std::int32_t ThinDays = 7; // one a day for this many days; 0: step off
    std::int32_t ThinWeeks = 5; // then one a week
    std::int32_t ThinMonths = 12; // then one a month
    std::int32_t MassChange = 50; // percent of an entry's files; 0: never ask
};

#include "core/VersionSettings.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

// A decimal number with optional white space around it and an optional
// sign, saturated far beyond any bound; nothing else.
std::optional<std::int64_t> PlainNumber(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    std::int64_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = std::min<std::int64_t>(number * 10 + (c - '0'), std::int64_t { 1 } << 32);
    }
    return negative ? -number : number;
}

std::int32_t Bounded(std::int64_t value, std::int32_t last)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, last));
}

} // namespace

bool CVersionSettings::IsDefault() const
{
    return *this == CVersionSettings {};
}

void CVersionSettings::Clamp()
{
    Active = Active != 0 ? 1 : 0;
    Keep = Bounded(Keep, kMaxKeep);
    Days = Bounded(Days, kMaxDays);
    ThinDays = Bounded(ThinDays, kMaxThinDays);
    ThinWeeks = Bounded(ThinWeeks, kMaxThinWeeks);
    ThinMonths = Bounded(ThinMonths, kMaxThinMonths);
    MassChange = Bounded(MassChange, kMaxMassChange);
}

bool CVersionSettings::Thins() const
{
    return ThinDays > 0 || ThinWeeks > 0 || ThinMonths > 0;
}

std::string CVersionSettings::ThinText() const
{
    return std::to_string(ThinDays) + "," + std::to_string(ThinWeeks) + "," + std::to_string(ThinMonths);
}

bool CVersionSettings::SetThinText(std::string_view text)
{
    std::array<std::int64_t, 3> steps {};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i + 1 == steps.size()))
            return false;
        const std::optional<std::int64_t> number = PlainNumber(text.substr(0, comma));
        if (!number)
            return false;
        steps[i] = *number;
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    ThinDays = Bounded(steps[0], kMaxThinDays);
    ThinWeeks = Bounded(steps[1], kMaxThinWeeks);
    ThinMonths = Bounded(steps[2], kMaxThinMonths);
    return true;
}

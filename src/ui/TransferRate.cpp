#include "ui/TransferRate.h"

#include "StringTable.h"
#include "scan/PathFormat.h"

#include <cmath>

namespace {

// FormatSize writes nothing done as "-", which reads badly before "of".
std::string SizeText(std::uint64_t bytes)
{
    return bytes == 0 ? std::string("0 bytes") : FormatSize(bytes);
}

} // namespace

void CTransferRate::Add(std::uint32_t tick, std::uint64_t done)
{
    // A count that went back belongs to another copy.
    if (!m_looks.empty() && done < m_looks.back().done)
        m_looks.clear();
    m_looks.push_back({ tick, done });
    // Differences of ticks stay right across the wrap.
    while (m_looks.size() > 2 && static_cast<std::uint32_t>(tick - m_looks[1].tick) >= kWindowMs)
        m_looks.pop_front();
}

double CTransferRate::BytesPerSecond() const
{
    if (m_looks.size() < 2)
        return 0;
    const std::uint32_t span = m_looks.back().tick - m_looks.front().tick;
    if (span < kShortestMs)
        return 0;
    return static_cast<double>(m_looks.back().done - m_looks.front().done) * 1000.0 / span;
}

std::string CTransferRate::DurationText(std::uint64_t seconds)
{
    if (seconds < 60)
        return FormatString(LoadString(57782).c_str(), static_cast<int>(seconds));
    const std::uint64_t minutes = (seconds + 59) / 60;
    if (minutes < 60)
        return FormatString(LoadString(57783).c_str(), static_cast<int>(minutes));
    return FormatString(LoadString(57784).c_str(), static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
}

std::string CTransferRate::Text(std::uint64_t done, std::uint64_t total) const
{
    if (total == 0)
        return {};
    const std::string of = SizeText(done);
    const std::string all = SizeText(total);
    const double pace = BytesPerSecond();
    if (pace < 1 || done >= total)
        return FormatString(LoadString(57780).c_str(), of.c_str(), all.c_str());
    const auto left = static_cast<std::uint64_t>(std::ceil(static_cast<double>(total - done) / pace));
    return FormatString(LoadString(57781).c_str(), of.c_str(), all.c_str(),
        FormatSize(static_cast<std::uint64_t>(pace)).c_str(), DurationText(left).c_str());
}

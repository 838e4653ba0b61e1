#include "engine/Retention.h"

#include "engine/WallClock.h"

#include <algorithm>
#include <map>
#include <numeric>

CRetention::CRetention(const CVersionSettings& settings, std::int64_t now)
    : m_settings(settings)
    , m_now(now)
{
    m_settings.Clamp();
    m_dayStepEnd = m_now - m_settings.ThinDays * kDay;
    m_weekStepEnd = m_dayStepEnd - m_settings.ThinWeeks * 7 * kDay;
    m_monthStepEnd = CWallClock::AddMonths(m_weekStepEnd, -m_settings.ThinMonths);
}

std::vector<std::size_t> CRetention::Prune(const std::vector<FileVersion>& versions, bool inSource) const
{
    // Newest first; versions set aside at the same time keep their order.
    std::vector<std::size_t> order(versions.size());
    std::iota(order.begin(), order.end(), std::size_t { 0 });
    std::stable_sort(order.begin(), order.end(),
        [&versions](std::size_t a, std::size_t b) { return versions[a].SetAside > versions[b].SetAside; });
    std::optional<std::size_t> lastCopy;
    if (!inSource && !order.empty())
        lastCopy = order.front();

    std::vector<std::size_t> kept = order;
    ApplyDays(versions, kept);
    ApplyThinning(versions, kept, lastCopy);
    // The count keeps the newest first, and the last copy is the newest.
    ApplyCount(kept);

    std::vector<bool> keep(versions.size(), false);
    for (const std::size_t index : kept)
        keep[index] = true;
    std::vector<std::size_t> pruned;
    for (std::size_t index = 0; index < versions.size(); ++index) {
        if (!keep[index])
            pruned.push_back(index);
    }
    return pruned;
}

CRetention::Period CRetention::PeriodOf(std::int64_t setAside) const
{
    if (m_now - setAside < kDay)
        return { Step::Young, 0 };
    const std::int64_t day = CWallClock::DayOf(setAside);
    if (setAside > m_dayStepEnd)
        return { Step::Day, day };
    // 1970-01-01 was a Thursday: three days on, weeks start on Mondays.
    if (setAside > m_weekStepEnd)
        return { Step::Week, (day + 3 - ((day + 3) % 7 + 7) % 7) / 7 };
    if (setAside > m_monthStepEnd) {
        const CWallClock::Civil civil = CWallClock::ToCivil(setAside);
        return { Step::Month, civil.year * 12 + civil.month - 1 };
    }
    return { Step::Past, 0 };
}

void CRetention::ApplyDays(const std::vector<FileVersion>& versions, std::vector<std::size_t>& order) const
{
    if (m_settings.Days == 0)
        return;
    const std::int64_t limit = m_settings.Days * kDay;
    std::erase_if(order, [&](std::size_t index) { return m_now - versions[index].SetAside >= limit; });
}

void CRetention::ApplyThinning(const std::vector<FileVersion>& versions, std::vector<std::size_t>& order,
    std::optional<std::size_t> lastCopy) const
{
    if (!m_settings.Thins())
        return;
    // Oldest first, so that each period keeps the first version set aside in it.
    std::map<std::pair<Step, std::int64_t>, std::size_t> keeper;
    std::vector<std::size_t> kept;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const Period period = PeriodOf(versions[*it].SetAside);
        const bool keep = period.step == Step::Young
            || (period.step != Step::Past && keeper.emplace(std::pair(period.step, period.index), *it).second);
        if (keep || *it == lastCopy)
            kept.push_back(*it);
    }
    order.assign(kept.rbegin(), kept.rend());
}

void CRetention::ApplyCount(std::vector<std::size_t>& order) const
{
    if (m_settings.Keep > 0 && order.size() > static_cast<std::size_t>(m_settings.Keep))
        order.resize(static_cast<std::size_t>(m_settings.Keep));
}

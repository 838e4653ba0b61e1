#include "ui/FolderScans.h"

#include "core/Backup.h"

#include <algorithm>

namespace {

constexpr int kReapMs = 500;

bool StillRunning(const CFolderStatistics& statistics)
{
    return statistics.Figures().ScanRunning != 0;
}

} // namespace

CFolderScans::CFolderScans(QObject* parent)
    : QObject(parent)
{
    m_reaper.setInterval(kReapMs);
    connect(&m_reaper, &QTimer::timeout, this, &CFolderScans::Reap);
}

CFolderScans::~CFolderScans()
{
    CancelAll();
    WaitAll();
}

void CFolderScans::Start(Key key, const CBackup& entry, std::uint64_t clusterBytes, std::time_t now)
{
    Cancel(key);
    auto statistics = std::make_shared<CFolderStatistics>();
    if (m_passStartHook)
        statistics->SetPassStartHook(m_passStartHook);
    statistics->StartFolderScan(entry, clusterBytes, now);
    m_rows[key] = std::move(statistics);
}

FolderFigures CFolderScans::Figures(Key key) const
{
    const auto found = m_rows.find(key);
    return found == m_rows.end() ? FolderFigures {} : found->second->Figures();
}

bool CFolderScans::Has(Key key) const
{
    return m_rows.count(key) != 0;
}

bool CFolderScans::Running(Key key) const
{
    return Figures(key).ScanRunning != 0;
}

bool CFolderScans::AnyRunning(int set) const
{
    return std::any_of(m_rows.begin(), m_rows.end(),
        [set](const auto& row) { return row.first.first == set && StillRunning(*row.second); });
}

std::shared_ptr<const CFileRecordArray> CFolderScans::SourceList(Key key) const
{
    const auto found = m_rows.find(key);
    return found == m_rows.end() ? std::make_shared<const CFileRecordArray>() : found->second->SourceList();
}

void CFolderScans::Cancel(Key key)
{
    const auto found = m_rows.find(key);
    if (found == m_rows.end())
        return;
    Retire(found->second);
    m_rows.erase(found);
}

std::vector<std::function<bool()>> CFolderScans::CancelAll(int set)
{
    std::vector<std::function<bool()>> running;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (set >= 0 && it->first.first != set) {
            ++it;
            continue;
        }
        std::shared_ptr<CFolderStatistics> statistics = it->second;
        if (StillRunning(*statistics))
            running.emplace_back([statistics] { return StillRunning(*statistics); });
        Retire(std::move(statistics));
        it = m_rows.erase(it);
    }
    return running;
}

void CFolderScans::Retire(std::shared_ptr<CFolderStatistics> statistics)
{
    statistics->RequestCancel();
    m_retired.push_back(std::move(statistics));
    if (!m_reaper.isActive())
        m_reaper.start();
}

// Drops the forgotten statistics whose pass has ended; their destructor then
// finds nothing to wait for.
void CFolderScans::Reap()
{
    m_retired.erase(std::remove_if(m_retired.begin(), m_retired.end(),
                        [](const std::shared_ptr<CFolderStatistics>& statistics) {
                            return !StillRunning(*statistics) && statistics.use_count() == 1;
                        }),
        m_retired.end());
    if (m_retired.empty())
        m_reaper.stop();
}

void CFolderScans::WaitAll()
{
    for (auto& [key, statistics] : m_rows)
        statistics->Wait();
    for (auto& statistics : m_retired)
        statistics->Wait();
    m_retired.clear();
    m_reaper.stop();
}

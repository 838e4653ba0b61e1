#include "engine/CopyAhead.h"

CCopyAhead::CCopyAhead(std::size_t count, Pick pick, Copy copy, const std::atomic<std::int32_t>& cancel)
    : m_count(count)
    , m_pick(std::move(pick))
    , m_copy(std::move(copy))
{
    m_copier.SetCancelFlag(&cancel);
    m_thread = std::thread(&CCopyAhead::Run, this);
}

CCopyAhead::~CCopyAhead()
{
    Finish();
}

void CCopyAhead::Run()
{
    std::string from;
    std::string to;
    for (std::size_t index = 1; index < m_count; index += 2) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || index <= m_reached + kAhead; });
            if (m_stop)
                break;
        }
        Result result { m_pick(index, from, to), 0, {} };
        if (result.copied) {
            result.error = m_copy(m_copier, from, to);
            result.to = to;
        }
        {
            std::lock_guard lock(m_mutex);
            m_results.emplace(index, std::move(result));
        }
        m_wake.notify_all();
    }
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_wake.notify_all();
}

bool CCopyAhead::Take(std::size_t index, int& error)
{
    std::unique_lock lock(m_mutex);
    m_reached = index;
    m_wake.notify_all();
    m_wake.wait(lock, [&] { return m_ended || m_results.count(index) != 0; });
    const auto found = m_results.find(index);
    if (found == m_results.end())
        return false;
    const bool copied = found->second.copied;
    error = found->second.error;
    m_results.erase(found);
    return copied;
}

std::vector<std::string> CCopyAhead::Finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::vector<std::string> untaken;
    for (auto& [index, result] : m_results) {
        if (result.copied && result.error == 0)
            untaken.push_back(std::move(result.to));
    }
    m_results.clear();
    return untaken;
}

#include "core/SettingsHolder.h"

#include <utility>

CSettingsHolder::CSettingsHolder(SettingsRecord initial, Saver saver)
    : m_current(std::make_shared<const SettingsRecord>(std::move(initial)))
    , m_saver(std::move(saver))
{
}

CSettingsHolder::Snapshot CSettingsHolder::Get() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

void CSettingsHolder::Replace(SettingsRecord record)
{
    std::lock_guard lock(m_changeMutex);
    Change(std::move(record), false);
}

void CSettingsHolder::Apply(SettingsRecord record)
{
    std::lock_guard lock(m_changeMutex);
    Change(std::move(record), true);
}

void CSettingsHolder::Update(const std::function<void(SettingsRecord&)>& edit)
{
    Edit(edit, false);
}

void CSettingsHolder::ApplyEdit(const std::function<void(SettingsRecord&)>& edit)
{
    Edit(edit, true);
}

// Under the change lock, so two edits at once cannot lose one of them.
void CSettingsHolder::Edit(const std::function<void(SettingsRecord&)>& edit, bool save)
{
    std::lock_guard lock(m_changeMutex);
    SettingsRecord record = *Get();
    edit(record);
    Change(std::move(record), save);
}

int CSettingsHolder::Subscribe(Listener listener)
{
    std::lock_guard lock(m_changeMutex);
    const int id = m_nextId++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void CSettingsHolder::Unsubscribe(int id)
{
    std::lock_guard lock(m_changeMutex);
    m_listeners.erase(id);
}

void CSettingsHolder::Change(SettingsRecord record, bool save)
{
    auto snapshot = std::make_shared<const SettingsRecord>(std::move(record));
    {
        std::lock_guard lock(m_mutex);
        m_current = snapshot;
    }
    if (save && m_saver)
        m_saver(*snapshot);
    for (const auto& [id, listener] : m_listeners)
        listener(snapshot);
}

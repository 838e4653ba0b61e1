#pragma once

#include "core/SettingsRecord.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>

// The one place the program settings live while it runs. It hands out
// immutable snapshots: a thread takes one at the start of what it does (a
// scheduler pass, a run, a worker) and acts by it to the end, so it never
// sees half of a change. A change replaces the snapshot as a whole.
class CSettingsHolder {
public:
    using Snapshot = std::shared_ptr<const SettingsRecord>;
    // Writes a record to the settings file (and the automatic start).
    using Saver = std::function<void(const SettingsRecord&)>;
    // Told of every new snapshot, on the thread that made the change.
    using Listener = std::function<void(const Snapshot&)>;

    explicit CSettingsHolder(SettingsRecord initial = {}, Saver saver = {});
    CSettingsHolder(const CSettingsHolder&) = delete;
    CSettingsHolder& operator=(const CSettingsHolder&) = delete;

    // The current settings; any thread. The snapshot stays valid and
    // unchanged for as long as it is held.
    Snapshot Get() const;

    // Replaces the settings without saving them (loading at start-up, a
    // setting a run of this process alone changes) and tells the listeners.
    void Replace(SettingsRecord record);
    // Replaces the settings, saves them, then tells the listeners (the
    // settings dialog's OK).
    void Apply(SettingsRecord record);
    // Replace with a copy of the current record changed by edit.
    void Update(const std::function<void(SettingsRecord&)>& edit);
    // The same, and saved: a change that must reach the settings file made
    // on top of whatever the settings are by then.
    void ApplyEdit(const std::function<void(SettingsRecord&)>& edit);

    // Returns an id for Unsubscribe. A listener may take snapshots but must
    // not change the settings or the listeners from inside its call.
    int Subscribe(Listener listener);
    void Unsubscribe(int id);

private:
    void Change(SettingsRecord record, bool save);
    void Edit(const std::function<void(SettingsRecord&)>& edit, bool save);

    // Guards m_current alone, so taking a snapshot never waits for a save
    // or a listener.
    mutable std::mutex m_mutex;
    Snapshot m_current;
    const Saver m_saver;
    // Held through a whole change: changes are saved and told one at a time
    // and in the order they were made, so the last one told is the current.
    std::mutex m_changeMutex;
    std::map<int, Listener> m_listeners;
    int m_nextId = 1;
};

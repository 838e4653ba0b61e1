#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

// How each set's runs went, kept beside the settings file in a small file of
// its own ("Korvane.runs"), never in the session file: the session file is
// the user's to copy and share, and a run must not make it look changed.
// Every run writes it (windows, tray, command line); the main window and the
// tray read it. A set is known by its session file's path and its name, as
// two sessions may each hold a "Default Set".
class CRunHistory {
public:
    struct Record {
        std::int64_t LastRun = 0; // when the last run ended
        bool Succeeded = false; // whether that run succeeded
        std::int64_t LastSuccess = 0; // 0: never
        // The first failure after the last success (0 while the last run
        // succeeded): a set that never succeeded is overdue from here.
        std::int64_t FailingSince = 0;
        // The overdue notification of this failing stretch was given.
        bool OverdueNotified = false;

        bool operator==(const Record&) const = default;
    };
    using Key = std::pair<std::string, std::string>; // session file, set name

    // path: the file; empty takes DefaultPath() at every call, so a test's
    // scratch home is followed.
    explicit CRunHistory(std::string path = {});

    // Beside the settings file, following XDG_CONFIG_HOME and HOME.
    static std::string DefaultPath();

    std::map<Key, Record> Load() const;
    std::optional<Record> Find(const std::string& session, const std::string& set) const;
    // Records a run that ended at when; false when the file could not be
    // written (a run goes on regardless).
    bool RecordRun(const std::string& session, const std::string& set, std::int64_t when, bool succeeded);
    bool MarkOverdueNotified(const std::string& session, const std::string& set);

    // The file's text for records, and back; lines that do not parse are
    // passed over.
    static std::string Format(const std::map<Key, Record>& records);
    static std::map<Key, Record> Parse(const std::string& text);

private:
    std::string Path() const;
    bool Save(const std::map<Key, Record>& records) const;

    std::string m_path;
};

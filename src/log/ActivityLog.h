#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class CClock;
class CPrompter;

// Event types and the record layout of the activity log. The log viewer
// reads the same file.
enum LogEventType : int {
    LogUser = 0,
    LogScheduled = 1,
    LogError = 2,
};

// Appends records to the activity log: a two-line header when the file is
// empty, then one tab-separated line per event. Lines end in CR LF on disk,
// as the Windows program writes them, so either program reads the other's log.
class CActivityLog {
public:
    // logActivate and logFileName are the LogActivate and LogFileName
    // settings; an empty name writes the default log, whose folder is made
    // when the first record is written.
    CActivityLog(bool logActivate, std::string logFileName, CPrompter& prompter, CClock& clock);

    // The log a LogFileName setting names: the setting itself, or, when it
    // is empty, $XDG_STATE_HOME/korvane/korvane.log.
    static std::string EffectiveFileName(const std::string& logFileName);

    // 1 when the record was written or logging is off, -1 when the file could
    // not be opened (message 57714 shown, the record lost).
    int WriteEvent(int type, int action, const char* format, ...) __attribute__((format(printf, 4, 5)));
    int WriteText(int type, int action, const std::string& message);

    bool Active() const { return m_active; }
    const std::string& FileName() const { return m_fileName; }

    // The record line as written (without the line end), for tests and the viewer.
    static std::string FormatRecord(
        std::uint64_t seconds, std::uint32_t tick, int type, int action, const std::string& message);

private:
    bool m_active;
    std::string m_fileName;
    // Written from the run's thread and the copy worker's.
    std::atomic<bool> m_makeFolder;
    CPrompter& m_prompter;
    CClock& m_clock;
};

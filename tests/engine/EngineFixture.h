#pragma once

#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"

#include <atomic>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A prompter that runs a test's hook at every question before answering,
// so a test can change the disk or the cancel flag while a prompt is open.
class HookedPrompter : public ScriptedPrompter {
public:
    int MessageBox(const std::string& text, unsigned style) override
    {
        if (hook)
            hook(text);
        return ScriptedPrompter::MessageBox(text, style);
    }
    std::function<void(const std::string&)> hook;
};

// Records the tray tooltips the ticker sets and the items passed over
// unasked (those from the execution thread only: read them after the run).
class RecordingDisplay : public CActionDisplay {
public:
    void SetTrayTooltip(const std::string& text) override
    {
        last = text;
        ++calls;
    }
    void ItemFailed(const std::string& line) override { failed.push_back(line); }
    std::string last;
    std::atomic<int> calls { 0 };
    std::vector<std::string> failed;
};

// A scratch source tree and backup folder, a set over them, and the copy
// worker run on lists scanned the way the action scan fills them.
class EngineFixture : public ::testing::Test {
protected:
    EngineFixture();

    std::string Src(const std::string& rel = "") const { return rel.empty() ? m_src : m_src + "/" + rel; }
    std::string Root(const std::string& rel = "") const { return rel.empty() ? m_root : m_root + "/" + rel; }
    std::string Write(const std::string& rel, const std::string& bytes, std::time_t mtime = 1'600'000'000) const;

    CSet MakeSet(int action) const;
    // Fills scans as the action scan does, one per entry of set: the run
    // then walks both sides itself.
    void Open(const CSet& set);
    // Lists both sides whole, as they stand now: the run takes them as they
    // are, so a test can change the disk between the listing and the run.
    void Scan(const CSet& set);
    // Scans, runs the worker to its end and returns it for inspection.
    std::unique_ptr<CProgressWorker> Run(int action);
    std::unique_ptr<CProgressWorker> RunSet(CSet set, bool scan = true);
    std::string LogText() const { return TempDir::Read(m_logPath); }

    TempDir dir;
    SettingsRecord settings;
    FakeClock clock;
    HookedPrompter prompter;
    RecordingDisplay display;
    std::atomic<std::int32_t> cancel { 0 };
    bool scheduled = false;
    // The set's brake on mass changes (MakeSet); off for tests of many
    // replacements that are not about it.
    std::int32_t massChange = CVersionSettings().MassChange;
    // Called on each worker just before it starts.
    std::function<void(CProgressWorker&)> beforeStart;
    // What Scan found, taken by the next RunSet(set, false).
    std::vector<CEntryScan> scans;

private:
    std::string m_src;
    std::string m_backup;
    std::string m_root;
    std::string m_logPath;
    std::unique_ptr<CActivityLog> m_log;
};

// Bytes, mode and modification time of two trees are the same.
void ExpectMirror(const std::string& source, const std::string& backup);

// How many times needle stands in text (lines of a log, say).
std::size_t CountLines(const std::string& text, const std::string& needle);

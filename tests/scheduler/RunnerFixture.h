#pragma once

#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "engine/ProgressWorker.h"
#include "mail/SummaryMailer.h"
#include "platform/MediaRoot.h"
#include "platform/PowerOff.h"
#include "platform/SoundPlayer.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/ActionRunner.h"
#include "scheduler/RunDisplay.h"
#include "scheduler/ShutdownCountdown.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Records what a run shows and lets a test act while a window is "open".
class RecordingDisplay : public CRunDisplay {
public:
    bool ShowInformation(CGetInfoWorker& worker, int action) override
    {
        calls.push_back("information");
        if (duringInformation)
            duringInformation();
        return CRunDisplay::ShowInformation(worker, action);
    }
    void ShowProgress(CProgressWorker& worker, const Totals& totals, int action) override
    {
        calls.push_back("progress");
        if (duringProgress)
            duringProgress();
        CRunDisplay::ShowProgress(worker, totals, action);
    }
    void ShowSummary(const CProgressWorker& worker, int, bool cancelled) override
    {
        calls.push_back("summary");
        summaryCancelled = cancelled;
        summaryFailures = worker.Failures;
    }
    void ShowShutdown(CShutdownCountdown& countdown) override
    {
        calls.push_back("shutdown");
        firstCountdownText = countdown.Tick();
        while (!cancelShutdown && !countdown.Finished())
            countdown.Tick();
        if (cancelShutdown)
            countdown.Cancel();
    }
    bool TrayHidden() const override { return hidden; }
    void ShowTray() override
    {
        calls.push_back("show tray");
        hidden = false;
    }
    void HideTray() override
    {
        calls.push_back("hide tray");
        hidden = true;
    }
    void ShowBalloon(const std::string& title, const std::string& text, int) override
    {
        calls.push_back("balloon " + title + ": " + text);
    }
    void SetTrayTooltip(const std::string& text) override { tooltips.push_back(text); }
    void ShowError(const std::string& text) override { calls.push_back("error " + text); }
    void ReportScheduledOutcome(const ScheduledOutcome& outcome) override { outcomes.push_back(outcome); }

    bool Shown(const std::string& what) const
    {
        for (const std::string& call : calls) {
            if (call == what)
                return true;
        }
        return false;
    }

    std::vector<std::string> calls;
    bool summaryCancelled = false;
    std::vector<FailedItem> summaryFailures;
    std::vector<std::string> tooltips;
    std::vector<ScheduledOutcome> outcomes;
    std::function<void()> duringInformation;
    std::function<void()> duringProgress;
    bool hidden = true;
    bool cancelShutdown = false;
    std::string firstCountdownText;
};

class RecordingSounds : public CSoundPlayer {
public:
    void Play(int resource) override { played.push_back(resource); }
    std::vector<int> played;
};

class RecordingMailer : public CSummaryMailer {
public:
    bool Send(const SummaryMailData& data, const SmtpOptions& options, std::string& reason) override
    {
        sent.push_back(data);
        server = options.Server;
        reason = failure;
        return failure.empty();
    }
    std::vector<SummaryMailData> sent;
    std::string server;
    std::string failure; // the reason Send gives; empty: the mail goes out
};

class FakePowerOff : public CPowerOff {
public:
    bool PowerOff() override
    {
        ++requests;
        return accept;
    }
    int requests = 0;
    bool accept = true;
};

// A session with one set "Docs" backing up <tmp>/src to <tmp>/dest, a log
// file, and every service replaced by a recorder.
class RunnerFixture : public ::testing::Test {
protected:
    RunnerFixture()
    {
        tmp.Write("src/a.txt", "alpha");
        tmp.Write("src/sub/b.txt", "beta");
        tmp.Write("dest/.keep", "");
        session.Sets.emplace_back().Name = "Docs";
        AddEntry(tmp / "src", tmp / "dest");
        settings.General.LogActivate = 1;
        settings.General.LogFileName = tmp / "korvane.log";
        settings.Actions.PlaySound = 1;
    }

    // Adds an entry of every file to the set "Docs".
    CBackup& AddEntry(const std::string& source, const std::string& destination)
    {
        CBackup& entry = session.Sets[0].Entries.emplace_back();
        entry.SourceFolder = source;
        entry.DestinationFolder = destination;
        entry.IncludeFiles = "*.*";
        return entry;
    }

    // The runner acts by the holder, which starts out with settings.
    CActionRunner MakeRunner()
    {
        holder.Replace(settings);
        return CActionRunner(session, holder, flags,
            CActionRunner::Services { prompter, display, sounds, mailer, powerOff, media, clock });
    }

    // The log's records without the time field: "type\taction\tmessage".
    std::vector<std::string> LogRecords() const
    {
        std::vector<std::string> records;
        const std::string text = TempDir::Read(settings.General.LogFileName);
        std::size_t start = 0;
        int line = 0;
        while (start < text.size()) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            const std::string record = text.substr(start, end - start);
            if (++line > 2)
                records.push_back(record.substr(record.find('\t') + 1));
            start = end + 2;
        }
        return records;
    }

    TempDir tmp;
    CSession session;
    SettingsRecord settings;
    CSettingsHolder holder;
    CActionFlags flags;
    ScriptedPrompter prompter;
    RecordingDisplay display;
    RecordingSounds sounds;
    RecordingMailer mailer;
    FakePowerOff powerOff;
    CMediaRoot media { tmp / "fstab", tmp / "mountinfo" };
    FakeClock clock;
};

#pragma once

#include <cstdint>
#include <string>

// The parsed switches of an unattended command-line run. Held by the
// application object for the whole run; all fields 0 before parsing.
struct CommandLineRequest {
    std::int32_t CmdRun = 0; // a complete /f /s /a request was accepted
    std::int32_t CmdSetIndex = 0; // the set to run in the working session
    std::int32_t CmdAction = 0; // 0 Backup, 1 Restore
    std::int32_t CmdExecute = 0; // /e
    std::int32_t CmdAsk = 0; // /q
    std::int32_t CmdNotifyDone = 0; // /c
    std::int32_t CmdMakeDefault = 0; // /d
    std::int32_t CmdIgnoreErrors = 0; // /g: every file error is passed over without asking
    std::int32_t CmdVerbose = 0; // /v
    std::int32_t CmdDryRun = 0; // /n, --dry-run: print what the run would do, change nothing
    std::int32_t CmdVersions = 0; // 1 --versions (list), 2 --restore-version
    std::string CmdVersionPath; // the PATH of --versions or --restore-version; may be empty
};

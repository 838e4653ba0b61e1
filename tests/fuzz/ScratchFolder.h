#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// The folder a fuzz target writes its inputs to, made once: in memory when
// there is a tmpfs at hand (every run writes files), removed at exit. HOME
// and the XDG folders point into it, so nothing a run does touches the real
// home.
inline const std::string& FuzzScratchFolder()
{
    static const std::string folder = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/kvfuzz-XXXXXX" : "/tmp/kvfuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        for (const char* name :
            { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "TMPDIR" })
            setenv(name, pattern.c_str(), 1);
        return pattern;
    }();
    static const bool removedAtExit = [] {
        return std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(FuzzScratchFolder(), error);
        }) == 0;
    }();
    (void)removedAtExit;
    return folder;
}

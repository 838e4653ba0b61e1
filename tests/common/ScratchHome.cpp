#include "common/ScratchHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

ScratchHome::ScratchHome()
{
    const char* base = std::getenv("KORVANE_TEST_TMP");
    std::string pattern = std::string(base ? base : "/tmp") + "/korvane-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create scratch home");
    m_root = pattern;
}

ScratchHome::~ScratchHome()
{
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void ScratchHome::Activate() const
{
    const auto dir = [this](const char* name) {
        const std::string path = m_root + "/" + name;
        fs::create_directories(path);
        return path;
    };
    setenv("HOME", dir("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir("home/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", dir("home/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", dir("home/.cache").c_str(), 1);
    setenv("XDG_STATE_HOME", dir("home/.local/state").c_str(), 1);
    const std::string runtime = dir("run");
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // The run lock of the program does not follow XDG_RUNTIME_DIR; this keeps
    // tests that run at the same time apart.
    const std::string lock = dir("lock");
    fs::permissions(lock, fs::perms::owner_all, fs::perm_options::replace);
    setenv("KORVANE_LOCK_DIR", lock.c_str(), 1);
    setenv("TMPDIR", dir("tmp").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // A session bus where none listens: no test reaches the desktop's own
    // bus and the real keyring behind it. A test program that a test started
    // on a private bus of its own keeps that one.
    if (std::getenv("KORVANE_TEST_PRIVATE_BUS") == nullptr)
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + runtime + "/no-bus").c_str(), 1);
}

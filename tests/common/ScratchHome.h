#pragma once

#include <string>

// A temporary folder that stands in for the user's home: HOME and the XDG
// folders point into it while it is active; it is removed on destruction.
class ScratchHome {
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    // Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR, XDG_CACHE_HOME,
    // TMPDIR and KORVANE_LOCK_DIR (the run lock's folder) into the scratch folder,
    // and DBUS_SESSION_BUS_ADDRESS at a socket there that nobody serves.
    void Activate() const;

    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
};

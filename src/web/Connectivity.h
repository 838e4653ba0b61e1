#pragma once

// Whether the desktop believes it can reach the internet. Only a network
// layer that knows itself disconnected says no; an unknown state (no
// network manager, a server) counts as connected, and the request itself
// then tells.
class CConnectivity {
public:
    static bool Connected();
};

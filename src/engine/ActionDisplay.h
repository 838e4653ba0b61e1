#pragma once

#include <string>

// What a running action shows outside its own windows: the tray icon's
// tooltip ("%d%% completed"). The action runner and the tray implement it;
// the default shows nothing, which is what a run without a display wants.
class CActionDisplay {
public:
    virtual ~CActionDisplay() = default;

    virtual void SetTrayTooltip(const std::string& /*text*/) { }
};

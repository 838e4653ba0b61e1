#pragma once

#include <string>

// What a running action shows outside its own windows: the tray icon's
// tooltip ("%d%% completed") and the items passed over unasked. The action
// runner and the tray implement it; the default shows nothing.
class CActionDisplay {
public:
    virtual ~CActionDisplay() = default;

    virtual void SetTrayTooltip(const std::string& /*text*/) { }
    // An item failed and was passed over without a message box (errors are
    // not shown): one line naming it and why.
    virtual void ItemFailed(const std::string& /*line*/) { }
    // An item that cannot be copied at all (a socket) was left out: one
    // line naming it and why. Not a failure.
    virtual void ItemSkipped(const std::string& /*line*/) { }
};

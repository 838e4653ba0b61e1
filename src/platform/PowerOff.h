#pragma once

// Switches the computer off. Always injected, so no test can reach the real
// call: tests pass a recording fake.
class CPowerOff {
public:
    virtual ~CPowerOff() = default;
    // True when the request was accepted.
    virtual bool PowerOff() = 0;
};

// logind's PowerOff over the system D-Bus, else "systemctl poweroff".
class CSystemPowerOff : public CPowerOff {
public:
    bool PowerOff() override;
};

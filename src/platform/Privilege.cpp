#include "platform/Privilege.h"

#include <cerrno>
#include <sys/capability.h>

namespace {

class CapGuard {
public:
    explicit CapGuard(cap_t caps)
        : m_caps(caps)
    {
    }
    ~CapGuard()
    {
        if (m_caps)
            cap_free(m_caps);
    }
    CapGuard(const CapGuard&) = delete;
    CapGuard& operator=(const CapGuard&) = delete;
    cap_t Get() const { return m_caps; }

private:
    cap_t m_caps;
};

bool HasFlag(cap_t caps, cap_value_t value, cap_flag_t set)
{
    cap_flag_value_t state = CAP_CLEAR;
    return cap_get_flag(caps, value, set, &state) == 0 && state == CAP_SET;
}

} // namespace

bool EnablePrivilege(const std::string& name, bool enable)
{
    if (name != "SeSecurityPrivilege") {
        errno = EINVAL;
        return false;
    }
    const cap_value_t value = CAP_CHOWN;
    CapGuard caps(cap_get_proc());
    if (!caps.Get())
        return false;
    if (HasFlag(caps.Get(), value, CAP_EFFECTIVE) == enable)
        return true;
    if (enable && !HasFlag(caps.Get(), value, CAP_PERMITTED)) {
        errno = EPERM;
        return false;
    }
    if (cap_set_flag(caps.Get(), CAP_EFFECTIVE, 1, &value, enable ? CAP_SET : CAP_CLEAR) != 0)
        return false;
    return cap_set_proc(caps.Get()) == 0;
}

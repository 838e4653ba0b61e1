#include "platform/PowerOff.h"

#include "platform/DesktopLibrary.h"
#include "platform/Process.h"

bool CSystemPowerOff::PowerOff()
{
    std::string error;
    const LogindPowerOffEntry logind = CDesktopLibrary::LogindPowerOff(error);
    if (logind != nullptr && logind())
        return true;
    return RunHelperProgram("systemctl", { "poweroff" }) == 0;
}

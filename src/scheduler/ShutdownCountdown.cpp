#include "scheduler/ShutdownCountdown.h"

#include "StringTable.h"
#include "platform/PowerOff.h"

CShutdownCountdown::CShutdownCountdown(CPowerOff& powerOff)
    : m_powerOff(powerOff)
{
}

std::string CShutdownCountdown::Tick()
{
    if (m_cancelled || m_counter == 0)
        return FormatString(LoadString(57709).c_str(), m_counter);
    --m_counter;
    if (m_counter == 0 && !m_cancelled)
        m_poweredOff = m_powerOff.PowerOff();
    return FormatString(LoadString(57709).c_str(), m_counter);
}

#include "scheduler/ScheduleCheck.h"

namespace {

std::string TrimSpaces(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

int CheckScheduleEventInput(bool enabled, bool sendEmail, const std::string& smtpServer, std::string& address)
{
    address = TrimSpaces(address);
    if (!enabled || !sendEmail)
        return 0;
    if (smtpServer.empty())
        return 121;
    if (address.empty())
        return 57730;
    return 0;
}

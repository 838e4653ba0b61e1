#include "scheduler/ScheduleCheck.h"

#include <gtest/gtest.h>

namespace {

TEST(ScheduleCheckTest, MailChecksApplyOnlyToAnEnabledScheduleWithMail)
{
    std::string address = "  ops@example.org  ";
    EXPECT_EQ(CheckScheduleEventInput(true, true, "", address), 121);
    EXPECT_EQ(address, "ops@example.org");
    address = "   ";
    EXPECT_EQ(CheckScheduleEventInput(true, true, "smtp.example.org", address), 57730);
    EXPECT_EQ(address, "");
    EXPECT_EQ(CheckScheduleEventInput(false, true, "", address), 0) << "disabled: accepted";
    EXPECT_EQ(CheckScheduleEventInput(true, false, "", address), 0);
    address = "a@b.c";
    EXPECT_EQ(CheckScheduleEventInput(true, true, "smtp.example.org", address), 0);
}

} // namespace

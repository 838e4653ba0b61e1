// The record a version area keeps of its last pruning.
#include "engine/PruneRecord.h"

#include "engine/WallClock.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::int64_t At(const char* stamp)
{
    return *CWallClock::ParseStamp(stamp);
}

TEST(PruneRecordTest, ItsTextReadsBackAndAnythingElseIsNoRecord)
{
    CPruneRecord record;
    record.PrunedAt = At("2026-12-08 101500");
    record.Rules = CPruneRecord::RulesOf(CVersionSettings {});
    record.Bytes = 18446744073709551615u;
    EXPECT_EQ(
        "pruned 2026-12-08 101500\nrules keep 10, days 0, thin 7,5,12\nbytes 18446744073709551615\n", record.Text());
    const std::optional<CPruneRecord> back = CPruneRecord::Parse(record.Text());
    ASSERT_TRUE(back);
    EXPECT_EQ(record.PrunedAt, back->PrunedAt);
    EXPECT_EQ(record.Rules, back->Rules);
    EXPECT_EQ(record.Bytes, back->Bytes);

    const std::string whole = record.Text();
    const std::vector<std::string> broken { "", whole.substr(0, whole.size() - 1), whole + "more\n",
        "pruned 2026-12-08 10:15:00\nrules keep 10\nbytes 1\n", "pruned 2026-12-08 101500\nrules x\nbytes -1\n",
        "pruned 2026-12-08 101500\nrules x\nbytes 1 \n", "rules x\npruned 2026-12-08 101500\nbytes 1\n",
        "pruned 2026-12-08 101500\nrules x\nbytes 18446744073709551616\n" };
    for (const std::string& text : broken)
        EXPECT_FALSE(CPruneRecord::Parse(text)) << text;
}

TEST(PruneRecordTest, ItCoversTheRestOfItsCalendarDayUnderTheSameRules)
{
    CVersionSettings settings;
    CPruneRecord record;
    record.PrunedAt = At("2026-12-08 000000");
    record.Rules = CPruneRecord::RulesOf(settings);
    EXPECT_TRUE(record.Covers(settings, At("2026-12-08 235959")));
    EXPECT_FALSE(record.Covers(settings, At("2026-12-09 000000")));
    // A clock set back does not live on an old record.
    EXPECT_FALSE(record.Covers(settings, At("2026-12-07 235959")));

    // Every rule that decides what pruning keeps; not the switch, nor the brake.
    settings.Active = 1;
    settings.MassChange = 10;
    EXPECT_TRUE(record.Covers(settings, At("2026-12-08 120000")));
    for (int change = 0; change < 4; ++change) {
        CVersionSettings other;
        (change == 0 ? other.Keep : change == 1 ? other.Days : change == 2 ? other.ThinDays : other.ThinMonths) += 1;
        EXPECT_FALSE(record.Covers(other, At("2026-12-08 120000"))) << change;
    }
}

} // namespace

#include "core/SettingsHolder.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(SettingsHolderTest, ASnapshotKeepsItsValuesAcrossLaterChanges)
{
    CSettingsHolder holder;
    const CSettingsHolder::Snapshot before = holder.Get();
    holder.Update([](SettingsRecord& record) { record.Scheduler.MissedEvents = 2; });
    EXPECT_EQ(before->Scheduler.MissedEvents, 0);
    EXPECT_EQ(holder.Get()->Scheduler.MissedEvents, 2);
    EXPECT_NE(before, holder.Get());
}

TEST(SettingsHolderTest, ApplySavesAndReplaceDoesNotAndBothTellTheListeners)
{
    std::vector<int> saved;
    CSettingsHolder holder({}, [&saved](const SettingsRecord& record) { saved.push_back(record.General.ClusterSize); });
    std::vector<int> told;
    const int id
        = holder.Subscribe([&told](const CSettingsHolder::Snapshot& s) { told.push_back(s->General.ClusterSize); });

    SettingsRecord record;
    record.General.ClusterSize = 5;
    holder.Replace(record);
    EXPECT_TRUE(saved.empty());
    record.General.ClusterSize = 7;
    holder.Apply(record);
    EXPECT_EQ(saved, std::vector<int> { 7 });
    EXPECT_EQ(told, (std::vector<int> { 5, 7 }));

    holder.Unsubscribe(id);
    holder.Replace({});
    EXPECT_EQ(told.size(), 2u);
}

// Two settings changed together are never seen apart, and concurrent edits
// lose nothing.
TEST(SettingsHolderTest, ReadersNeverSeeHalfAChangeAndEditsAreNotLost)
{
    SettingsRecord start;
    start.Actions.BackupDelete = start.Actions.BackupTrash = 1;
    CSettingsHolder holder(start);
    std::atomic<bool> torn { false };
    std::thread reader([&] {
        for (int i = 0; i < 20000; ++i) {
            const auto s = holder.Get();
            if (s->Actions.BackupDelete != s->Actions.BackupTrash)
                torn = true;
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w) {
        writers.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                holder.Update([](SettingsRecord& r) {
                    r.Actions.BackupDelete = r.Actions.BackupTrash = r.Actions.BackupDelete ? 0 : 1;
                    ++r.General.TooltipDelay;
                });
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    reader.join();
    EXPECT_FALSE(torn);
    EXPECT_EQ(holder.Get()->General.TooltipDelay, 500 + 1000);
}

} // namespace

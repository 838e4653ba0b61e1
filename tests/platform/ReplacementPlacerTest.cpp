#include "platform/ReplacementPlacer.h"

#include "common/TempDir.h"
#include "platform/FileCopier.h"
#include "platform/Together.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Stages count replacements of dst/<i>/f.txt, one folder each.
std::vector<CStagedCopy> Stage(const TempDir& dir, int count)
{
    CFileCopier copier;
    copier.SetBatchReplacements(true);
    for (int i = 0; i < count; ++i) {
        const std::string name = std::to_string(i) + "/f.txt";
        dir.Write("dst/" + name, "old " + std::to_string(i));
        EXPECT_EQ(0, copier.Copy(dir.Write("src/" + name, "new " + std::to_string(i)), dir / ("dst/" + name), false));
    }
    EXPECT_EQ(static_cast<std::size_t>(count), copier.WaitingCount());
    return copier.TakeWaiting();
}

} // namespace

// Placed in the background and together, the results still come back in
// the batch's order, each failure with its own file, and a failed one
// leaves its old file and no temporary.
TEST(ReplacementPlacerTest, BackgroundBatchReportsEachFileInOrder)
{
    TempDir dir;
    std::vector<CStagedCopy> batch = Stage(dir, 40);
    // A folder took the place of file 7: that one copy cannot take its name.
    fs::remove(dir / "dst/7/f.txt");
    dir.Write("dst/7/f.txt/inner", "in the way");

    CReplacementPlacer placer;
    EXPECT_TRUE(placer.Idle());
    placer.Submit(std::move(batch));
    const std::vector<CReplacementPlacer::Placed> placed = placer.Collect();
    EXPECT_TRUE(placer.Idle());
    ASSERT_EQ(40u, placed.size());
    for (int i = 0; i < 40; ++i) {
        const std::string name = std::to_string(i) + "/f.txt";
        EXPECT_EQ(dir / ("src/" + name), placed[static_cast<std::size_t>(i)].from);
        EXPECT_EQ(dir / ("dst/" + name), placed[static_cast<std::size_t>(i)].to);
        if (i == 7) {
            EXPECT_EQ(EISDIR, placed[7].error);
            continue;
        }
        EXPECT_EQ(0, placed[static_cast<std::size_t>(i)].error) << i;
        EXPECT_EQ("new " + std::to_string(i), TempDir::Read(dir / ("dst/" + name)));
    }
    EXPECT_EQ("in the way", TempDir::Read(dir / "dst/7/f.txt/inner"));
    for (const auto& item : fs::recursive_directory_iterator(dir / "dst"))
        EXPECT_FALSE(CFileCopier::IsTemporaryName(item.path().filename().string())) << item.path();
    EXPECT_TRUE(placer.Collect().empty()) << "collected once";
}

// A batch handed over and never collected is still placed whole before the
// placer goes: its copies were complete and counted.
TEST(ReplacementPlacerTest, ABatchInFlightIsPlacedBeforeThePlacerGoes)
{
    TempDir dir;
    {
        CReplacementPlacer placer;
        placer.Submit(Stage(dir, 5));
        // A second batch waits for the first to be collected.
        placer.Submit(Stage(dir, 3));
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ("new " + std::to_string(i), TempDir::Read(dir / ("dst/" + std::to_string(i) + "/f.txt")));
}

TEST(ReplacementPlacerTest, ForEachTogetherRunsEveryIndexOnce)
{
    for (const std::size_t count : { 0u, 1u, 3u, 1000u }) {
        std::vector<std::atomic<int>> runs(count);
        ForEachTogether(count, 8, [&](std::size_t i) { ++runs[i]; });
        for (std::size_t i = 0; i < count; ++i)
            EXPECT_EQ(1, runs[i].load()) << count << " " << i;
    }
}

// In two passes, each index goes through each pass once, and no second pass
// starts before every first one has ended (an fsync before any rename).
TEST(ReplacementPlacerTest, ForEachTogetherInTwoPassesEndsTheFirstBeforeTheSecond)
{
    for (const std::size_t count : { 0u, 1u, 3u, 1000u }) {
        std::vector<std::atomic<int>> firsts(count);
        std::vector<std::atomic<int>> seconds(count);
        std::atomic<std::size_t> firstsEnded { 0 };
        std::atomic<std::size_t> early { 0 };
        ForEachTogether(
            count, 8,
            [&](std::size_t i) {
                // The last first pass to end is one that others wait for.
                while (i == 0 && count > 3 && firstsEnded.load() < count - 1)
                    std::this_thread::yield();
                ++firsts[i];
                ++firstsEnded;
            },
            [&](std::size_t i) {
                if (firstsEnded.load() != count)
                    ++early;
                ++seconds[i];
            });
        EXPECT_EQ(0u, early.load()) << count;
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(1, firsts[i].load()) << count << " " << i;
            EXPECT_EQ(1, seconds[i].load()) << count << " " << i;
        }
    }
}

// The second copying thread: every job is handled once, by one thread, and
// the worker takes the results in list order however far ahead or behind
// the second thread is.
#include "engine/CopyAhead.h"

#include "common/EventualAssert.h"
#include "common/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace fs = std::filesystem;

namespace {

std::vector<CCopyAhead::Job> Jobs(std::size_t count, std::uint64_t size = 10, bool shared = true)
{
    std::vector<CCopyAhead::Job> jobs;
    for (std::size_t i = 0; i < count; ++i)
        jobs.push_back({ .size = size, .index = std::uint32_t(i * 2), .shared = shared, .replace = false });
    return jobs;
}

// Writes a real file per job and answers a result that tells the job.
struct Copies {
    explicit Copies(const TempDir& dir)
        : folder(dir.Path())
    {
    }
    CCopyAhead::Copy Function()
    {
        return [this](CFileCopier&, const CCopyAhead::Job& job, std::string& to) {
            to = folder + "/" + std::to_string(job.index);
            std::ofstream(to) << "x";
            std::lock_guard lock(mutex);
            done.insert(job.index);
            return static_cast<int>(job.index % 7);
        };
    }
    std::size_t Count()
    {
        std::lock_guard lock(mutex);
        return done.size();
    }
    std::string folder;
    std::mutex mutex;
    std::set<std::size_t> done;
};

} // namespace

TEST(CopyAheadTest, RunsAheadOnlySoFarAndHandsOverResultsInOrder)
{
    TempDir dir;
    Copies copies(dir);
    CFileCopier copier;
    std::atomic<std::int32_t> cancel { 0 };
    const std::vector<CCopyAhead::Job> jobs = Jobs(500);
    CCopyAhead ahead(jobs, copies.Function(), copier, cancel);
    // The worker has not reached anything: the second thread stops a
    // window ahead of it.
    ASSERT_EVENTUALLY(copies.Count() > 10);
    EXPECT_LT(copies.Count(), 100u);
    std::size_t own = 0;
    for (std::size_t n = 0; n < 500; ++n) {
        CCopyAhead::Result result;
        if (!ahead.Take(n, result)) {
            ++own;
            continue;
        }
        EXPECT_EQ(static_cast<int>((n * 2) % 7), result.error) << n;
    }
    EXPECT_EQ(500u, copies.Count() + own) << "every job once, by one thread";
    EXPECT_TRUE(ahead.Finish().empty());
}

TEST(CopyAheadTest, AWorkerFarAheadKeepsItsJobsToItself)
{
    TempDir dir;
    Copies copies(dir);
    CFileCopier copier;
    std::atomic<std::int32_t> cancel { 0 };
    const std::vector<CCopyAhead::Job> jobs = Jobs(2000);
    CCopyAhead ahead(jobs, copies.Function(), copier, cancel);
    std::set<std::size_t> own;
    for (std::size_t n = 0; n < 2000; ++n) {
        CCopyAhead::Result result;
        if (!ahead.Take(n, result))
            own.insert(n * 2);
    }
    ahead.Finish();
    for (const std::size_t index : own)
        EXPECT_EQ(0u, copies.done.count(index)) << index;
    EXPECT_EQ(2000u, copies.done.size() + own.size());
}

TEST(CopyAheadTest, LargeAndUnsharedFilesAreLeftToTheWorker)
{
    TempDir dir;
    Copies copies(dir);
    CFileCopier copier;
    std::atomic<std::int32_t> cancel { 0 };
    std::vector<CCopyAhead::Job> jobs = Jobs(30, CCopyAhead::kLargeFile);
    for (CCopyAhead::Job& job : Jobs(30, 10, false))
        jobs.push_back({ .size = 10, .index = job.index + 100, .shared = false, .replace = false });
    jobs.push_back({ .size = 10, .index = 999, .shared = true, .replace = false });
    CCopyAhead ahead(jobs, copies.Function(), copier, cancel);
    // Within the window ahead of the worker, which has not moved.
    ASSERT_EVENTUALLY(copies.Count() == 1);
    for (std::size_t n = 0; n + 1 < jobs.size(); ++n) {
        CCopyAhead::Result result;
        EXPECT_FALSE(ahead.Take(n, result)) << n;
    }
    CCopyAhead::Result result;
    EXPECT_TRUE(ahead.Take(jobs.size() - 1, result));
    EXPECT_EQ(999 % 7, result.error);
}

// Stopped early, the new copies never taken are named for removal, and
// replacements left waiting go without touching their targets.
TEST(CopyAheadTest, FinishGivesBackUntakenCopiesAndDropsWaitingReplacements)
{
    TempDir dir;
    for (int i = 0; i < 20; ++i) {
        dir.Write("src/" + std::to_string(i), "new " + std::to_string(i));
        if (i % 2)
            dir.Write("dst/" + std::to_string(i), "old " + std::to_string(i));
    }
    std::vector<CCopyAhead::Job> jobs;
    for (std::size_t i = 0; i < 20; ++i)
        jobs.push_back({ .size = 10, .index = std::uint32_t(i), .shared = i > 0, .replace = i % 2 == 1 });
    std::atomic<int> copied { 0 };
    auto copy = [&](CFileCopier& copier, const CCopyAhead::Job& job, std::string& to) {
        to = dir / ("dst/" + std::to_string(job.index));
        const int error = copier.Copy(dir / ("src/" + std::to_string(job.index)), to, !job.replace);
        ++copied;
        return error;
    };
    CFileCopier copier;
    std::atomic<std::int32_t> cancel { 0 };
    CCopyAhead ahead(jobs, copy, copier, cancel);
    ASSERT_EVENTUALLY(copied.load() == 19);
    CCopyAhead::Result result;
    ASSERT_FALSE(ahead.Take(0, result)) << "the first job was the worker's";
    const std::vector<std::size_t> untaken = ahead.Finish();
    EXPECT_EQ(9u, untaken.size());
    for (const std::size_t index : untaken) {
        EXPECT_EQ(0u, index % 2) << index;
        fs::remove(dir / ("dst/" + std::to_string(index)));
    }
    std::size_t left = 0;
    for (const auto& item : fs::directory_iterator(dir / "dst")) {
        const int i = std::stoi(item.path().filename().string());
        EXPECT_EQ("old " + std::to_string(i), TempDir::Read(item.path().string()));
        ++left;
    }
    EXPECT_EQ(10u, left) << "no temporary file stays";
}

// Replacements are copied on two threads and made durable per batch in the
// background: failures still reach the right file in list order, and a stop
// leaves every old version that was not replaced as it was.
#include "engine/EngineFixture.h"
#include "engine/FileOperations.h"
#include "platform/FileCopier.h"

#include <filesystem>
#include <fstream>
#include <mutex>

namespace fs = std::filesystem;

namespace {

// Every test replaces most of the backup: the brake would stop them.
class BatchPlacementTest : public EngineFixture {
protected:
    BatchPlacementTest() { massChange = 0; }
};

constexpr int kFiles = 300; // more than one batch

std::string Name(int i)
{
    return "f" + std::to_string(1000 + i) + ".txt";
}

// Runs a test's hook after every copy, on whichever thread made it.
class HookedOperations : public CFileOperations {
public:
    int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected) override
    {
        const int error = CFileOperations::Copy(copier, from, to, failIfExists, security, expected);
        std::lock_guard lock(mutex);
        if (afterCopy)
            afterCopy(to);
        return error;
    }
    std::mutex mutex;
    std::function<void(const std::string& to)> afterCopy;
};

std::vector<std::string> TemporaryFilesBelow(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (CFileCopier::IsTemporaryName(item.path().filename().string()))
            found.push_back(item.path().string());
    }
    return found;
}

} // namespace

// A folder in the way of a name after its copy was staged: the rename in
// the background fails, and the worker reports it for that file, in order.
TEST_F(BatchPlacementTest, PlacingFailuresReachTheRightFilesInListOrder)
{
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "old " + std::to_string(i));
    Write("a/x.txt", "old x");
    Write("m/y.txt", "old y");
    Run(0);
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "new " + std::to_string(i), 1'600'000'100);
    Write("a/x.txt", "new x", 1'600'000'100);
    Write("m/y.txt", "new y", 1'600'000'100);

    HookedOperations ops;
    ops.afterCopy = [&](const std::string& to) {
        for (const char* folder : { "a", "m" }) {
            const std::string name = Root(folder) + (folder[0] == 'a' ? "/x.txt" : "/y.txt");
            if (to == name) {
                fs::remove(name);
                fs::create_directory(name);
                std::ofstream(name + "/inner") << "in the way";
            }
        }
    };
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    prompter.Answer(IdIgnore);
    prompter.Answer(IdIgnore);
    auto run = Run(0);

    ASSERT_EQ(2u, prompter.asked.size());
    // One failure in each batch: the first placed while the second was
    // being copied.
    EXPECT_NE(std::string::npos, prompter.asked[0].text.find("Backup: " + Root("a/x.txt")));
    EXPECT_NE(std::string::npos, prompter.asked[1].text.find("Backup: " + Root("m/y.txt")));
    EXPECT_EQ("in the way", TempDir::Read(Root("a/x.txt/inner")));
    EXPECT_EQ("in the way", TempDir::Read(Root("m/y.txt/inner")));
    ASSERT_EQ(static_cast<std::size_t>(kFiles), run->UpdatedFiles.size());
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(Root(Name(i)), run->UpdatedFiles[static_cast<std::size_t>(i)].FullPath());
        EXPECT_EQ("new " + std::to_string(i), TempDir::Read(Root(Name(i))));
    }
    EXPECT_EQ(2, run->FailedItems.load());
    EXPECT_TRUE(TemporaryFilesBelow(Root()).empty());
}

// A cancel while replacements wait in a batch and the second thread runs
// ahead: what was processed is placed whole, nothing past it replaces an
// old version, and no temporary file stays.
TEST_F(BatchPlacementTest, CancelInTheMiddleOfABatchKeepsEveryOldVersionPastIt)
{
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "old " + std::to_string(i));
    Run(0);
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "new " + std::to_string(i), 1'600'000'100);

    HookedOperations ops;
    ops.afterCopy = [&](const std::string& to) {
        if (to == Root(Name(kFiles / 2)))
            cancel = 1;
    };
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    auto run = Run(0);

    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(TemporaryFilesBelow(Root()).empty());
    const std::size_t updated = run->UpdatedFiles.size();
    EXPECT_LE(updated, static_cast<std::size_t>(kFiles / 2 + 1));
    EXPECT_EQ(updated, run->ProcessedFiles.size());
    for (int i = 0; i < kFiles; ++i) {
        const std::string now = i < static_cast<int>(updated) ? "new " : "old ";
        EXPECT_EQ(now + std::to_string(i), TempDir::Read(Root(Name(i)))) << i;
    }
}

// A cancel on a new file leaves no new copy past the files processed,
// whichever thread made it.
TEST_F(BatchPlacementTest, CancelAmongNewFilesLeavesNoCopyPastTheProcessedOnes)
{
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "bytes " + std::to_string(i));
    HookedOperations ops;
    ops.afterCopy = [&](const std::string& to) {
        if (to == Root(Name(100)))
            cancel = 1;
    };
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    auto run = Run(0);
    const std::size_t added = run->AddedFiles.size();
    EXPECT_EQ(added, run->ProcessedFiles.size());
    std::size_t present = 0;
    for (const auto& item : fs::directory_iterator(Root())) {
        EXPECT_FALSE(CFileCopier::IsTemporaryName(item.path().filename().string()));
        ++present;
    }
    EXPECT_EQ(added, present);
    for (std::size_t i = 0; i < added; ++i)
        EXPECT_EQ(Root(Name(static_cast<int>(i))), run->AddedFiles[i].FullPath());
}

// Failures spread over every batch, several of them placed at once: each is
// reported for its own file, in list order, and the others are replaced.
TEST_F(BatchPlacementTest, FailuresOfBatchesPlacedAtOnceAreReportedInListOrder)
{
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "old " + std::to_string(i));
    Run(0);
    for (int i = 0; i < kFiles; ++i)
        Write(Name(i), "new " + std::to_string(i), 1'600'000'100);

    HookedOperations ops;
    ops.afterCopy = [&](const std::string& to) {
        for (int i = 0; i < kFiles; i += 7) {
            if (to == Root(Name(i))) {
                // A folder that is not empty cannot be renamed over.
                fs::remove(to);
                dir.Write("backup/Documents/" + Name(i) + "/in the way", "x");
            }
        }
    };
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    prompter.defaultAnswer = IdIgnore;
    auto run = Run(0);

    std::vector<std::string> expected;
    for (int i = 0; i < kFiles; i += 7)
        expected.push_back("Backup: " + Root(Name(i)));
    ASSERT_EQ(expected.size(), prompter.asked.size());
    for (std::size_t n = 0; n < expected.size(); ++n)
        EXPECT_NE(std::string::npos, prompter.asked[n].text.find(expected[n])) << n;
    EXPECT_EQ(kFiles - static_cast<int>(expected.size()), static_cast<int>(run->UpdatedFiles.size()));
    for (int i = 1; i < kFiles; ++i) {
        if (i % 7 == 0)
            continue;
        EXPECT_EQ("new " + std::to_string(i), TempDir::Read(Root(Name(i)))) << i;
    }
}

// Items removed for good go in the background while folders are made and
// files copied: their failures are still told first and in list order, a
// copy short of room waits for the room they free, and a stop lists only
// what was removed.
#include "engine/EngineFixture.h"
#include "engine/FileOperations.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

using BackgroundRemovalTest = EngineFixture;

// Removal of one path waits until a copy or folder was tried (or a few
// seconds have passed, so that a worker that removes everything first still
// ends), and can fail; a copy or folder can fail or run short of room while
// a given path is still there.
class RacingOperations : public CFileOperations {
public:
    int RemoveTree(const std::string& path) override
    {
        if (path == slowRemoval) {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, std::chrono::seconds(5), [this] { return tried; });
        }
        if (path == failingRemoval)
            return EBUSY;
        const int error = CFileOperations::RemoveTree(path);
        if (path == removalThatStops)
            stop->store(1);
        return error;
    }
    int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected) override
    {
        if (to == shortOfRoom && fs::exists(takingRoom))
            return Tried(ENOSPC);
        if (to == failingCopy)
            return Tried(EIO);
        return CFileOperations::Copy(copier, from, to, failIfExists, security, expected);
    }
    int MakeFolder(const std::string& path) override
    {
        if (path == shortOfRoom && fs::exists(takingRoom))
            return Tried(ENOSPC);
        return CFileOperations::MakeFolder(path);
    }

    std::string slowRemoval, failingRemoval, removalThatStops, failingCopy, shortOfRoom, takingRoom;
    std::atomic<std::int32_t>* stop = nullptr;

private:
    int Tried(int error)
    {
        {
            std::lock_guard lock(mutex);
            tried = true;
        }
        wake.notify_all();
        return error;
    }
    std::mutex mutex;
    std::condition_variable wake;
    bool tried = false;
};

} // namespace

TEST_F(BackgroundRemovalTest, RemovalFailuresAreToldBeforeLaterCopyFailuresInListOrder)
{
    Write("keep.txt", "k");
    Run(0);
    for (const char* name : { "d1.txt", "d2.txt", "d3.txt" })
        dir.Write("backup/Documents/" + std::string(name), "gone");
    Write("new.txt", "n");
    settings.Actions.BackupDelete = 1;
    RacingOperations ops;
    ops.slowRemoval = ops.failingRemoval = Root("d2.txt");
    ops.failingCopy = Root("new.txt");
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    prompter.defaultAnswer = IdIgnore;
    auto run = Run(0);

    ASSERT_EQ(2u, prompter.asked.size());
    EXPECT_NE(std::string::npos, prompter.asked[0].text.find(Root("d2.txt")));
    EXPECT_NE(std::string::npos, prompter.asked[1].text.find("Backup: " + Root("new.txt")));
    const std::string log = LogText();
    EXPECT_LT(log.find("Failed to delete"), log.find("new.txt"));
    ASSERT_EQ(2u, run->DeletedFiles.size());
    EXPECT_EQ(Root("d1.txt"), run->DeletedFiles[0].FullPath());
    EXPECT_EQ(Root("d3.txt"), run->DeletedFiles[1].FullPath());
    EXPECT_TRUE(fs::exists(Root("d2.txt")));
    EXPECT_FALSE(fs::exists(Root("d1.txt")));
    EXPECT_EQ(2, run->FailedItems.load());
}

// A disk filled by what is about to be removed: the copy or folder that
// found no room is made once the removal has freed it, unasked.
TEST_F(BackgroundRemovalTest, CopyOrFolderShortOfRoomIsMadeOnceTheRemovalsAreDone)
{
    for (const std::string target : { "new.txt", "sub" }) {
        SCOPED_TRACE(target);
        fs::remove_all(Src());
        fs::remove_all(Root());
        Write("keep.txt", "k");
        settings.Actions.BackupDelete = 0;
        beforeStart = nullptr;
        Run(0);
        dir.Write("backup/Documents/big.bin", std::string(4096, 'b'));
        Write(target == "sub" ? "sub/in.txt" : target, "new");
        settings.Actions.BackupDelete = 1;
        RacingOperations ops;
        ops.slowRemoval = ops.takingRoom = Root("big.bin");
        ops.shortOfRoom = Root(target);
        beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
        prompter.asked.clear();
        auto run = Run(0);

        EXPECT_TRUE(prompter.asked.empty());
        EXPECT_EQ(0, run->FailedItems.load());
        EXPECT_FALSE(fs::exists(Root("big.bin")));
        ASSERT_EQ(1u, run->DeletedFiles.size());
        EXPECT_EQ("new", TempDir::Read(Root(target == "sub" ? "sub/in.txt" : target)));
        ExpectMirror(Src(), Root());
    }
}

// Removed files go together, then folders one by one: a stop while a folder
// goes keeps the folders after it, which are not listed as deleted.
TEST_F(BackgroundRemovalTest, StopWhileRemovingListsOnlyWhatWasRemoved)
{
    Write("keep.txt", "k");
    Run(0);
    for (const char* folder : { "f1", "f2", "f3" })
        dir.Write("backup/Documents/" + std::string(folder) + "/x.txt", "gone");
    Write("new.txt", "n");
    settings.Actions.BackupDelete = 1;
    RacingOperations ops;
    ops.removalThatStops = Root("f1");
    ops.stop = &cancel;
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    auto run = Run(0);

    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(3u, run->DeletedFiles.size());
    ASSERT_EQ(1u, run->DeletedFolders.size());
    EXPECT_EQ(Root("f1"), run->DeletedFolders[0].FullPath());
    EXPECT_FALSE(fs::exists(Root("f1")));
    EXPECT_TRUE(fs::exists(Root("f2")));
    EXPECT_TRUE(fs::exists(Root("f3")));
}

namespace {

// Tells whether the worker removed the replaced folder while an item inside
// it was still being removed in the background. That removal waits until a
// file listed before the folder was copied, so that the worker has reached
// the file phase.
class OverlapOperations : public CFileOperations {
public:
    int RemoveTree(const std::string& path) override
    {
        if (path == replaced)
            overlapped = !insideRemoved.load();
        if (path != inside)
            return CFileOperations::RemoveTree(path);
        {
            std::unique_lock lock(mutex);
            wake.wait_for(lock, std::chrono::seconds(5), [this] { return copiedBefore; });
        }
        const int error = CFileOperations::RemoveTree(path);
        insideRemoved = true;
        return error;
    }
    int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected) override
    {
        const int error = CFileOperations::Copy(copier, from, to, failIfExists, security, expected);
        if (to == before) {
            std::lock_guard lock(mutex);
            copiedBefore = true;
            wake.notify_all();
        }
        return error;
    }

    std::string inside, replaced, before;
    std::atomic<bool> overlapped { false };

private:
    std::atomic<bool> insideRemoved { false };
    std::mutex mutex;
    std::condition_variable wake;
    bool copiedBefore = false;
};

} // namespace

// A backup folder whose source became a file goes whole when the file is
// copied: the items inside it that were being removed in the background must
// be gone by then, or both would remove the same items at once and report
// each other's removals as failures.
TEST_F(BackgroundRemovalTest, FolderReplacedByAFileWaitsForTheRemovalsInsideIt)
{
    Write("keep.txt", "k");
    Write("x/old.txt", "old");
    Run(0);
    fs::remove_all(Src("x"));
    Write("aaa.txt", "first");
    Write("x", "now a file");
    settings.Actions.BackupDelete = 1;
    OverlapOperations ops;
    ops.inside = Root("x/old.txt");
    ops.replaced = Root("x");
    ops.before = Root("aaa.txt");
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    auto run = Run(0);

    EXPECT_FALSE(ops.overlapped.load());
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_EQ("now a file", TempDir::Read(Root("x")));
    ExpectMirror(Src(), Root());
}

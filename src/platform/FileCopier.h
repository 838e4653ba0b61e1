#pragma once

#include "platform/FileFindData.h"
#include "platform/StagedCopy.h"
#include "platform/fs/HardLinks.h"
#include "platform/fs/ItemAt.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CFileSecurity;

// Copies one file the way the backup needs it: contents (reflink, then
// copy_file_range, then read/write; only the data regions of a sparse file),
// mode bits and the access and modification times; symbolic links are copied
// as links and never followed.
//
// Every copy is written to a temporary file beside the target and renamed to
// the real name only when complete (a new file without replacing anything
// that appeared meanwhile), so the real name never holds a torn file, even
// after a kill or a crash. A replacement is flushed to disk before the
// rename, so the old file stays until the new one is durable.
//
// With batching on, complete replacements wait under their locked temporary
// names until PlaceReplacements, which makes the whole batch durable in one
// pass and then renames it: durability is paid per batch, not per file.
//
// Temporary names are short (".~kv" and eight hex digits) so that a path
// close to the length limit can still be replaced. The writer holds a lock
// on its temporary file; one that nobody holds is a leftover of a killed run
// and may be removed (RemoveIfStale).
class CFileCopier {
public:
    CFileCopier();
    // Replacements still waiting are dropped: their targets keep the old files.
    ~CFileCopier();
    CFileCopier(const CFileCopier&) = delete;
    CFileCopier& operator=(const CFileCopier&) = delete;

    // 0 on success, else an errno value. failIfExists: EEXIST when anything
    // is at `to`. An existing target without the owner's write bit fails with
    // EACCES, as a read-only file does (root would otherwise ignore the bit),
    // unless read-only targets may be replaced. Sockets, FIFOs and devices
    // are not copied (EOPNOTSUPP). ECANCELED when the cancel flag was set
    // during the copy; nothing is left behind then.
    // security, when given, goes onto the copy before it takes the real
    // name; when it cannot be written the copy is still put in place and the
    // error returned.
    int Copy(
        const std::string& from, const std::string& to, bool failIfExists, const CFileSecurity* security = nullptr);
    // The same between items reached through their open folders, which is
    // how a run copies: neither name is followed when a link, and no path
    // is looked up again. expected is the kind the scan saw (Regular or
    // Link, Other for a FIFO, socket or device node): another kind of item
    // in its place is left alone, kItemChanged. FIFOs are made again, device
    // nodes where the system allows it; the rest is kSkippedSpecial.
    // A file that kept changing while it was read is placed without the
    // source's time and gives kChangedDuringCopy.
    int CopyAt(
        const ItemAt& from, const ItemAt& to, bool failIfExists, const CFileSecurity* security, FileKind expected);

    // Replacements wait for PlaceReplacements instead of being made durable
    // and renamed one by one. Turning batching off places nothing: call
    // PlaceReplacements first.
    void SetBatchReplacements(bool batch) { m_batch = batch; }
    std::size_t WaitingCount() const { return m_waiting.size(); }
    // The batch holds as many files or bytes as it should before placing.
    bool BatchFull() const;
    // Makes every waiting replacement durable, then renames it over its
    // target, in the order they were copied; placed(from, to, error) is told
    // of each (0, or the errno that left the old file in place).
    void PlaceReplacements(
        const std::function<void(const std::string& from, const std::string& to, int error)>& placed);
    // Hands the waiting replacements over, in the order they were copied, to
    // be placed elsewhere (another copier's batch, a placing thread).
    std::vector<CStagedCopy> TakeWaiting();
    // Adds a replacement staged by another copier to this one's batch.
    void AddWaiting(CStagedCopy staged);
    std::size_t BatchFiles() const { return m_batchFiles; }

    // Files with several names: their later names become links to the
    // first one's copy. Shared by the copiers of one run.
    void SetHardLinks(CHardLinks* links) { m_links = links; }
    CHardLinks* HardLinks() const { return m_links; }

    // Polled between chunks, so a stop does not wait for a large file.
    void SetCancelFlag(const std::atomic<std::int32_t>* cancel) { m_cancel = cancel; }
    // A backup replaces its own read-only copies: replacing renames over the
    // old file, which needs no write bit on it.
    void SetReplaceReadOnly(bool replace) { m_replaceReadOnly = replace; }
    bool ReplacesReadOnly() const { return m_replaceReadOnly; }

    // True for the names this class gives its temporary files (and the
    // longer ones earlier versions gave).
    static bool IsTemporaryName(std::string_view name);
    // Removes the temporary file `name` of the open folder folderFd unless a
    // copy is still writing it. 0, EBUSY when in use, or an errno value.
    static int RemoveIfStale(int folderFd, const std::string& name);

    // Test hooks: fail the next data transfer after this many bytes with EIO
    // (negative: never); call `hook` before every chunk of data.
    void FailAfterBytes(std::int64_t bytes) { m_failAfter = bytes; }
    void OnChunk(std::function<void()> hook) { m_onChunk = std::move(hook); }
    // Test hook: new copies go under a temporary name, as where the file
    // system cannot make a file without a name.
    void UseUnnamedFiles(bool use) { m_noUnnamed = !use; }
    bool Hooked() const { return m_failAfter >= 0 || static_cast<bool>(m_onChunk); }

private:
    int CopyRegular(const ItemAt& from, int sourceFd, const ItemAt& to, bool failIfExists, const struct stat& looked,
        const CFileSecurity* security);
    int CopyRegularOnce(const ItemAt& from, int sourceFd, const ItemAt& to, bool failIfExists,
        const struct stat& looked, const CFileSecurity* security);
    int CopyLink(const ItemAt& from, const ItemAt& to, bool failIfExists, const CFileSecurity* security);
    int CopySpecial(const ItemAt& from, const ItemAt& to, bool failIfExists, bool withOwner);
    int CheckReplaceable(const ItemAt& to, bool& exists) const;
    int WriteContents(int sourceFd, int targetFd, const struct stat& st);
    int CopyRegions(int sourceFd, int targetFd, const struct stat& st);
    int CopyRegion(int sourceFd, int targetFd, std::uint64_t offset, std::uint64_t length);
    int CopyRange(int sourceFd, int targetFd, std::uint64_t& offset, std::uint64_t end);
    int CopyBuffered(int sourceFd, int targetFd, std::uint64_t& offset, std::uint64_t end);
    int NextChunk(std::uint64_t wanted, std::size_t& chunk);
    int FinishFile(int targetFd, const struct stat& st, bool withTimes);
    int LinkToCopy(const CHardLinks::Copy& first, const ItemAt& to, bool exists) const;

    std::vector<CStagedCopy> m_waiting;
    std::uint64_t m_waitingBytes = 0;
    std::size_t m_batchFiles;
    bool m_batch = false;

    // Devices where a reflink was refused: not tried again there.
    std::vector<std::uint64_t> m_noReflink;
    bool m_noCopyRange = false;
    // New copies cannot be named from a file without a name here.
    bool m_noUnnamed = false;
    bool m_replaceReadOnly = false;
    std::vector<char> m_buffer;
    const std::atomic<std::int32_t>* m_cancel = nullptr;
    CHardLinks* m_links = nullptr;
    std::int64_t m_failAfter = -1;
    std::uint64_t m_done = 0; // bytes of the current copy, for the test hook
    std::function<void()> m_onChunk;
    std::uint32_t m_effectiveUid;
};

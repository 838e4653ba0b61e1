#include "scan/FileRecord.h"

#include "common/TempDir.h"
#include "scan/CompareFiles.h"
#include "scan/Crc32.h"
#include "scan/FileRecordArray.h"

#include <array>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

namespace {

constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ULL;

void SetModified(const std::string& path, std::time_t seconds, long nanoseconds = 0)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

CFileRecord RecordOf(const std::string& path)
{
    CFileRecord record;
    EXPECT_TRUE(record.SetFromPath(path));
    return record;
}

// The checksum as the program computed it before it used zlib: the IEEE
// 802.3 table walked one byte at a time, on the same register.
std::uint32_t TableCrc(std::uint32_t crc, const std::string& bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t {};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320U : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    for (const char ch : bytes)
        crc = (crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF];
    return crc;
}

std::string RandomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

} // namespace

TEST(FileRecord, InitialValues)
{
    CFileRecord record;
    EXPECT_EQ(record.Attributes, 0xFFFFFFFFu);
    EXPECT_EQ(record.LastWriteTime, 0x019DB1E73702E800ULL);
    EXPECT_EQ(record.GetLastWriteTime(), 3600);
    EXPECT_FALSE(record.IsFolder());
    // A list holds one per file: a handle of the shared folder, where the
    // name lies in it and the fields, with no padding between them.
    EXPECT_EQ(sizeof(CFileRecord), 64u);
    EXPECT_EQ(record.CrcOffset, 0u);
    EXPECT_FALSE(record.CrcComplete);
}

TEST(FileRecord, SetFromPathKeepsRecordWhenNotFound)
{
    TempDir dir;
    const std::string path = dir.Write("sub/name.ext", "abc");
    CFileRecord record = RecordOf(path);
    EXPECT_EQ(record.Path, path);
    EXPECT_EQ(record.GetFileName(), "name.ext");
    EXPECT_EQ(record.Size, 3u);
    EXPECT_FALSE(record.SetFromPath(dir / "missing"));
    EXPECT_FALSE(record.SetFromPath(dir / "sub/"));
    EXPECT_EQ(record.Path, path);
    EXPECT_TRUE(record.SetFromPath(dir / "sub"));
    EXPECT_TRUE(record.IsFolder());

    CFileRecordArray array;
    array.AddPath(path, 4);
    array.AddPath(dir / "missing", 4);
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[0].Path, "");
    EXPECT_EQ(array[0].Attributes, 0xFFFFFFFFu);
    EXPECT_EQ(array[1].Path, path);
}

TEST(FileRecord, LastWriteTimeLimits)
{
    CFileRecord record;
    record.LastWriteTime = kUnixEpochFileTime + 15'000'000ULL; // 1.5 s: whole seconds, rounded down
    EXPECT_EQ(record.GetLastWriteTime(), 1);
    record.LastWriteTime = CFileRecord::kLatestFileTime;
    EXPECT_EQ(record.GetLastWriteTime(), 32503683600);
    record.LastWriteTime = CFileRecord::kLatestFileTime + 1;
    EXPECT_EQ(record.GetLastWriteTime(), 0);
    record.LastWriteTime = 0; // 1601
    EXPECT_EQ(record.GetLastWriteTime(), 0);
    // Not moved by the zone: the value is an instant.
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    record.LastWriteTime = kUnixEpochFileTime + 1'720'000'000ULL * 10'000'000ULL;
    EXPECT_EQ(record.GetLastWriteTime(), 1'720'000'000);
    unsetenv("TZ");
    tzset();
}

TEST(FileRecord, CrcMatchesTheStandardCheckValueAndIsCached)
{
    EXPECT_EQ(~CCrc32::Update(CCrc32::kPreset, "123456789", 9), 0xCBF43926u);
    TempDir dir;
    std::string big(100000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + 3);
    const std::string path = dir.Write("big", big);
    CFileRecord record = RecordOf(path);
    const std::uint32_t expected = ~CCrc32::Update(CCrc32::kPreset, big.data(), big.size());
    EXPECT_EQ(record.GetCrc(), expected);
    EXPECT_TRUE(record.CrcComplete);
    EXPECT_EQ(record.CrcOffset, big.size());
    // Cached: the file is no longer read.
    std::filesystem::remove(path);
    EXPECT_EQ(record.GetCrc(), expected);
}

TEST(Crc32, GivesThePublishedCheckValues)
{
    const auto crc = [](const std::string& text) { return ~CCrc32::Update(CCrc32::kPreset, text.data(), text.size()); };
    EXPECT_EQ(crc(""), 0x00000000u);
    EXPECT_EQ(crc("a"), 0xE8B7BE43u);
    EXPECT_EQ(crc("abc"), 0x352441C2u);
    EXPECT_EQ(crc("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    EXPECT_EQ(crc(std::string(32, '\0')), 0x190A55ADu);
    EXPECT_EQ(crc(std::string(32, '\xff')), 0xFF6CAB0Bu);
}

// Any length and any cut into pieces: the register carried from piece to
// piece ends where the one-byte table walk ends.
TEST(Crc32, MatchesTheTableWalkOverPiecesOfEveryLength)
{
    std::mt19937 random(5);
    for (std::size_t length = 0; length < 3000; length += length < 80 ? 1 : 97) {
        const std::string bytes = RandomBytes(random, length);
        std::uint32_t crc = CCrc32::kPreset;
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece = std::min<std::size_t>(length - at, random() % 300);
            crc = CCrc32::Update(crc, bytes.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(crc, TableCrc(CCrc32::kPreset, bytes)) << length;
        // A register that is not the preset carries on the same way.
        ASSERT_EQ(CCrc32::Update(0x12345678u, bytes.data(), length), TableCrc(0x12345678u, bytes)) << length;
    }
}

TEST(FileRecord, CrcOfEmptyAndUnreadableFiles)
{
    TempDir dir;
    CFileRecord empty = RecordOf(dir.Write("empty", ""));
    EXPECT_EQ(empty.GetCrc(), 0u);
    EXPECT_EQ(empty.GetCrc(), 0u);

    CFileRecord gone = RecordOf(dir.Write("gone", "data"));
    std::filesystem::remove(gone.FullPath());
    EXPECT_EQ(gone.GetCrc(), 0xFFFFFFFFu);
    EXPECT_FALSE(gone.CrcComplete);
}

TEST(FileRecord, CrcOfAFileThatGrewIsNotFinal)
{
    TempDir dir;
    CFileRecord record = RecordOf(dir.Write("f", "abc"));
    dir.Write("f", "abcdef");
    record.GetCrc();
    EXPECT_FALSE(record.CrcComplete);
}

TEST(FileRecord, ReusedRecordStartsAFreshChecksum)
{
    TempDir dir;
    const std::string a = dir.Write("a", "first");
    const std::string b = dir.Write("b", "second");
    CFileRecord record = RecordOf(a);
    record.GetCrc();
    ASSERT_TRUE(record.SetFromPath(b));
    EXPECT_EQ(record.GetCrc(), ~CCrc32::Update(CCrc32::kPreset, "second", 6));
}

TEST(CompareFiles, SizeAndTimeWithinThreeSeconds)
{
    TempDir dir;
    const std::string from = dir.Write("from", "12345");
    const std::string to = dir.Write("to", "12345");
    const std::time_t base = 1'700'000'000;
    SetModified(to, base);

    const struct {
        std::time_t FromTime;
        int Expected;
    } cases[] = { { base, 0 }, { base + 2, 0 }, { base - 2, 0 }, { base + 3, -1 }, { base - 3, -1 }, { base - 4, 1 } };
    for (const auto& c : cases) {
        SetModified(from, c.FromTime);
        CFileRecord record = RecordOf(from);
        EXPECT_EQ(CompareFiles(record, to, kCompareSizeAndTime), c.Expected) << c.FromTime - base;
    }
    dir.Write("to", "123456");
    SetModified(to, base);
    SetModified(from, base);
    CFileRecord record = RecordOf(from);
    EXPECT_EQ(CompareFiles(record, to, kCompareSizeAndTime), -1);
}

TEST(CompareFiles, CrcModeComparesContentButNewerTargetComesFirst)
{
    TempDir dir;
    const std::string from = dir.Write("from", "same");
    const std::string to = dir.Write("to", "same");
    SetModified(from, 1'700'000'000);
    SetModified(to, 1'600'000'000);
    CFileRecord record = RecordOf(from);
    EXPECT_EQ(CompareFiles(record, to, kCompareCrc32), 0);
    dir.Write("to", "diff");
    SetModified(to, 1'600'000'000);
    EXPECT_EQ(CompareFiles(record, to, kCompareCrc32), -1);

    // A target newer by more than 3 seconds wins before any checksum is read.
    SetModified(to, 1'700'000'004);
    CFileRecord fresh = RecordOf(from);
    EXPECT_EQ(CompareFiles(fresh, to, kCompareCrc32), 1);
    EXPECT_EQ(fresh.CrcOffset, 0u);
    EXPECT_FALSE(fresh.CrcComplete);
}

TEST(CompareFiles, UnreadableFilesNeverCountAsTheSame)
{
    TempDir dir;
    // Folders stand in for files that cannot be read: both checksums would
    // be the preset register.
    std::filesystem::create_directory(dir / "from");
    std::filesystem::create_directory(dir / "to");
    SetModified(dir / "from", 1'700'000'000);
    SetModified(dir / "to", 1'700'000'000);
    CFileRecord record = RecordOf(dir / "from");
    record.Size = 10;
    EXPECT_EQ(CompareFiles(record, dir / "to", kCompareCrc32), -1);
    // Of the same listed size, small and large (read on two threads).
    for (const std::uint64_t size : { 10ULL, 4ULL << 20 }) {
        CFileRecord from = RecordOf(dir / "from");
        CFileRecord to = RecordOf(dir / "to");
        from.Size = to.Size = size;
        EXPECT_EQ(CompareFiles(from, to, kCompareCrc32), -1) << size;
        EXPECT_FALSE(from.CrcComplete);
    }
}

// Large pairs are read on two threads; the results are those of reading
// one after the other, and a size difference settles it unread.
TEST(CompareFiles, CrcModeOnLargeFilesMatchesTheTableWalk)
{
    TempDir dir;
    std::mt19937 random(9);
    const std::string content = RandomBytes(random, (3u << 20) + 12345);
    std::string changed = content;
    changed[changed.size() - 1] ^= 1;
    const std::string from = dir.Write("from", content);
    dir.Write("same", content);
    dir.Write("changed", changed);
    dir.Write("longer", content + "x");
    for (const char* name : { "from", "same", "changed", "longer" })
        SetModified(dir / name, 1'700'000'000);

    CFileRecord source = RecordOf(from);
    CFileRecord same = RecordOf(dir / "same");
    EXPECT_EQ(CompareFiles(source, same, kCompareCrc32), 0);
    EXPECT_TRUE(source.CrcComplete && same.CrcComplete);
    EXPECT_EQ(source.Crc, ~TableCrc(CCrc32::kPreset, content));
    EXPECT_EQ(same.Crc, source.Crc);

    CFileRecord fresh = RecordOf(from);
    CFileRecord other = RecordOf(dir / "changed");
    EXPECT_EQ(CompareFiles(fresh, other, kCompareCrc32), -1);
    EXPECT_EQ(other.Crc, ~TableCrc(CCrc32::kPreset, changed));
    EXPECT_EQ(fresh.Crc, source.Crc);

    CFileRecord unread = RecordOf(from);
    CFileRecord longer = RecordOf(dir / "longer");
    EXPECT_EQ(CompareFiles(unread, longer, kCompareCrc32), -1);
    EXPECT_EQ(unread.CrcOffset, 0u);
    EXPECT_EQ(longer.CrcOffset, 0u);
}

TEST(CompareFiles, ExactTimesSeeEditsWithinSecondsAtThePrecisionBothSidesKeep)
{
    TempDir dir;
    const std::string from = dir.Write("from", "12345");
    const std::string to = dir.Write("to", "12345");
    const std::time_t base = 1'700'000'000;
    const struct {
        std::time_t FromSeconds;
        long FromNanoseconds;
        std::time_t ToSeconds;
        long ToNanoseconds;
        int Expected;
        int WithTolerance;
    } cases[] = {
        { base, 123456789, base, 123456789, 0, 0 }, // a copy keeps the time
        { base + 1, 500000000, base, 500000000, -1, 0 }, // rewritten a second later
        { base, 500000000, base, 400000000, -1, 0 }, // or a tenth of a second later
        { base, 123456789, base, 0, 0, 0 }, // the copy's side keeps whole seconds
        { base, 123456789, base, 123456000, 0, 0 }, // or microseconds
        { base + 1, 123456789, base, 0, -1, 0 }, // a later second all the same
        { base, 123456789, base + 1, 0, 1, 0 }, // the copy is newer
        { base, 100, base, 200, 1, 0 },
    };
    for (const auto& c : cases) {
        SetModified(from, c.FromSeconds, c.FromNanoseconds);
        SetModified(to, c.ToSeconds, c.ToNanoseconds);
        CFileRecord record = RecordOf(from);
        const std::string what = std::to_string(c.FromSeconds - base) + "." + std::to_string(c.FromNanoseconds)
            + " against " + std::to_string(c.ToSeconds - base) + "." + std::to_string(c.ToNanoseconds);
        EXPECT_EQ(CompareFiles(record, to, kCompareSizeAndTime, TimeRule::Exact), c.Expected) << what;
        EXPECT_EQ(CompareFiles(record, to, kCompareSizeAndTime, TimeRule::TwoSecondSteps), c.WithTolerance) << what;
    }
    // By checksum, a newer copy still wins before anything is read.
    SetModified(from, base, 500);
    SetModified(to, base, 600);
    CFileRecord record = RecordOf(from);
    EXPECT_EQ(CompareFiles(record, to, kCompareCrc32, TimeRule::Exact), 1);
    EXPECT_EQ(record.CrcOffset, 0u);
}

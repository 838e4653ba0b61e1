#include "common/TempDir.h"
#include "scan/FileRecordArray.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <thread>

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

// Bytes around '/' (0x2F) and '.', a bytes of a two-byte UTF-8 letter and
// 0xFF, so that a folder boundary meets every kind of neighbour.
std::string RandomName(std::mt19937& random)
{
    static const std::string alphabet = std::string(".-0aZ_ ") + "\xC3\xA9\xFF";
    std::uniform_int_distribution<int> shape(0, 9);
    const int kind = shape(random);
    const std::size_t length = kind == 0 ? 40 + random() % 21 : 1 + random() % 4; // some past the inline bytes
    std::string name;
    for (std::size_t i = 0; i < length; ++i)
        name += alphabet[random() % alphabet.size()];
    return name;
}

struct Sample {
    std::string root; // ends in '/'
    std::string folder; // below root, each part ending in '/', may be empty
    std::string name;
    std::string Relative() const { return folder + name; }
    std::string Whole() const { return root + folder + name; }
};

std::vector<Sample> RandomSamples(std::mt19937& random, std::size_t count)
{
    std::vector<std::string> folders = { "" };
    std::vector<Sample> samples;
    for (std::size_t i = 0; i < count; ++i) {
        Sample sample;
        sample.root = random() % 4 ? "/data/" : "/data/x/"; // a root that prefixes another
        sample.folder = folders[random() % folders.size()];
        sample.name = RandomName(random);
        if (random() % 3 == 0 && !samples.empty()) // a prefix or an extension of an earlier name
            sample.name = samples.back().name.substr(0, 1 + random() % samples.back().name.size())
                + (random() % 2 ? "" : RandomName(random));
        if (random() % 4 == 0)
            folders.push_back(sample.folder + sample.name + "/");
        samples.push_back(sample);
    }
    return samples;
}

// Records of the samples, those of one folder sharing one folder object.
std::vector<CFileRecord> RecordsOf(const std::vector<Sample>& samples)
{
    std::map<std::string, CSharedFolder::Ref> shared;
    std::vector<CFileRecord> records;
    for (const Sample& sample : samples) {
        CSharedFolder::Ref& folder = shared[sample.root + sample.folder];
        if (!folder)
            folder = CSharedFolder::Make(sample.root + sample.folder, sample.root.size());
        records.emplace_back().Path.Assign(folder, sample.name);
    }
    return records;
}

} // namespace

TEST(RecordPath, OrdersAsThePlainTextOfTheWholePaths)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 20; ++round) {
        const std::vector<Sample> samples = RandomSamples(random, 60);
        const std::vector<CFileRecord> records = RecordsOf(samples);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const CRecordPath& a = records[i].Path;
            ASSERT_EQ(a.str(), samples[i].Relative());
            ASSERT_EQ(a.size(), samples[i].Relative().size());
            ASSERT_EQ(records[i].FullPath(), samples[i].Whole());
            for (std::size_t j = 0; j < samples.size(); ++j) {
                const CRecordPath& b = records[j].Path;
                const std::string& relative = samples[j].Relative();
                ASSERT_EQ(Sign(a.compare(b)), Sign(samples[i].Relative().compare(relative))) << a << " against " << b;
                ASSERT_EQ(Sign(a.compare(relative)), Sign(samples[i].Relative().compare(relative)));
                ASSERT_EQ(Sign(a.CompareWhole(b)), Sign(samples[i].Whole().compare(samples[j].Whole())));
                ASSERT_EQ(a == b, samples[i].Relative() == relative);
            }
        }
    }
}

TEST(RecordPath, ListsOfSharedPathsSortAndSearchAsPlainOnes)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<Sample> samples = RandomSamples(random, 200);
        for (Sample& sample : samples)
            sample.root = "/top/"; // one scanned list
        CFileRecordArray shared;
        CFileRecordArray plain;
        for (CFileRecord& record : RecordsOf(samples))
            shared.push_back(std::move(record));
        for (const Sample& sample : samples)
            plain.emplace_back().Path = sample.Relative();
        shared.SortAppended(0, CFileRecordArray::kByPath);
        plain.SortAppended(0, CFileRecordArray::kByPath);
        ASSERT_EQ(shared.size(), plain.size());
        for (std::size_t i = 0; i < shared.size(); ++i)
            ASSERT_EQ(shared[i].Path.str(), plain[i].Path.str());
        for (const Sample& sample : samples) {
            const std::string key = sample.Relative() + (random() % 2 ? "" : "\x01");
            ASSERT_EQ(shared.FindSorted(key), plain.FindSorted(key)) << key;
        }
    }
}

TEST(RecordPath, RecordsOfTheSameFolderAndTheTopFolder)
{
    const CSharedFolder::Ref top = CSharedFolder::Make("/r/", 3);
    const CSharedFolder::Ref sub = CSharedFolder::Make("/r/sub/", 3);
    CFileRecord a, b, c;
    a.Path.Assign(top, "b.txt");
    b.Path.Assign(top, "sub");
    c.Path.Assign(sub, "a.txt");
    EXPECT_EQ(a.Path.FolderBelowRoot(), "");
    EXPECT_EQ(a.Path, "b.txt");
    EXPECT_EQ(a.FullPath(), "/r/b.txt");
    EXPECT_EQ(a.GetFileName(), "b.txt");
    EXPECT_EQ(c.Path, "sub/a.txt");
    EXPECT_EQ(c.FullPath(), "/r/sub/a.txt");
    EXPECT_EQ(c.GetFileName(), "a.txt");
    EXPECT_LT(a.Path, b.Path);
    EXPECT_LT(b.Path, c.Path); // "sub" < "sub/a.txt"
    EXPECT_GT(c.Path, "sub.");
    EXPECT_LT(c.Path, "sub0");

    // A path given as text is held whole and compares as such.
    CFileRecord whole;
    whole.Path = "sub/a.txt";
    EXPECT_FALSE(whole.Path.Shared());
    EXPECT_EQ(whole.Path, c.Path);
    EXPECT_EQ(whole.GetFileName(), "a.txt");
    c.Path = "/elsewhere/x"; // assigning text lets go of the folder
    EXPECT_EQ(c.FullPath(), "/elsewhere/x");
}

TEST(RecordPath, ShareBelowSharesTheFolderOfPathsMadeOneAfterAnother)
{
    CSharedFolder::Ref recent;
    CFileRecord a, b, c, outside;
    a.Path = "/b/k/x/1";
    b.Path = "/b/k/x/2";
    c.Path = "/b/k/3";
    outside.Path = "/bk/4";
    EXPECT_TRUE(a.Path.ShareBelow("/b/k/", recent));
    EXPECT_TRUE(b.Path.ShareBelow("/b/k/", recent));
    EXPECT_EQ(a.Path.Shared().get(), b.Path.Shared().get());
    EXPECT_TRUE(c.Path.ShareBelow("/b/k/", recent));
    EXPECT_NE(c.Path.Shared().get(), b.Path.Shared().get());
    EXPECT_FALSE(outside.Path.ShareBelow("/b/k/", recent));
    EXPECT_FALSE(a.Path.ShareBelow("/b/k/", recent)); // already shared
    EXPECT_EQ(a.Path, "x/1");
    EXPECT_EQ(b.FullPath(), "/b/k/x/2");
    EXPECT_EQ(c.Path, "3");
    EXPECT_EQ(c.Path.Root(), "/b/k/");
    EXPECT_EQ(outside.Path, "/bk/4");
}

TEST(RecordPath, CopiesKeepTheirWholePathAfterTheListIsGone)
{
    TempDir dir;
    for (const char* name : { "a.txt", "sub/b.txt", "sub/deeper/a folder name far longer than fifteen bytes.txt" })
        dir.Write(name, "x");
    CFileRecordArray kept;
    {
        auto list = std::make_unique<CFileRecordArray>();
        list->ScanFolder(dir.Path(), "", "*", "", true, 4, true, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
        ASSERT_EQ(list->size(), 5u);
        // The summary's lists are filled and emptied on other threads than
        // the scan's: the folder's count is shared between them.
        std::thread other([&] {
            for (const CFileRecord& record : *list)
                kept.AddSorted(record, CFileRecordArray::kByPathDescending);
        });
        other.join();
        std::thread drop([&] { list.reset(); });
        drop.join();
    }
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_EQ(kept[0].Path, "sub/deeper/a folder name far longer than fifteen bytes.txt");
    EXPECT_EQ(kept[0].FullPath(), dir.Path() + "/sub/deeper/a folder name far longer than fifteen bytes.txt");
    EXPECT_EQ(kept[4].FullPath(), dir.Path() + "/a.txt");
    EXPECT_EQ(kept[4].Path.Root(), dir.Path() + "/");
}

TEST(RecordPath, AScanPastOneBlockOfRecordsKeepsEveryRecordInOrder)
{
    TempDir dir;
    std::vector<std::string> expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "f" + std::to_string(i * 7919 % 5000);
        std::ofstream(dir / name).put('x');
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    CFileRecordArray list;
    list.emplace_back().Path = "/kept before the scan";
    EXPECT_EQ(list.ScanFolder(dir.Path(), "", "*", "", false, 0, false, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
        5000u);
    ASSERT_EQ(list.size(), 5001u);
    EXPECT_EQ(list[0].Path, "/kept before the scan");
    list.erase(list.begin());
    list.SortAppended(0, CFileRecordArray::kByPath);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(list[i].Path, expected[i]);
}

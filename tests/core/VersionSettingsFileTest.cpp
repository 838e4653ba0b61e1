// The version settings of a set in the session file: stored only when they
// differ from the defaults, read back whole, hostile values bounded.
#include "Sessions.h"
#include "common/TempDir.h"
#include "core/SessionFile.h"
#include "core/VersionSettings.h"

#include <gtest/gtest.h>

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(KORVANE_TEST_DATA) + "/sessions/" + name;
}

// Opens the document (CR LF lines, no declaration) as a session file.
CVersionSettings Loaded(const std::string& versionsElement)
{
    const std::string document = "<SESSION version=\"003\">\n<ACTIVESET>0</ACTIVESET>\n<SET>\n<NAME>N</NAME>\n"
                                 "<SCHEDULER><ACTIVE>1</ACTIVE></SCHEDULER>\n"
        + versionsElement + "\n</SET>\n<SET><NAME>After</NAME></SET>\n</SESSION>\n";
    TempDir dir;
    const std::string path = dir.Write("hostile.kvf", CSessionFile::ToDiskBytes(document));
    Sessions s;
    EXPECT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    EXPECT_EQ(s.working.Sets.size(), 2u);
    // The element never disturbs the sets around it.
    EXPECT_EQ(s.working.Sets.back().Name, "After");
    EXPECT_EQ(s.working.Sets.front().Schedule.Active, 1);
    return s.working.Sets.front().Versions;
}

CVersionSettings Make(int active, int keep, int days, int thinDays, int thinWeeks, int thinMonths, int mass)
{
    CVersionSettings v;
    v.Active = active;
    v.Keep = keep;
    v.Days = days;
    v.ThinDays = thinDays;
    v.ThinWeeks = thinWeeks;
    v.ThinMonths = thinMonths;
    v.MassChange = mass;
    return v;
}

TEST(VersionSettingsFile, TheElementFollowsTheSchedulerOneElementALineAndSavesBackByteForByte)
{
    TempDir dir;
    Sessions s;
    const std::string path = Fixture("versions003.kvf");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 2u);
    EXPECT_EQ(s.working.Sets[0].Versions, Make(1, 3, 90, 7, 0, 12, 0));
    EXPECT_TRUE(s.working.Sets[1].Versions.IsDefault());
    s.working.FileName = dir / "again.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    const std::string bytes = TempDir::Read(dir / "again.kvf");
    EXPECT_EQ(bytes, TempDir::Read(path));
    EXPECT_NE(bytes.find("</SCHEDULER>\r\r\n<VERSIONS>\r\r\n<ACTIVE>1</ACTIVE>\r\r\n<KEEP>3</KEEP>\r\r\n<DAYS>90</DAYS>"
                         "\r\r\n<THIN>7,0,12</THIN>\r\r\n<MASSCHANGE>0</MASSCHANGE>\r\r\n</VERSIONS>\r\r\n</SET>"),
        std::string::npos);
}

TEST(VersionSettingsFile, DefaultsWriteNothingAndOlderFilesStayAsTheyWere)
{
    CSession session;
    session.Sets.emplace_back().Name = "Defaults";
    EXPECT_EQ(CSessionFile::BuildDocument(session).find("VERSIONS"), std::string::npos);
    // Any one value off its default writes all five.
    session.Sets[0].Versions.MassChange = 0;
    EXPECT_NE(CSessionFile::BuildDocument(session).find("<ACTIVE>0</ACTIVE>\r\n<KEEP>10</KEEP>\r\n<DAYS>0</DAYS>\r\n"
                                                        "<THIN>7,5,12</THIN>\r\n<MASSCHANGE>0</MASSCHANGE>"),
        std::string::npos);

    TempDir dir;
    Sessions s;
    const std::string older = Fixture("written003.kvf");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &older), 0);
    EXPECT_TRUE(s.working.Sets.at(0).Versions.IsDefault());
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    s.working.FileName = dir / "older.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_EQ(TempDir::Read(dir / "older.kvf"), TempDir::Read(older));
    // Text-format sets come without the element, so with the defaults.
    Sessions text;
    const std::string version2 = Fixture("version2.kvf");
    ASSERT_EQ(text.working.OpenSession(text.prompter, &version2), 0);
    for (const CSet& set : text.working.Sets)
        EXPECT_TRUE(set.Versions.IsDefault());
}

TEST(VersionSettingsFile, ChangingTheSettingsIsAnUnsavedChange)
{
    Sessions s;
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    s.working.Sets[0].Versions.Keep = 4;
    EXPECT_TRUE(s.working.HasUnsavedChanges());
    CSet copy = s.working.Sets[0];
    EXPECT_EQ(copy.Versions.Keep, 4);
}

TEST(VersionSettingsFile, MissingChildrenTakeTheirDefaultsNotTheTextBeforeThem)
{
    EXPECT_EQ(Loaded("<VERSIONS><ACTIVE>1</ACTIVE></VERSIONS>"), Make(1, 10, 0, 7, 5, 12, 50));
    EXPECT_EQ(Loaded("<VERSIONS><MASSCHANGE>5</MASSCHANGE><DAYS>3</DAYS><ACTIVE>1</ACTIVE></VERSIONS>"),
        Make(1, 10, 3, 7, 5, 12, 5));
    EXPECT_TRUE(Loaded("<VERSIONS/>").IsDefault());
    EXPECT_TRUE(Loaded("<VERSIONS>text only</VERSIONS>").IsDefault());
    EXPECT_TRUE(Loaded("").IsDefault());
}

TEST(VersionSettingsFile, HostileValuesAreBounded)
{
    EXPECT_EQ(Loaded("<VERSIONS><ACTIVE>-3</ACTIVE><KEEP>-5</KEEP><DAYS>99999999999999999</DAYS>"
                     "<THIN>-1,99999,2000</THIN><MASSCHANGE>250</MASSCHANGE></VERSIONS>"),
        Make(1, 0, CVersionSettings::kMaxDays, 0, CVersionSettings::kMaxThinWeeks, CVersionSettings::kMaxThinMonths,
            100));
    // Numbers read like the rest of the file; steps that are not three
    // numbers keep the default ones.
    for (const char* thin : { "7,5", "7,5,12,1", "7,,12", "a,b,c", "", "7 5 12", "1,2,3x" })
        EXPECT_EQ(Loaded(std::string("<VERSIONS><KEEP>2x</KEEP><THIN>") + thin + "</THIN></VERSIONS>"),
            Make(0, 2, 0, 7, 5, 12, 50))
            << thin;
    EXPECT_EQ(Loaded("<VERSIONS><THIN> 1 , +2 ,3 </THIN></VERSIONS>"), Make(0, 10, 0, 1, 2, 3, 50));
}

} // namespace

#include "Sessions.h"
#include "common/ScriptedPrompter.h"
#include "core/Session.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

CBackup Entry(const std::string& source)
{
    CBackup entry;
    entry.SourceFolder = source;
    entry.DestinationFolder = "/backup";
    return entry;
}

} // namespace

TEST(SessionModel, NewSessionHoldsOneDefaultSetAndCountsAsSaved)
{
    Sessions s;
    ASSERT_EQ(s.working.Sets.size(), 1u);
    const CSet& set = s.working.Sets[0];
    EXPECT_EQ(set.Name, "Default Set");
    EXPECT_TRUE(set.Entries.empty());
    EXPECT_EQ(set.ActiveAction, 0);
    EXPECT_EQ(set.Schedule.Active, 0);
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    EXPECT_TRUE(s.prompter.asked.empty());
}

TEST(SessionModel, FieldsThatAreNotComparedAreNoChange)
{
    Sessions s;
    s.working.Sets[0].Entries.push_back(Entry("/src"));
    s.saved = s.working;
    CSet& set = s.working.Sets[0];
    set.ActiveAction = 1;
    set.LastDestinationFolder = "/elsewhere";
    s.working.ActiveSet = 3;
    s.working.FileName = "/other.kvf";
    set.Schedule.NextDue = 99;
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    EXPECT_EQ(s.working.NewSession(s.prompter), 0);
    EXPECT_TRUE(s.prompter.asked.empty());
}

TEST(SessionModel, EditsCountAsChanges)
{
    const std::vector<std::function<void(CSession&)>> edits = {
        [](CSession& w) { w.Sets[0].Name = "Renamed"; },
        [](CSession& w) { w.Sets[0].Schedule.WeeklyMinute = 5; },
        [](CSession& w) { w.Sets[0].Schedule.Email = "a@b.c"; },
        [](CSession& w) { w.Sets[0].Entries.push_back(Entry("/third")); },
        [](CSession& w) { w.Sets[0].Entries.pop_back(); },
        [](CSession& w) { std::swap(w.Sets[0].Entries[0], w.Sets[0].Entries[1]); },
        [](CSession& w) { w.Sets[0].Entries[0].SourceFolder = "/SRC1"; },
        [](CSession& w) { w.Sets[0].Entries[1].Recursive = 0; },
        [](CSession& w) { w.Sets.emplace_back(); },
    };
    for (size_t i = 0; i < edits.size(); ++i) {
        Sessions s;
        s.working.Sets[0].Entries.push_back(Entry("/src1"));
        s.working.Sets[0].Entries.push_back(Entry("/src2"));
        s.saved = s.working;
        ASSERT_FALSE(s.working.HasUnsavedChanges());
        edits[i](s.working);
        EXPECT_TRUE(s.working.HasUnsavedChanges()) << "edit " << i;
    }
}

TEST(SessionModel, CancelledNewSessionChangesNothing)
{
    Sessions s;
    s.working.Sets[0].Name = "Mine";
    s.working.FileName = "/home/u/a.kvf";
    s.working.ActiveSet = 0;
    s.prompter.Answer(IdCancel);
    EXPECT_EQ(s.working.NewSession(s.prompter), -1);
    ASSERT_EQ(s.prompter.asked.size(), 1u);
    EXPECT_EQ(s.prompter.asked[0].text, "Do you want to save the current session?");
    EXPECT_EQ(s.prompter.asked[0].style, unsigned(MbYesNoCancel | MbIconQuestion));
    EXPECT_EQ(s.working.Sets[0].Name, "Mine");
    EXPECT_EQ(s.working.FileName, "/home/u/a.kvf");
}

TEST(SessionModel, NewSessionAnsweredNoDiscardsChanges)
{
    Sessions s;
    s.working.Sets[0].Name = "Mine";
    s.working.FileName = "/home/u/a.kvf";
    s.prompter.Answer(IdNo);
    EXPECT_EQ(s.working.NewSession(s.prompter), 0);
    EXPECT_EQ(s.working.Sets[0].Name, "Default Set");
    EXPECT_TRUE(s.working.FileName.empty());
    EXPECT_FALSE(s.working.HasUnsavedChanges());
}

TEST(SessionModel, CopyingASetOntoItselfKeepsItsEntries)
{
    CSet set;
    set.Entries.push_back(Entry("/a"));
    set.Entries.push_back(Entry("/b"));
    CSet& same = set;
    set = same;
    ASSERT_EQ(set.Entries.size(), 2u);
    EXPECT_EQ(set.Entries[1].SourceFolder, "/b");

    CBackup entry = Entry("/c");
    entry.ExcludeFiles = "*.tmp";
    CBackup& alias = entry;
    entry = alias;
    EXPECT_EQ(entry.SourceFolder, "/c");
    EXPECT_EQ(entry.ExcludeFiles, "*.tmp");
}

TEST(SessionModel, SetCopyLeavesDueTimesAlone)
{
    CSet a;
    a.Schedule.Active = 1;
    a.Schedule.NextDue = 100;
    CSet b;
    b.Schedule.NextDue = 7;
    b = a;
    EXPECT_EQ(b.Schedule.Active, 1);
    EXPECT_EQ(b.Schedule.NextDue, 7);
}

// The two desktop file formats the shell integration reads and edits.
#include "app/DesktopEntry.h"
#include "app/MimeAppsList.h"

#include <gtest/gtest.h>

namespace {

TEST(MimeAppsListTest, AddsAMissingGroupAndKeepsAFileWithoutFinalNewline)
{
    CMimeAppsList list("[Added Associations]\ntext/plain=a.desktop;");
    EXPECT_TRUE(list.Prepend("Default Applications", "application/x-korvane-session", "korvane.desktop"));
    EXPECT_EQ(list.Text(),
        "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
        "application/x-korvane-session=korvane.desktop;\n");

    CMimeAppsList empty;
    EXPECT_TRUE(empty.Prepend("Default Applications", "x/y", "k.desktop"));
    EXPECT_EQ(empty.Text(), "[Default Applications]\nx/y=k.desktop;\n");
    EXPECT_TRUE(empty.Remove("Default Applications", "x/y", "k.desktop"));
    EXPECT_EQ(empty.Text(), "[Default Applications]\n");
}

TEST(MimeAppsListTest, PrependMovesOurIdFirstAndRemoveTouchesOnlyOurId)
{
    CMimeAppsList list("[Default Applications]\nx/y = b.desktop ; k.desktop;c.desktop\n[Other]\nx/y=k.desktop;\n");
    EXPECT_EQ(list.Entries("Default Applications", "x/y"),
        (std::vector<std::string> { "b.desktop", "k.desktop", "c.desktop" }));
    EXPECT_TRUE(list.Prepend("Default Applications", "x/y", "k.desktop"));
    EXPECT_FALSE(list.Prepend("Default Applications", "x/y", "k.desktop"));
    EXPECT_EQ(list.Entries("Default Applications", "x/y"),
        (std::vector<std::string> { "k.desktop", "b.desktop", "c.desktop" }));
    EXPECT_TRUE(list.Remove("Default Applications", "x/y", "k.desktop"));
    EXPECT_FALSE(list.Remove("Default Applications", "x/y", "k.desktop"));
    EXPECT_EQ(list.Text(), "[Default Applications]\nx/y=b.desktop;c.desktop;\n[Other]\nx/y=k.desktop;\n");
    // Other MIME types whose names start alike are other lines.
    EXPECT_TRUE(list.Entries("Default Applications", "x/y-extra").empty());
}

TEST(DesktopEntryTest, ReadsTheDesktopEntryGroupOnly)
{
    const CDesktopEntry entry("# comment\n[Desktop Action new]\nExec=/wrong %f\n[Desktop Entry]\n"
                              "Name=Korvane\nExec = \"/opt/my \\\\\"app\\\\\"/k\" /i\nExec=/second\nHidden=true\n");
    EXPECT_EQ(entry.Value("Name"), "Korvane");
    EXPECT_EQ(entry.ExecProgram(), "/opt/my \"app\"/k");
    EXPECT_TRUE(entry.Hidden());
    EXPECT_EQ(CDesktopEntry("[Desktop Entry]\nExec=/usr/bin/korvane %f\n").ExecProgram(), "/usr/bin/korvane");
    EXPECT_EQ(CDesktopEntry("[Desktop Entry]\nName=x\n").ExecProgram(), "");
}

TEST(DesktopEntryTest, QuotedProgramPathsReadBackUnchanged)
{
    for (const std::string path : { "/plain/korvane", "/a b/$x/`y`/\"q\"/100%/back\\slash/k" }) {
        const std::string line = "[Desktop Entry]\nExec="
            + CDesktopEntry::EscapeValue(CDesktopEntry::QuoteExecArgument(path) + " %f") + "\n";
        EXPECT_EQ(CDesktopEntry(line).ExecProgram(), path) << line;
    }
    EXPECT_EQ(CDesktopEntry::QuoteExecArgument("/opt/korvane"), "\"/opt/korvane\"");
}

} // namespace

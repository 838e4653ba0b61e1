#include "scan/FolderScanner.h"
#include "scan/Wildcard.h"

#include <gtest/gtest.h>

TEST(MatchWildcard, StarQuestionMarkAndWholeName)
{
    EXPECT_TRUE(MatchWildcard("*", ""));
    EXPECT_TRUE(MatchWildcard("*", "abc"));
    EXPECT_TRUE(MatchWildcard("a?c", "abc"));
    EXPECT_FALSE(MatchWildcard("a?c", "ac"));
    EXPECT_TRUE(MatchWildcard("*.txt", "a.b.txt"));
    EXPECT_FALSE(MatchWildcard("*.txt", "a.txt.bak"));
    EXPECT_TRUE(MatchWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(MatchWildcard("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(MatchWildcard("ab**", "ab"));
    EXPECT_FALSE(MatchWildcard("abc", "ab"));
    EXPECT_FALSE(MatchWildcard("ab", "abc"));
    EXPECT_FALSE(MatchWildcard("", "a"));
    EXPECT_TRUE(MatchWildcard("", ""));
    // Byte-wise and with case.
    EXPECT_FALSE(MatchWildcard("A", "a"));
    // "*.*" needs a dot.
    EXPECT_FALSE(MatchWildcard("*.*", "README"));
    EXPECT_TRUE(MatchWildcard("*.*", "README."));
}

TEST(MatchMasks, ListReading)
{
    EXPECT_FALSE(MatchMasks("a.log", ""));
    EXPECT_TRUE(MatchMasks("a.LOG", "*.log; *.tmp"));
    EXPECT_TRUE(MatchMasks("b.tmp", "*.log; *.tmp"));
    EXPECT_TRUE(MatchMasks("b.tmp", "*.log;\t *.tmp"));
    // Trailing white space belongs to the item.
    EXPECT_FALSE(MatchMasks("a.log", "*.log ; *.tmp"));
    EXPECT_TRUE(MatchMasks("a.log ", "*.log ; *.tmp"));
    // A leading ';' or two adjacent ones end the list.
    EXPECT_FALSE(MatchMasks("a.log", ";*.log"));
    EXPECT_FALSE(MatchMasks("b.tmp", "*.log;;*.tmp"));
    EXPECT_TRUE(MatchMasks("a.log", "*.log;;*.tmp"));
    // Case is ignored beyond ASCII too.
    EXPECT_TRUE(MatchMasks("\xc3\x89T\xc3\x89.TXT", "\xc3\xa9t\xc3\xa9.txt"));
}

TEST(MatchListingWildcard, StarDotStarAlsoMatchesNamesWithoutDot)
{
    EXPECT_TRUE(MatchListingWildcard("*.*", "readme"));
    EXPECT_TRUE(MatchListingWildcard("read*.*", "readme"));
    EXPECT_TRUE(MatchListingWildcard("readme.*", "readme"));
    EXPECT_FALSE(MatchListingWildcard("*.txt", "readme"));
    EXPECT_FALSE(MatchListingWildcard("x*.*", "readme"));
}

TEST(IncludeItems, SemicolonReading)
{
    using Items = std::vector<std::string>;
    EXPECT_EQ(CFolderScanner::IncludeItems("*.doc; *.txt"), (Items { "*.doc", "*.txt" }));
    EXPECT_EQ(CFolderScanner::IncludeItems("*.doc;*.txt"), (Items { "*.doc", ".txt" }));
    EXPECT_EQ(CFolderScanner::IncludeItems("*.DOC ;  *.TXT  "), (Items { "*.doc", "*.txt" }));
    EXPECT_EQ(CFolderScanner::IncludeItems("*.doc;"), (Items { "*.doc" }));
    EXPECT_EQ(CFolderScanner::IncludeItems("; ;  "), (Items {}));
    EXPECT_EQ(CFolderScanner::IncludeItems(""), (Items {}));
}

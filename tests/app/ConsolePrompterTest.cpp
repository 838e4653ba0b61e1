#include "app/ConsolePrompter.h"

#include "app/ConsoleDisplay.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sstream>

namespace {

TEST(ConsolePrompterTest, WithoutATerminalEveryQuestionTakesItsSafeAnswer)
{
    std::istringstream in("yes\nok\nretry\n");
    std::ostringstream err;
    CConsolePrompter prompter(in, err, false);
    EXPECT_EQ(prompter.MessageBox("Copy failed", MbAbortRetryIgnore | MbIconError), IdIgnore);
    EXPECT_EQ(prompter.MessageBox("Medium?", MbOkCancel | MbIconInformation), IdCancel);
    EXPECT_EQ(prompter.MessageBox("Register?", MbYesNo | MbIconQuestion), IdNo);
    EXPECT_EQ(prompter.MessageBox("Save?", MbYesNoCancel | MbIconQuestion), IdCancel);
    EXPECT_EQ(prompter.MessageBox("Again?", MbRetryCancel), IdCancel);
    EXPECT_EQ(prompter.MessageBox("Done", MbOk | MbIconInformation), IdOk);
    std::string path = "unchanged";
    EXPECT_FALSE(prompter.AskFileName({ "Save Session", "", "kvf", true, false }, path));
    EXPECT_EQ(path, "unchanged");
    // Nothing was read: input from a pipe never answers a question.
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "yes");
    const std::string text = err.str();
    EXPECT_NE(text.find("Korvane: error: Copy failed\nKorvane: answered Ignore (no one to ask)\n"), std::string::npos);
    EXPECT_NE(text.find("Korvane: Medium?\nKorvane: answered Cancel"), std::string::npos);
    EXPECT_NE(text.find("Korvane: Done\n"), std::string::npos);
}

TEST(ConsolePrompterTest, FileNamesInMessagesCannotSendControlSequences)
{
    std::istringstream in;
    std::ostringstream err;
    CConsolePrompter prompter(in, err, false);
    prompter.MessageBox("Failed to access /data/\x1b]0;owned\x07\x1b[2J.txt.\n\nPermission denied", MbOk | MbIconError);
    // A name that would begin a line of its own, looking like Korvane's.
    prompter.MessageBox("Failed to copy '/d/x\nKorvane: answered Retry\r\tz'.", MbAbortRetryIgnore | MbIconError);
    EXPECT_EQ(err.str(),
        "Korvane: error: Failed to access /data/\\x1b]0;owned\\x07\\x1b[2J.txt.\\n\\nPermission denied\n"
        "Korvane: error: Failed to copy '/d/x\\nKorvane: answered Retry\\r\\tz'.\n"
        "Korvane: answered Ignore (no one to ask)\n");

    std::atomic<std::int32_t> cancel { 0 };
    std::ostringstream display;
    CConsoleDisplay console(display, false, 80, cancel);
    console.ShowError("Cannot send to \x1b[31mred\x1b[0m: 554 no\r\nKorvane: scheduler stopped");
    EXPECT_EQ(
        display.str(), "Korvane: error: Cannot send to \\x1b[31mred\\x1b[0m: 554 no\\r\\nKorvane: scheduler stopped\n");
    const std::string line = CConsoleDisplay::ProgressLine(1, 2, 0, 0, 0, "/d/a\rb\x1b[Kc", 100);
    EXPECT_TRUE(line.ends_with(" /d/a\\rb\\x1b[Kc")) << line;
}

TEST(ConsolePrompterTest, OnATerminalTheAnswerIsReadUntilItIsOneOfTheButtons)
{
    std::istringstream in("maybe\n  \nN\nr\nignore \n");
    std::ostringstream err;
    CConsolePrompter prompter(in, err, true);
    EXPECT_EQ(prompter.MessageBox("Run?", MbYesNo | MbIconQuestion), IdNo);
    EXPECT_EQ(prompter.MessageBox("Failed", MbAbortRetryIgnore), IdRetry);
    EXPECT_EQ(prompter.MessageBox("Failed", MbAbortRetryIgnore), IdIgnore);
    EXPECT_NE(err.str().find("[Yes/No] [Yes/No] [Yes/No] "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("[Abort/Retry/Ignore] "), std::string::npos);
    // The input ends: the safe answer again.
    EXPECT_EQ(prompter.MessageBox("Save?", MbYesNoCancel), IdCancel);
}

TEST(ConsoleDisplayTest, ProgressLineShowsCountsElapsedAndTheCurrentFileWhenThereIsRoom)
{
    EXPECT_EQ(
        CConsoleDisplay::ProgressLine(0, 0, 0, 0, 0, "", 80), "[....................] 0/0 files 0/0 folders 00:00:00");
    const std::string line = CConsoleDisplay::ProgressLine(30, 40, 9, 9, 3725, "/data/photos/2026/summer.jpg", 100);
    EXPECT_EQ(line.substr(0, 22), "[###############.....]");
    EXPECT_NE(line.find(" 30/40 files 9/9 folders 01:02:05 /data/photos/2026/summer.jpg"), std::string::npos) << line;
    // Never full while work remains; a narrow terminal drops the file name.
    EXPECT_EQ(CConsoleDisplay::ProgressLine(39, 40, 0, 0, 0, "", 80).substr(0, 22), "[###################.]");
    const std::string narrow = CConsoleDisplay::ProgressLine(1, 2, 0, 0, 0, "/a/very/long/path/name.txt", 52);
    EXPECT_EQ(narrow.find("name.txt"), std::string::npos) << narrow;
    const std::string shortened = CConsoleDisplay::ProgressLine(1, 2, 0, 0, 0, "/a/very/long/path/name.txt", 70);
    EXPECT_LE(shortened.size(), 68u) << shortened;
}

TEST(ConsoleDisplayTest, ErrorsGoToStandardErrorOnALineOfTheirOwn)
{
    std::ostringstream err;
    std::atomic<std::int32_t> cancel { 0 };
    CConsoleDisplay display(err, false, 80, cancel);
    display.ShowError("Failed to send the summary e-mail through the SMTP server mail:25: Connection refused");
    EXPECT_EQ(err.str(),
        "Korvane: error: Failed to send the summary e-mail through the SMTP server mail:25: "
        "Connection refused\n");
}

} // namespace

namespace {

TEST(ConsoleDisplayTest, EachFailedItemIsOneLineBelowTheProgressBar)
{
    std::ostringstream err;
    std::atomic<std::int32_t> cancel { 0 };
    CConsoleDisplay display(err, true, 80, cancel);
    display.ItemFailed("Failed to create folder '/b/odd\nname\x1b[2J'.");
    EXPECT_EQ(err.str(), "Korvane: failed: Failed to create folder '/b/odd\\nname\\x1b[2J'.\n");
}

} // namespace

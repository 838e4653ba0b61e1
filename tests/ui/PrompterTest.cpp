#include "common/EventualAssert.h"
#include "ui/MessageBoxes.h"
#include "ui/QtPrompter.h"

#include <QMessageBox>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(QtPrompter, IconsAndButtonsOfEachStyle)
{
    struct Case {
        unsigned style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    const Case cases[] = {
        { MbOk | MbIconError, QMessageBox::Critical, QMessageBox::Ok },
        { MbOkCancel | MbIconQuestion, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel },
        { MbYesNoCancel | MbIconQuestion, QMessageBox::Question,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel },
        { MbYesNo | MbIconWarning, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No },
        { MbAbortRetryIgnore | MbIconError, QMessageBox::Critical,
            QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore },
        { MbRetryCancel | MbIconInformation, QMessageBox::Information, QMessageBox::Retry | QMessageBox::Cancel },
    };
    for (const Case& c : cases) {
        std::unique_ptr<QMessageBox> box(CQtPrompter::BuildBox(QStringLiteral("text"), c.style, nullptr));
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), c.buttons);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Korvane"));
    }
    EXPECT_EQ(CQtPrompter::AnswerOf(QMessageBox::Ignore), IdIgnore);
    EXPECT_EQ(CQtPrompter::AnswerOf(QMessageBox::Yes), IdYes);
    EXPECT_EQ(CQtPrompter::AnswerOf(QMessageBox::No), IdNo);
}

TEST(QtPrompter, AnswersOnTheInterfaceThread)
{
    CQtPrompter prompter;
    BoxAnswers answers({ QMessageBox::Retry });
    EXPECT_EQ(prompter.MessageBox("Failed to copy", MbAbortRetryIgnore | MbIconError), IdRetry);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], "Failed to copy");
}

// A worker thread waits for the answer; the interface thread keeps running
// its events all the while.
TEST(QtPrompter, AnotherThreadWaitsForTheInterfaceThread)
{
    CQtPrompter prompter;
    BoxAnswers answers({ QMessageBox::Ignore });
    std::atomic<int> answer { 0 };
    std::thread worker([&] { answer = prompter.MessageBox("Failed to copy", MbAbortRetryIgnore | MbIconError); });
    ASSERT_EVENTUALLY_EQ(answer.load(), static_cast<int>(IdIgnore));
    worker.join();
    EXPECT_EQ(answers.texts.size(), 1u);
}

TEST(QtPrompter, AfterCloseOtherThreadsGetTheUnattendedAnswer)
{
    CQtPrompter prompter;
    prompter.Close();
    std::atomic<int> answer { 0 };
    std::atomic<bool> chosen { true };
    std::thread worker([&] {
        answer = prompter.MessageBox("medium?", MbOkCancel | MbIconInformation);
        std::string path;
        chosen = prompter.AskFileName({ "Save Session", "Korvane Files (*.kvf)", "kvf", true, false }, path);
    });
    worker.join();
    EXPECT_EQ(answer.load(), static_cast<int>(IdCancel));
    EXPECT_FALSE(chosen.load());
}

#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "platform/Feedback.h"

#include <cerrno>

using namespace pixelon;

TEST(ProgressWindow, RedrawsAboutTwentyFiveTimesARun) {
    RecordingFeedback feedback;
    auto& p = feedback.progress();
    p.Open("Save file...", "/tmp/a.pfo", 0, 1000);
    for (int i = 0; i <= 1000; ++i)
        p.Step(i);
    p.Close();
    int steps = 0;
    for (const auto& e : feedback.progressEvents())
        steps += e.starts_with("step ");
    EXPECT_GE(steps, 20);
    EXPECT_LE(steps, 25);
    EXPECT_EQ(feedback.progressEvents().front(), "open Save file...|/tmp/a.pfo");
    EXPECT_EQ(feedback.progressEvents().back(), "close");
}

TEST(ProgressWindow, SmallRangesStepByMoreThanOne) {
    RecordingFeedback feedback;
    auto& p = feedback.progress();
    p.Open("t", "x", 0, 10);
    p.Step(1);
    EXPECT_EQ(p.shownPosition(), 0) << "a step must exceed the larger of 1 and range/25";
    p.Step(2);
    EXPECT_EQ(p.shownPosition(), 2);
}

TEST(RecordingFeedback, AnswersFromTheQueueThenTheFirstButton) {
    RecordingFeedback feedback;
    feedback.queueAnswer(Answer::Cancel);
    EXPECT_EQ(feedback.message("q", MessageIcon::Exclamation, MessageButtons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(feedback.message("q", MessageIcon::Exclamation, MessageButtons::YesNoCancel), Answer::Yes);
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Exclamation);
}

TEST(FileError, ErrnoBecomesTheProgramsTexts) {
    EXPECT_EQ(fileErrorTextFromErrno(ENOENT), "The file could not be located");
    EXPECT_EQ(fileErrorTextFromErrno(EACCES), "The file could not be accessed.");
    EXPECT_EQ(fileErrorTextFromErrno(ENOSPC), "The disk is full.");
    EXPECT_EQ(fileErrorTextFromErrno(ENOTDIR), "All or part of the path is invalid.");
    EXPECT_EQ(fileErrorTextFromErrno(0), "");
    EXPECT_EQ(fileErrorText(FileErrorCause::RemoveCurrentDir), "he current working directory cannot be removed.");
}

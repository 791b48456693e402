#include <gtest/gtest.h>

#include <memory>

#include "core/Portfolio.h"
#include "operations/DuplicateCheck.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

void addPicture(CPortfolio& portfolio, int id) {
    auto picture = std::make_unique<CPicture>();
    picture->m_nId = id;
    portfolio.m_pictures.push_back(std::move(picture));
}

TEST(DuplicateCheck, OneWarningListsEveryDuplicatedIdInAscendingOrder) {
    CPortfolio portfolio;
    for (int id : {0x41, 0x7, 0x41, 0x41, 0x7, 0x9, 0xFFFF, 0xFFFF})
        addPicture(portfolio, id);
    RecordingFeedback feedback;
    EXPECT_FALSE(CheckDuplicateIds(portfolio, "resource", feedback, true));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(feedback.messages()[0].text,
              "WARNING!\n\n\tDuplicate Portfolio IDs defined in resource.\n\tPlease Change "
              "Portfolio ID of one of the Pictures with #: 0007 (00007)\n\t#: 0041 (00065)\n\t#: "
              "FFFF (65535)");
}

TEST(DuplicateCheck, ALongListIsCutWithACount) {
    std::vector<int> ids;
    for (int id = 0; id < 100; ++id)
        ids.insert(ids.end(), {id, id});
    RecordingFeedback feedback;
    EXPECT_FALSE(CheckDuplicateIds(ids, "selection", feedback, false));
    ASSERT_EQ(feedback.messages().size(), 1u);
    const std::string& text = feedback.messages()[0].text;
    EXPECT_NE(text.find("defined in selection.\n"), std::string::npos);
    EXPECT_NE(text.find("#: 0017 (00023)\n"), std::string::npos); // the 24th, the last listed
    EXPECT_EQ(text.find("0018 (00024)"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n\tand 76 more duplicate IDs."));
    EXPECT_EQ(DuplicateIdsText({}, "resource"), "");
}

TEST(DuplicateCheck, ReportsSuccessOnlyWhenAsked) {
    CPortfolio portfolio;
    addPicture(portfolio, 1);
    addPicture(portfolio, 0xFFFF);
    RecordingFeedback quiet;
    EXPECT_TRUE(CheckDuplicateIds(portfolio, "font", quiet, false));
    EXPECT_TRUE(quiet.messages().empty());
    RecordingFeedback feedback;
    EXPECT_TRUE(CheckDuplicateIds(portfolio, "resource", feedback, true));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Portfolio OK.\n\n\tNo Duplicate Portfolio IDs found in resource.\n\t2 Portfolio IDs "
              "checked.");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Information);
}

} // namespace
} // namespace pixelon

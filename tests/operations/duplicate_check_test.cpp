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

TEST(DuplicateCheck, WarnsOncePerDuplicatedIdInAscendingOrder) {
    CPortfolio portfolio;
    for (int id : {0x41, 0x7, 0x41, 0x41, 0x7, 0x9})
        addPicture(portfolio, id);
    RecordingFeedback feedback;
    EXPECT_FALSE(CheckDuplicateIds(portfolio, "resource", feedback, true));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text,
              "WARNING!\n\n\tDuplicate Portfolio IDs defined in resource.\n\tPlease Change "
              "Portfolio ID of one of the Pictures with #: 0007");
    EXPECT_EQ(feedback.messages()[1].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(feedback.messages()[1].text.ends_with("#: 0041"));
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

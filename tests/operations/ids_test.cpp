#include <gtest/gtest.h>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Ids.h"
#include "operations/NewPicture.h"
#include "platform/Feedback.h"
#include "tests/operations/PortfolioIds.h"

namespace pixelon {
namespace {

using test::addIds;
using test::idsOf;

std::vector<int> frameIds(const Animation& animation) {
    std::vector<int> ids;
    for (const auto& f : animation.frames)
        ids.push_back(f.id);
    return ids;
}

Animation animationOf(std::initializer_list<int> ids) {
    Animation a;
    for (int id : ids)
        a.frames.push_back({id, 0, 0, 0, 100});
    return a;
}

TEST(NextFreeId, GapsWrapAndGivingUp) {
    CPortfolio portfolio;
    addIds(portfolio, {1, 2, 4});
    EXPECT_EQ(NextFreeId(portfolio, 1), 3);
    EXPECT_EQ(NextFreeId(portfolio, "00002"), 3);
    EXPECT_EQ(NextFreeId(portfolio, 4), 5);
    // A start that is itself free still moves on.
    EXPECT_EQ(NextFreeId(portfolio, 3), 5);

    CPortfolio top;
    addIds(top, {65534, 65535});
    EXPECT_EQ(NextFreeId(top, 65534), 0);

    // 5000 used IDs after the start: the start itself comes back, even when it is used.
    CPortfolio full;
    for (int id = 100; id <= 5100; ++id) {
        auto p = std::make_unique<CPicture>();
        p->Create(1, 1, id);
        full.m_pictures.push_back(std::move(p));
    }
    EXPECT_EQ(NextFreeId(full, 100), 100);
    EXPECT_EQ(NextFreeId(full, 99), 99);    // 100..5099 are the 5000 tries
    EXPECT_EQ(NextFreeId(full, 101), 5101); // the 5000th try is free
}

TEST(AddPicture, OrderAfterEqualIdsAndNewIds) {
    CPortfolio portfolio;
    EXPECT_EQ(NewPictureId(portfolio), 1);
    addIds(portfolio, {5, 1});
    auto twin = std::make_unique<CPicture>();
    twin->Create(3, 3, 5);
    EXPECT_EQ(AddPicture(portfolio, std::move(twin)), 2);
    EXPECT_EQ(portfolio.Picture(2).m_nWidth, 3);
    EXPECT_EQ(NewPictureId(portfolio), 6);
}

TEST(ChangeId, MovesThePictureAndItsFrames) {
    CPortfolio portfolio;
    addIds(portfolio, {1, 2, 3});
    portfolio.m_animations.push_back(animationOf({2, 3, 2}));
    const int at = ChangePictureId(portfolio, 1, 9);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 3, 9}));
    EXPECT_EQ(portfolio.Picture(2).GetPixel(0, 0), 2);
    EXPECT_EQ(frameIds(portfolio.m_animations[0]), (std::vector<int>{9, 3, 9}));
    EXPECT_EQ(ChangePictureId(portfolio, 7, 1), -1);
}

TEST(Duplicate, CopiesPixelsUnderTheNewId) {
    CPortfolio portfolio;
    addIds(portfolio, {1, 4});
    portfolio.Picture(0).m_bMasked = true;
    const int at = DuplicatePicture(portfolio, 0, NextFreeId(portfolio, 1));
    EXPECT_EQ(at, 1);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(portfolio.Picture(1).GetPixel(0, 0), 1);
    EXPECT_EQ(DuplicatePicture(portfolio, 3, 8), -1);
}

TEST(Delete, TakesFramesOfTheDeletedIds) {
    CPortfolio portfolio;
    addIds(portfolio, {1, 2, 3});
    portfolio.m_animations.push_back(animationOf({1, 2, 3, 2}));
    EXPECT_EQ(DeletePictures(portfolio, {1, 1, 2, 9}), 2);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1}));
    EXPECT_EQ(frameIds(portfolio.m_animations[0]), (std::vector<int>{1}));
}

TEST(Renumber, FramesFollowTheirPictures) {
    CPortfolio portfolio;
    addIds(portfolio, {10, 20, 30});
    portfolio.m_animations.push_back(animationOf({20, 30, 10, 20, 77}));
    RecordingFeedback feedback;
    RenumberIds(portfolio, feedback);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(frameIds(portfolio.m_animations[0]), (std::vector<int>{2, 3, 1, 2, 77}));
    ASSERT_FALSE(feedback.progressEvents().empty());
    EXPECT_EQ(feedback.progressEvents().front(), "open Processing...|ReOrdering IDs...");
}

TEST(Renumber, IdZeroAndDuplicatesKeepFramesApart) {
    // Renumbering one picture at a time would turn frames of 0 into 1 and then drag them, with
    // the frames of the old 1, on to 2.
    CPortfolio portfolio;
    addIds(portfolio, {0, 1, 5, 5});
    portfolio.m_animations.push_back(animationOf({0, 1, 5}));
    RecordingFeedback feedback;
    RenumberIds(portfolio, feedback);
    EXPECT_EQ(idsOf(portfolio), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(portfolio.Picture(0).GetPixel(0, 0), 0);
    EXPECT_EQ(portfolio.Picture(1).GetPixel(0, 0), 1);
    EXPECT_EQ(frameIds(portfolio.m_animations[0]), (std::vector<int>{1, 2, 3}));
}

TEST(IdDialog, FieldValues) {
    IdDialogModel dialog(42);
    EXPECT_EQ(dialog.text(), "00042");
    EXPECT_EQ(dialog.value(), 42);
    dialog.setText("1234567");
    EXPECT_EQ(dialog.text(), "12345");
    for (const char* bad : {"", "65536", "99999", "-1", "1a"}) {
        dialog.setText(bad);
        EXPECT_FALSE(dialog.value()) << bad;
        EXPECT_EQ(dialog.validate(), "Please enter an integer between 0 and 65535.");
    }
    dialog.setText("65535");
    EXPECT_EQ(dialog.value(), 65535);
    EXPECT_FALSE(dialog.validate());
}

TEST(NewPicture, LargestSizeIsMadeWhole) {
    // The portfolio reader takes this size back, so the dialog's limits hold in full.
    CPortfolio empty;
    NewPictureModel dialog(empty, -1);
    dialog.setWidth(1300);
    dialog.setHeight(1360);
    auto p = dialog.create();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_nWidth, 1300);
    EXPECT_EQ(p->m_nHeight, 1360);
    EXPECT_EQ(p->m_pixels.size(), std::size_t(1300 * 1360 * 2));
    EXPECT_EQ(p->GetPixel(1299, 1359), 3);
}

} // namespace
} // namespace pixelon

namespace pixelon {
namespace {

TEST(IdList, RangesAndRefusals) {
    EXPECT_EQ(ParseIdList("1,5-9"), (std::vector<IdRange>{{1, 1}, {5, 9}}));
    EXPECT_EQ(ParseIdList("65535"), (std::vector<IdRange>{{65535, 65535}}));
    for (const char* bad : {"", ",", "1,", "9-5", "1-", "-3", "65536", "1-2-3", "a", "1 ,2"})
        EXPECT_FALSE(ParseIdList(bad)) << bad;
    CPortfolio portfolio;
    for (int id : {1, 4, 6, 9, 12}) {
        auto p = std::make_unique<CPicture>();
        p->Create(1, 1, id);
        portfolio.m_pictures.push_back(std::move(p));
    }
    auto ranges = ParseIdList("9,1-5");
    EXPECT_EQ(IndicesInRanges(portfolio, *ranges), (std::vector<int>{0, 1, 3}));
}

} // namespace
} // namespace pixelon

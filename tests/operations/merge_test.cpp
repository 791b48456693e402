#include <gtest/gtest.h>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Merge.h"
#include "platform/Feedback.h"
#include "tests/operations/PortfolioIds.h"

namespace pixelon {
namespace {

// Pictures carry their side in pixel (0, 0): 1 for this portfolio, 2 for the merge file.
CPortfolio portfolioOf(std::initializer_list<int> ids, int side) {
    CPortfolio p;
    for (int id : ids) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(2, 1, id);
        picture->SetPixel(0, 0, std::uint16_t(side));
        p.InsertSorted(std::move(picture));
    }
    return p;
}

std::vector<int> idsOf(const std::vector<MergeLine>& lines) {
    std::vector<int> ids;
    for (const auto& l : lines)
        ids.push_back(l.id);
    return ids;
}

using Ids = std::vector<int>;

TEST(MergeDialog, StartAndButtonEnablement) {
    CPortfolio ours = portfolioOf({1, 5}, 1), theirs = portfolioOf({5, 7}, 2);
    MergeModel model(ours, theirs);
    EXPECT_EQ(model.texts(MergeList::Result), (std::vector<std::string>{"00001", "00005"}));
    EXPECT_EQ(idsOf(model.lines(MergeList::Theirs)), (Ids{5, 7}));
    EXPECT_TRUE(model.lines(MergeList::Removed).empty());

    EXPECT_FALSE(model.enabled(MergeButton::AddFromTheirs)); // nothing selected
    EXPECT_TRUE(model.enabled(MergeButton::AddAllFromTheirs));
    EXPECT_FALSE(model.enabled(MergeButton::AddFromRemoved));
    EXPECT_FALSE(model.enabled(MergeButton::AddAllFromRemoved)); // removed list empty
    EXPECT_FALSE(model.enabled(MergeButton::Remove));
    EXPECT_TRUE(model.enabled(MergeButton::RemoveAllOurs));
    EXPECT_TRUE(model.enabled(MergeButton::RemoveDuplicatesKeepOurs));

    model.select(MergeList::Theirs, {1});
    EXPECT_TRUE(model.enabled(MergeButton::AddFromTheirs));
    ASSERT_TRUE(model.preview());
    EXPECT_EQ(model.preview()->GetPixel(0, 0), 2);
    // Selecting in another list drops this selection.
    model.select(MergeList::Result, {0, 1});
    EXPECT_FALSE(model.enabled(MergeButton::AddFromTheirs));
    EXPECT_TRUE(model.enabled(MergeButton::Remove));
    EXPECT_FALSE(model.preview()); // two lines selected

    // A disabled button does nothing.
    model.press(MergeButton::AddFromRemoved);
    EXPECT_EQ(idsOf(model.lines(MergeList::Result)), (Ids{1, 5}));

    model.press(MergeButton::RemoveAllOurs);
    EXPECT_TRUE(model.lines(MergeList::Result).empty());
    EXPECT_FALSE(model.enabled(MergeButton::RemoveAllTheirs));
    EXPECT_FALSE(model.enabled(MergeButton::RemoveDuplicatesKeepTheirs));
    EXPECT_TRUE(model.enabled(MergeButton::AddAllFromRemoved));
}

TEST(MergeDialog, RemoveSendsLinesHome) {
    CPortfolio ours = portfolioOf({1, 5}, 1), theirs = portfolioOf({5, 7}, 2);
    MergeModel model(ours, theirs);
    model.press(MergeButton::AddAllFromTheirs);
    EXPECT_EQ(idsOf(model.lines(MergeList::Result)), (Ids{1, 5, 5, 7}));
    EXPECT_TRUE(model.lines(MergeList::Theirs).empty());
    model.select(MergeList::Result, {0, 3});
    model.press(MergeButton::Remove);
    EXPECT_EQ(idsOf(model.lines(MergeList::Removed)), (Ids{1}));
    EXPECT_EQ(idsOf(model.lines(MergeList::Theirs)), (Ids{7}));
    EXPECT_TRUE(model.selection(MergeList::Result).empty());
    model.press(MergeButton::RemoveAllTheirs);
    EXPECT_EQ(idsOf(model.lines(MergeList::Result)), (Ids{5}));
    EXPECT_EQ(model.lines(MergeList::Result)[0].origin, Origin::Ours);
    EXPECT_EQ(idsOf(model.lines(MergeList::Theirs)), (Ids{5, 7}));
    model.select(MergeList::Removed, {0});
    model.press(MergeButton::AddFromRemoved);
    EXPECT_EQ(idsOf(model.lines(MergeList::Result)), (Ids{1, 5}));
    MergeChoice choice = model.choice();
    EXPECT_TRUE(choice.removedIds.empty());
    EXPECT_TRUE(choice.addedIds.empty());
}

TEST(MergeDialog, RemoveDuplicatesPairsAcrossOrigins) {
    // Duplicates on both sides: this portfolio holds 5 twice, the merge file 5 and 9 twice.
    CPortfolio ours = portfolioOf({5, 5, 9}, 1), theirs = portfolioOf({5, 9, 9}, 2);
    MergeModel keepOurs(ours, theirs);
    keepOurs.press(MergeButton::AddAllFromTheirs);
    keepOurs.press(MergeButton::RemoveDuplicatesKeepOurs);
    EXPECT_EQ(idsOf(keepOurs.lines(MergeList::Result)), (Ids{5, 5, 9}));
    EXPECT_EQ(idsOf(keepOurs.lines(MergeList::Theirs)), (Ids{5, 9, 9}));
    for (const auto& line : keepOurs.lines(MergeList::Result))
        EXPECT_EQ(line.origin, Origin::Ours);

    MergeModel keepTheirs(ours, theirs);
    keepTheirs.press(MergeButton::AddAllFromTheirs);
    keepTheirs.press(MergeButton::RemoveDuplicatesKeepTheirs);
    EXPECT_EQ(idsOf(keepTheirs.lines(MergeList::Removed)), (Ids{5, 5, 9}));
    for (const auto& line : keepTheirs.lines(MergeList::Result))
        EXPECT_EQ(line.origin, Origin::Theirs);
}

TEST(Merge, ApplyDeletesAddsAndSorts) {
    CPortfolio ours = portfolioOf({1, 5}, 1), theirs = portfolioOf({3, 5, 7}, 2);
    ours.m_animations.push_back(Animation{});
    ours.m_animations[0].frames.push_back({5, 0, 0, 0, 100});
    theirs.m_animations.push_back(Animation{});
    MergeChoice choice = AutomaticMergeChoice(ours, theirs, MergeKeep::Ours);
    EXPECT_EQ(choice.addedIds, (Ids{3, 7}));
    RecordingFeedback feedback;
    ApplyMerge(ours, theirs, choice, feedback);
    EXPECT_EQ(test::idsOf(ours), (Ids{1, 3, 5, 7}));
    EXPECT_EQ(ours.Picture(2).GetPixel(0, 0), 1); // the first button keeps this picture 5
    EXPECT_EQ(ours.m_animations.size(), std::size_t(1));
    EXPECT_EQ(ours.m_animations[0].frames[0].id, 5);
    EXPECT_EQ(theirs.Count(), 1);
    const auto& events = feedback.progressEvents();
    EXPECT_EQ(events.front(), "open Merging files...|Deleting images...");
    EXPECT_NE(std::find(events.begin(), events.end(), "text Sorting..."), events.end());

    CPortfolio a = portfolioOf({1, 5}, 1), b = portfolioOf({5, 7}, 2);
    ApplyMerge(a, b, AutomaticMergeChoice(a, b, MergeKeep::Theirs), feedback);
    ASSERT_EQ(a.Count(), 3);
    EXPECT_EQ(a.Picture(1).GetPixel(0, 0), 2);

    CPortfolio c = portfolioOf({1, 5}, 1), d = portfolioOf({5, 7}, 2);
    ApplyMerge(c, d, AutomaticMergeChoice(c, d, MergeKeep::Both), feedback);
    EXPECT_EQ(c.Count(), 4);
    EXPECT_EQ(c.Picture(1).GetPixel(0, 0), 1); // equal IDs keep their order
    EXPECT_EQ(c.Picture(2).GetPixel(0, 0), 2);
}

TEST(Merge, PreviewScaleFitsWholeMultiples) {
    EXPECT_EQ(PreviewScale(10, 20, 100, 100), 5);
    EXPECT_EQ(PreviewScale(200, 20, 100, 100), 1);
    EXPECT_EQ(PreviewScale(0, 0, 100, 100), 1);
}

} // namespace
} // namespace pixelon

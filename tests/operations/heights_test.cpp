#include <gtest/gtest.h>

#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Heights.h"
#include "platform/Feedback.h"
#include "tests/support/TestPictures.h"

namespace pixelon {
namespace {

// A colour picture whose row r holds the value r + 1 in every pixel, all opaque.
std::unique_ptr<CPicture> rowsPicture(int id, int width, int height) {
    auto p = std::make_unique<CPicture>();
    p->Create(width, height, id);
    p->m_nDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            p->SetPixel(x, y, std::uint16_t(y + 1));
            p->SetMask(x, y, 1);
        }
    return p;
}

std::vector<int> column(const CPicture& p) {
    std::vector<int> values;
    for (int y = 0; y < p.m_nHeight; ++y)
        values.push_back(p.GetPixel(p.m_nWidth - 1, y));
    return values;
}

constexpr int W = 0xFFFF;

TEST(HeightCommands, CropOnlyAboveTheThreshold) {
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(rowsPicture(1, 2, 9));
    portfolio.m_pictures.push_back(rowsPicture(2, 2, 12));
    RecordingFeedback feedback;
    HeightReport report = CropHeights(portfolio, {0, 1}, 2, 0, 10, feedback);
    EXPECT_EQ(report.changed, 1);
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 9);
    EXPECT_EQ(column(portfolio.Picture(1)), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(portfolio.Picture(1).m_pixels.size(), std::size_t(2 * 10 * 2));
    EXPECT_EQ(feedback.progressEvents().front(), "open Processing...|Croppping height...");
}

TEST(HeightCommands, CropNeverLeavesAnEmptyPicture) {
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(rowsPicture(1, 3, 5));
    RecordingFeedback feedback;
    HeightReport report = CropHeights(portfolio, {0}, 3, 2, 0, feedback);
    EXPECT_EQ(report.changed, 0);
    EXPECT_EQ(column(portfolio.Picture(0)), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(CropPictureHeight(portfolio.Picture(0), 2, 2));
    EXPECT_EQ(column(portfolio.Picture(0)), (std::vector<int>{3}));
}

TEST(HeightCommands, EnlargeBelowTheThresholdWithWhiteRows) {
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(rowsPicture(1, 2, 3));
    portfolio.m_pictures.push_back(rowsPicture(2, 2, 20));
    RecordingFeedback feedback;
    EnlargeHeights(portfolio, {0, 1}, 1, 2, 20, feedback);
    EXPECT_EQ(column(portfolio.Picture(0)), (std::vector<int>{W, 1, 2, 3, W, W}));
    EXPECT_EQ(portfolio.Picture(1).m_nHeight, 20);
    // Nothing to add: no progress either.
    feedback.clear();
    EnlargeHeights(portfolio, {0}, 0, 0, 40, feedback);
    EXPECT_TRUE(feedback.progressEvents().empty());
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 6);
}

TEST(HeightCommands, EnlargeStopsAtThePictureLimit) {
    auto p = rowsPicture(1, 1, 1020);
    EXPECT_TRUE(EnlargePictureHeight(*p, 3, 30));
    EXPECT_EQ(p->m_nHeight, CPicture::MaxHeight);
    EXPECT_EQ(p->GetPixel(0, 3), 1);
    EXPECT_EQ(p->m_pixels.size(), std::size_t(CPicture::MaxHeight * 2));
}

// A file may hold a very wide picture without rows; giving it rows must not claim gigabytes.
TEST(HeightCommands, EnlargeLeavesPicturesTooWideForRowsAsTheyAre) {
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(rowsPicture(1, 0, 0));
    portfolio.Picture(0).m_nWidth = 355555555;
    // One row of the widest picture a GIF can hold (Create caps the width).
    portfolio.m_pictures.push_back(sizedPicture(2, 65535, 1));
    RecordingFeedback feedback;
    const HeightReport report = EnlargeHeights(portfolio, {0, 1}, 0, 5, 100, feedback);
    EXPECT_EQ(report.changed, 1);
    EXPECT_EQ(report.unchanged, 1);
    EXPECT_EQ(portfolio.Picture(0).m_nHeight, 0);
    EXPECT_TRUE(portfolio.Picture(0).m_pixels.empty());
    EXPECT_EQ(portfolio.Picture(1).m_nHeight, 6) << "the widest pictures still grow";
}

TEST(HeightCommands, ShiftKeepsHeightColoursAndMask) {
    // A grey map left behind by the last file read must not turn colours grey.
    const PaletteMap* before = CurrentMap;
    CurrentMap = &GreyMap;
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(rowsPicture(1, 2, 5));
    CPicture& p = portfolio.Picture(0);
    p.SetPixel(0, 4, toRgb565(rgb(255, 0, 0)));
    p.SetMask(1, 4, 0);
    p.m_bMasked = true;
    RecordingFeedback feedback;
    ShiftVertically(portfolio, {0}, 3, feedback);
    CurrentMap = before;
    EXPECT_EQ(column(p), (std::vector<int>{W, W, W, 1, 2}));
    EXPECT_EQ(p.m_nHeight, 5);
    EXPECT_EQ(p.m_nDepth, 16);
    EXPECT_EQ(p.GetMask(0, 0), 1);

    ShiftPictureVertically(p, -3);
    EXPECT_EQ(column(p), (std::vector<int>{1, 2, W, W, W}));
    ShiftPictureVertically(p, -40);
    EXPECT_EQ(column(p), (std::vector<int>{W, W, W, W, W}));

    auto masked = rowsPicture(2, 2, 5);
    masked->SetPixel(0, 4, toRgb565(rgb(255, 0, 0)));
    masked->SetMask(1, 4, 0);
    masked->m_bMasked = true;
    ShiftPictureVertically(*masked, -2);
    EXPECT_EQ(masked->GetPixel(0, 2), toRgb565(rgb(255, 0, 0)));
    EXPECT_EQ(masked->GetMask(1, 2), 0);
    EXPECT_TRUE(masked->m_bMasked);
}

TEST(HeightCommands, GreyIndexPicturesGetWhiteIndices) {
    auto p = std::make_unique<CPicture>();
    p->Create(1, 2, 1); // depth 1, black indices
    ShiftPictureVertically(*p, 1);
    EXPECT_EQ(p->GetPixel(0, 0), 3);
    EXPECT_EQ(p->GetPixel(0, 1), 0);
}

TEST(HeightDialogs, RangesStartsAndLabels) {
    HeightDialogModel crop = HeightDialogModel::crop();
    EXPECT_EQ(crop.title, "Crop Height of Images");
    EXPECT_EQ(crop.threshold.caption, "Consider only images with height exceeding:");
    EXPECT_EQ(crop.threshold.value, 0);
    EXPECT_FALSE(crop.changes());
    crop.top.setValue(31);
    EXPECT_EQ(crop.top.valueText(), "30");
    EXPECT_TRUE(crop.changes());

    HeightDialogModel enlarge = HeightDialogModel::enlarge();
    EXPECT_EQ(enlarge.threshold.value, 20);
    enlarge.threshold.setValue(-4);
    EXPECT_EQ(enlarge.threshold.value, 0);

    ShiftDialogModel shift;
    EXPECT_EQ(shift.label(), "None");
    shift.shift.setValue(-7);
    EXPECT_EQ(shift.label(), "Up 7");
    shift.shift.setValue(99);
    EXPECT_EQ(shift.label(), "Down 30");
}

} // namespace
} // namespace pixelon

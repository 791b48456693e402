#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "output/PortfolioViewer.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

using test::addSolid;

class Viewer : public ::testing::Test {
protected:
    PortfolioViewer make(int width = 300, int height = 200) {
        PortfolioViewer viewer(portfolio, "demo.pfo", feedback);
        viewer.SetAreaSize(width, height);
        return viewer;
    }
    CPortfolio portfolio;
    RecordingFeedback feedback;
};

TEST_F(Viewer, TitleNamesTheFileAndThePictureCount) {
    addSolid(portfolio, 1, 5, 5);
    addSolid(portfolio, 2, 5, 5);
    EXPECT_EQ(make().Title(), "Portfolio Viewer - demo.pfo, 2 images");
}

TEST_F(Viewer, SmallPicturesOpenMagnifiedTwoTimes) {
    addSolid(portfolio, 1, 16, 16, rgb(255, 0, 0));
    addSolid(portfolio, 2, 4, 3, rgb(0, 0, 255));
    PortfolioViewer viewer = make();
    viewer.Build(true);
    EXPECT_EQ(viewer.Zoom(), 2);
    EXPECT_TRUE(viewer.ZoomAvailable());
    EXPECT_EQ(viewer.Layout().rects[0], (Rect{6, 6, 38, 38}));
    EXPECT_EQ(viewer.Layout().rects[1], (Rect{50, 6, 58, 12}));
    EXPECT_EQ(viewer.Canvas().width(), 300);
    EXPECT_EQ(viewer.Canvas().height(), 38 + 6);
    EXPECT_EQ(viewer.Canvas().pixel(37, 37), rgb(255, 0, 0));
    EXPECT_EQ(viewer.Canvas().pixel(57, 11), rgb(0, 0, 255));
    EXPECT_NE(viewer.Canvas().pixel(58, 11), rgb(0, 0, 255));
    EXPECT_EQ(feedback.progressEvents().front(), "open Processing...|Generating thumbnails...");
    EXPECT_EQ(feedback.progressEvents().back(), "close");
}

TEST_F(Viewer, OneLargerPictureDisablesTheMagnification) {
    addSolid(portfolio, 1, 16, 16);
    addSolid(portfolio, 2, 17, 4);
    PortfolioViewer viewer = make();
    viewer.Build(true);
    EXPECT_EQ(viewer.Zoom(), 1);
    EXPECT_FALSE(viewer.ZoomAvailable());
}

TEST_F(Viewer, ScrollRangeIsZeroForAShortLayoutAndTheOverhangOtherwise) {
    addSolid(portfolio, 1, 40, 30);
    PortfolioViewer viewer = make(300, 200);
    viewer.Build(false);
    EXPECT_EQ(viewer.ScrollMax(), 0);
    viewer.ScrollTo(50);
    EXPECT_EQ(viewer.ScrollPosition(), 0);

    // Ten 100 x 30 pictures, two a row: five rows of 30 and four gaps of 12.
    CPortfolio tall;
    for (int i = 0; i < 10; ++i)
        addSolid(tall, i, 100, 30 + (i == 3 ? 5 : 0));
    PortfolioViewer scrolled(tall, "t.pfo", feedback);
    scrolled.SetAreaSize(300, 100);
    scrolled.Build(false);
    const int used = 6 + 5 * 30 + 5 + 4 * 12;
    EXPECT_EQ(scrolled.Layout().usedHeight, used);
    EXPECT_EQ(scrolled.ScrollMax(), used + 6 - 100);
    EXPECT_EQ(scrolled.ScrollStep(), 30 + 12);
    scrolled.ScrollTo(10000);
    EXPECT_EQ(scrolled.ScrollPosition(), scrolled.ScrollMax());
    EXPECT_EQ(scrolled.VisibleRect().bottom, scrolled.Canvas().height());
}

TEST_F(Viewer, EdgesAreInclusiveAndThereIsNoPageBreak) {
    // In a 300-wide area the row runs from 6 to 294: two 138-wide cells end exactly on it.
    addSolid(portfolio, 1, 138, 40);
    addSolid(portfolio, 2, 138, 40);
    addSolid(portfolio, 3, 139, 1000); // one pixel wider than the room left: a new row
    PortfolioViewer viewer = make(300, 200);
    viewer.Build(false);
    EXPECT_EQ(viewer.Layout().rects[1], (Rect{156, 6, 294, 46}));
    EXPECT_EQ(viewer.Layout().rects[2], (Rect{6, 58, 145, 1058}));
    EXPECT_EQ(viewer.Layout().usedHeight, 1058);

    // A canvas (used height + 6) exactly as tall as the area has nothing to scroll; one
    // pixel more scrolls by one.
    for (int extra = 0; extra < 2; ++extra) {
        CPortfolio fits;
        addSolid(fits, 1, 40, 188 + extra);
        PortfolioViewer exact(fits, "f.pfo", feedback);
        exact.SetAreaSize(300, 200);
        exact.Build(false);
        EXPECT_EQ(exact.Canvas().height(), 200 + extra);
        EXPECT_EQ(exact.ScrollMax(), extra);
    }
}

TEST_F(Viewer, AClickAddsTheScrollPositionAndShowsLabelAndDepth) {
    for (int i = 0; i < 10; ++i)
        addSolid(portfolio, 65 + i, 100, 30);
    portfolio.Picture(9).m_nDepth = 2;
    PortfolioViewer viewer = make(240, 60);
    viewer.Build(false);
    EXPECT_FALSE(viewer.CanEditOrCopy());
    viewer.ScrollTo(viewer.ScrollMax());
    const Rect last = viewer.Layout().rects[9];
    ASSERT_TRUE(viewer.Click(last.left + 1, last.top + 1 - viewer.ScrollPosition()));
    EXPECT_EQ(viewer.Selection(), 9);
    EXPECT_EQ(viewer.InfoText(), "00074: 2");
    EXPECT_EQ(viewer.CodePointText(), "004A");
    EXPECT_TRUE(viewer.CanEditOrCopy());
    // A click in a gap selects nothing new.
    EXPECT_FALSE(viewer.Click(last.right + 3, last.top + 1 - viewer.ScrollPosition()));
    EXPECT_EQ(viewer.Selection(), 9);
}

TEST_F(Viewer, RebuildingScrollsTheSelectionToTheMiddle) {
    for (int i = 0; i < 20; ++i)
        addSolid(portfolio, i, 100, 40);
    PortfolioViewer viewer = make(240, 100);
    viewer.Select(15);
    viewer.Build(false);
    const Rect r = viewer.Layout().rects[15];
    EXPECT_EQ(viewer.ScrollPosition(), (r.top + r.bottom) / 2 - 50);
}

TEST_F(Viewer, AnEditThatKeepsTheSizeRedrawsOnlyItsCell) {
    addSolid(portfolio, 1, 8, 8, rgb(255, 255, 255));
    addSolid(portfolio, 2, 8, 8, rgb(255, 255, 255));
    PortfolioViewer viewer = make();
    viewer.Build(true);
    viewer.Select(1);
    const Rect r = viewer.Layout().rects[1];
    EXPECT_TRUE(viewer.EditSelected([](CPicture& p) {
        p.SetPixel(7, 7, 0);
        return true;
    }));
    EXPECT_EQ(viewer.Zoom(), 2);
    EXPECT_EQ(viewer.Canvas().pixel(r.right - 1, r.bottom - 1), rgb(0, 0, 0));
    EXPECT_FALSE(viewer.EditSelected([](CPicture&) { return false; }));
}

TEST_F(Viewer, AnEditThatChangesTheSizeRebuildsWithoutZoom) {
    addSolid(portfolio, 1, 8, 8);
    addSolid(portfolio, 2, 8, 8);
    PortfolioViewer viewer = make();
    viewer.Build(true);
    viewer.Select(0);
    EXPECT_TRUE(viewer.EditSelected([](CPicture& p) {
        p.Create(10, 4, p.m_nId);
        return true;
    }));
    EXPECT_EQ(viewer.Zoom(), 1);
    EXPECT_EQ(viewer.Layout().rects[0], (Rect{6, 6, 16, 10}));
}

TEST_F(Viewer, ACanvasTooLargeToMagnifyFallsBackWithTheMessage) {
    for (int i = 0; i < 200; ++i)
        addSolid(portfolio, i, 16, 16);
    PortfolioViewer viewer(portfolio, "big.pfo", feedback);
    viewer.SetCanvasLimit(100 * 1000);
    viewer.SetAreaSize(100, 100);
    viewer.Build(true);
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Not enough memory to magnify.\nZoom x2 will be disabled");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(viewer.Zoom(), 1);
    EXPECT_FALSE(viewer.ZoomAvailable());
    viewer.SetZoom(true); // stays off
    EXPECT_EQ(viewer.Zoom(), 1);
    EXPECT_LE(static_cast<long long>(viewer.Canvas().width()) * viewer.Canvas().height(),
              100 * 1000);
}

TEST_F(Viewer, PlainViewDropsTheFramesAndShowsNoTransparency) {
    addSolid(portfolio, 1, 4, 4, rgb(0, 0, 0));
    portfolio.Picture(0).m_bMasked = true;
    portfolio.Picture(0).SetMask(0, 0, 0);
    PortfolioViewer viewer = make();
    viewer.Build(false);
    const Rect r = viewer.Layout().rects[0];
    EXPECT_EQ(viewer.Canvas().pixel(r.left, r.top), TransparentKey);
    EXPECT_NE(viewer.Canvas().pixel(r.left - 1, r.top), rgb(255, 255, 255));
    viewer.SetPlainView(true);
    EXPECT_EQ(viewer.Canvas().pixel(r.left, r.top), rgb(0, 0, 0));
    EXPECT_EQ(viewer.Canvas().pixel(r.left - 1, r.top), rgb(255, 255, 255));

    viewer.Select(0);
    const auto copied = viewer.SelectedBitmap();
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->width(), 4);
    EXPECT_EQ(copied->pixel(0, 0), TransparentKey); // the copy shows transparent pixels
}

} // namespace
} // namespace pixelon

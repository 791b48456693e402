#include <gtest/gtest.h>

#include "editing/Transforms.h"

namespace pixelon {
namespace {

// A canvas whose picture pixel (x, y) holds the colour rgb(x, y, 7).
EditCanvas numbered(int w, int h) {
    EditCanvas ec;
    ec.reset(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ec.canvas.setPixel(ec.originX + x, ec.originY + y, rgb(x, y, 7));
    return ec;
}

Colour at(const EditCanvas& ec, int x, int y) {
    return ec.pixelAt(x, y);
}

TEST(Fold, LeftToRightOnOddWidthKeepsCentre) {
    EditCanvas ec = numbered(5, 2);
    RecordingFeedback fb;
    foldPicture(ec, FoldMode::LeftToRight, fb);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(at(ec, 2, y), rgb(2, y, 7));
        EXPECT_EQ(at(ec, 3, y), rgb(1, y, 7));
        EXPECT_EQ(at(ec, 4, y), rgb(0, y, 7));
        EXPECT_EQ(at(ec, 0, y), rgb(0, y, 7));
    }
    EXPECT_EQ(fb.progressEvents().front(), "open Folding image...|Processing...");
}

TEST(Fold, OtherHalvesAndSelection) {
    EditCanvas ec = numbered(4, 4);
    RecordingFeedback fb;
    foldPicture(ec, FoldMode::BottomToTop, fb);
    EXPECT_EQ(at(ec, 1, 0), rgb(1, 3, 7));
    EXPECT_EQ(at(ec, 1, 1), rgb(1, 2, 7));
    EXPECT_EQ(at(ec, 1, 3), rgb(1, 3, 7));
    ec = numbered(4, 4);
    foldPicture(ec, FoldMode::RightToLeft, fb);
    EXPECT_EQ(at(ec, 0, 2), rgb(3, 2, 7));
    EXPECT_EQ(at(ec, 3, 2), rgb(3, 2, 7));
    // With a selection only its bounding box folds.
    ec = numbered(6, 2);
    ec.selection = Rect{ec.originX + 2, ec.originY, ec.originX + 5, ec.originY + 2};
    foldPicture(ec, FoldMode::TopToBottom, fb);
    EXPECT_EQ(at(ec, 3, 1), rgb(3, 0, 7));
    EXPECT_EQ(at(ec, 1, 1), rgb(1, 1, 7));
    EXPECT_EQ(at(ec, 5, 1), rgb(5, 1, 7));
}

TEST(Fold, MirrorAndFlipTwiceRestore) {
    for (FoldMode mode : {FoldMode::Mirror, FoldMode::Flip}) {
        const EditCanvas original = numbered(5, 3);
        EditCanvas ec = original;
        RecordingFeedback fb;
        foldPicture(ec, mode, fb);
        EXPECT_NE(ec.canvas, original.canvas);
        if (mode == FoldMode::Mirror)
            EXPECT_EQ(at(ec, 0, 1), rgb(4, 1, 7));
        else
            EXPECT_EQ(at(ec, 0, 0), rgb(0, 2, 7));
        foldPicture(ec, mode, fb);
        EXPECT_EQ(ec.canvas, original.canvas);
    }
}

TEST(Rotate, NonSquarePictureChangesShape) {
    EditCanvas ec = numbered(3, 2);
    RecordingFeedback fb;
    rotatePicture(ec, Rotation::Right, fb);
    ASSERT_EQ(ec.width, 2);
    ASSERT_EQ(ec.height, 3);
    EXPECT_EQ(ec.originX, 2);
    EXPECT_EQ(ec.canvas.width(), 10);
    // The top row is the old left column read bottom to top.
    EXPECT_EQ(at(ec, 0, 0), rgb(0, 1, 7));
    EXPECT_EQ(at(ec, 1, 0), rgb(0, 0, 7));
    EXPECT_EQ(at(ec, 0, 2), rgb(2, 1, 7));
    ec = numbered(3, 2);
    rotatePicture(ec, Rotation::Left, fb);
    // Counter-clockwise: the top row is the old right column read top to bottom.
    EXPECT_EQ(at(ec, 0, 0), rgb(2, 0, 7));
    EXPECT_EQ(at(ec, 1, 0), rgb(2, 1, 7));
    EXPECT_EQ(at(ec, 0, 2), rgb(0, 0, 7));
}

TEST(Rotate, FourQuarterTurnsAndHalfTurns) {
    const EditCanvas original = numbered(4, 3);
    EditCanvas ec = original;
    RecordingFeedback fb;
    for (int i = 0; i < 4; ++i)
        rotatePicture(ec, Rotation::Left, fb);
    EXPECT_EQ(ec.window(), original.window());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(at(ec, x, y), at(original, x, y));
    rotatePicture(ec, Rotation::Half, fb);
    EXPECT_EQ(at(ec, 0, 0), rgb(3, 2, 7));
    EXPECT_EQ(ec.width, 4);
}

TEST(Rotate, SelectionLeftKeepsLeftAndBottomEdges) {
    EditCanvas ec = numbered(8, 8);
    const int ox = ec.originX, oy = ec.originY;
    ec.selection = Rect{ox + 1, oy + 2, ox + 4, oy + 4}; // 3 wide, 2 high
    RecordingFeedback fb;
    rotatePicture(ec, Rotation::Left, fb);
    ASSERT_TRUE(ec.selection);
    EXPECT_EQ(*ec.selection, (Rect{ox + 1, oy + 1, ox + 3, oy + 4}));
    EXPECT_EQ(ec.width, 8); // the picture keeps its shape
    // Target (0,0) of the new region reads source (Ws-1, 0) = picture (3, 2).
    EXPECT_EQ(at(ec, 1, 1), rgb(3, 2, 7));
    EXPECT_EQ(at(ec, 2, 3), rgb(1, 3, 7));
    ec = numbered(8, 8);
    ec.selection = Rect{ox + 1, oy + 2, ox + 4, oy + 4};
    rotatePicture(ec, Rotation::Right, fb);
    EXPECT_EQ(*ec.selection, (Rect{ox + 1, oy + 2, ox + 3, oy + 5}));
}

TEST(SetPictureSize, ScaleResizeAndCrop) {
    EditCanvas ec = numbered(4, 4);
    RecordingFeedback fb;
    ASSERT_TRUE(scalePicture(ec, 8, 2, fb));
    EXPECT_EQ(ec.width, 8);
    EXPECT_EQ(ec.canvas.height(), 10);
    EXPECT_FALSE(ec.selection);
    // Shrinking ANDs the rows that fall together.
    EXPECT_EQ(at(ec, 0, 0), rgb(0, 0, 7));
    EXPECT_EQ(at(ec, 1, 0), rgb(0, 0, 7));
    EXPECT_EQ(at(ec, 2, 1), rgb(1, 2 & 3, 7));

    ec = numbered(4, 4);
    ec.canvas.setPixel(ec.originX + 4, ec.originY, rgb(1, 2, 3)); // beyond the right edge
    ASSERT_TRUE(resizePicture(ec, 5, 2, fb));
    EXPECT_EQ(at(ec, 4, 0), rgb(1, 2, 3));
    EXPECT_EQ(at(ec, 3, 1), rgb(3, 1, 7));

    ec = numbered(60, 200);
    ASSERT_TRUE(cropPicture(ec, 101, 80, fb));
    EXPECT_EQ(ec.width, 60);
    EXPECT_EQ(ec.height, 80);
    EXPECT_EQ(at(ec, 59, 79), rgb(59, 79, 7));

    ec = numbered(10, 10);
    ec.selection = Rect{ec.originX + 2, ec.originY + 3, ec.originX + 5, ec.originY + 4};
    ASSERT_TRUE(cropPicture(ec, 101, 80, fb));
    EXPECT_EQ(ec.width, 3);
    EXPECT_EQ(ec.height, 1);
    EXPECT_EQ(at(ec, 0, 0), rgb(2, 3, 7));

    EXPECT_FALSE(scalePicture(ec, 0, 5, fb));
    EXPECT_FALSE(resizePicture(ec, MaxEditSize + 1, 5, fb));
    EXPECT_EQ(ec.width, 3);
}

TEST(ScaleDialog, RatioProposals) {
    ScaleDialogModel dialog(101, 80);
    dialog.setRatioText("0.5");
    EXPECT_EQ(dialog.xPix(), 50);
    EXPECT_EQ(dialog.yPix(), 40);
    dialog.setRatioText("0");
    EXPECT_EQ(dialog.xPix(), 101);
    dialog.setRatioText("abc");
    EXPECT_EQ(dialog.yPix(), 80);
    EXPECT_FALSE(dialog.changesSize());
    dialog.setRatioText("2");
    EXPECT_TRUE(dialog.changesSize());
}

TEST(Shift, RightAndBackRestoresIncludingPixelsOffThePicture) {
    const EditCanvas original = numbered(5, 4);
    EditCanvas ec = original;
    // Without a selection the window moves right, so the content moves left.
    shiftPicture(ec, 1, 0);
    EXPECT_EQ(at(ec, 0, 0), rgb(1, 0, 7));
    EXPECT_EQ(at(ec, 3, 2), rgb(4, 2, 7));
    EXPECT_EQ(ec.originX, original.originX + 1);
    shiftPicture(ec, -1, 0);
    EXPECT_EQ(ec.canvas, original.canvas);
    EXPECT_EQ(ec.window(), original.window());
    // The origin stays on the canvas.
    for (int i = 0; i < 30; ++i)
        shiftPicture(ec, 0, -1);
    EXPECT_EQ(ec.originY, 0);
    for (int i = 0; i < 30; ++i)
        shiftPicture(ec, 1, 1);
    EXPECT_EQ(ec.originX, 4 * ec.width);
    EXPECT_EQ(ec.originY, 4 * ec.height);
}

TEST(Shift, SelectedBlockMovesAndLeavesWhite) {
    EditCanvas ec = numbered(6, 6);
    const int ox = ec.originX, oy = ec.originY;
    ec.selection = Rect{ox + 1, oy + 1, ox + 3, oy + 3};
    shiftPicture(ec, 0, 1);
    EXPECT_EQ(*ec.selection, (Rect{ox + 1, oy + 2, ox + 3, oy + 4}));
    EXPECT_EQ(at(ec, 1, 1), colourWhite);
    EXPECT_EQ(at(ec, 1, 2), rgb(1, 1, 7));
    EXPECT_EQ(at(ec, 2, 3), rgb(2, 2, 7));
    EXPECT_EQ(at(ec, 0, 1), rgb(0, 1, 7));
}

TEST(ColourSwap, ButtonsSetRowsAndUserColour) {
    ColourSwapModel swap(rgb(10, 200, 130));
    EXPECT_EQ(swap.selection(4), 3);
    swap.invert();
    EXPECT_EQ(swap.pair(0), ColourPair::plain(colourWhite));
    EXPECT_EQ(swap.pair(1), ColourPair::plain(colourLightGrey));
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(245, 55, 125)));
    swap.darken();
    EXPECT_EQ(swap.pair(3), (ColourPair{colourLightGrey, colourWhite}));
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(241, 51, 121)));
    swap.soften();
    EXPECT_EQ(swap.pair(0), (ColourPair{colourBlack, colourDarkGrey}));
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(233, 59, 129)));
    swap.lighten();
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(237, 63, 133)));
    swap.normal();
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(10, 200, 130)));
    swap.select(1, 8);
    swap.chooseColour(rgb(1, 2, 3));
    EXPECT_EQ(swap.entry(0, 8), ColourPair::plain(rgb(1, 2, 3)));
    EXPECT_EQ(swap.pair(1), ColourPair::plain(rgb(10, 200, 130))); // row 1 was on entry 8
    EXPECT_EQ(swap.pair(4), ColourPair::plain(rgb(10, 200, 130)));
}

TEST(ColourSwap, PixelsFollowTheirRowsAsCheckerboard) {
    EditCanvas ec;
    ec.reset(4, 1);
    const Colour user = rgb(10, 200, 130);
    const Colour row[] = {colourBlack, colourWhite, rgb(200, 30, 30), user};
    for (int x = 0; x < 4; ++x)
        ec.canvas.setPixel(ec.originX + x, ec.originY, row[x]);
    ColourSwapModel swap(user);
    swap.darken(); // white -> light grey / white
    swap.select(4, 0);
    RecordingFeedback fb;
    swapColours(ec, swap.result(), user, fb);
    const int cx = ec.originX + 1, cy = ec.originY;
    EXPECT_EQ(at(ec, 1, 0), ((cx + cy) % 2 ? colourWhite : colourLightGrey));
    EXPECT_EQ(at(ec, 0, 0), colourBlack);
    EXPECT_EQ(at(ec, 2, 0), rgb(200, 30, 30)); // not grey, not the user colour
    EXPECT_EQ(at(ec, 3, 0), colourBlack);

    ColourSwapModel invert(user);
    invert.invert();
    ec.canvas.setPixel(ec.originX, ec.originY, colourDarkGrey);
    swapColours(ec, invert.result(), user, fb);
    EXPECT_EQ(at(ec, 0, 0), colourLightGrey);
}

TEST(ColourSwap, WhatCountsAsGrey) {
    EXPECT_TRUE(countsAsGrey(0));
    EXPECT_TRUE(countsAsGrey(0xFFFFFF));
    EXPECT_TRUE(countsAsGrey(rgb(81, 111, 95)));
    EXPECT_FALSE(countsAsGrey(rgb(40, 50, 200))); // only one difference is small
    EXPECT_FALSE(countsAsGrey(rgb(40, 60, 200)));
    EXPECT_TRUE(countsAsGrey(rgb(40, 50, 60)));
}

} // namespace
} // namespace pixelon

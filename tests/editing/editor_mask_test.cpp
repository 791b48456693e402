// Transparency in the editor: which pixels come out transparent, through edits and transforms.
#include <gtest/gtest.h>

#include "editing/PictureEditor.h"
#include "tests/support/TestPictures.h"

namespace pixelon {
namespace {

// A white W x H picture of colour values; `transparent` pixels are masked out.
CPicture picture(int w, int h, std::initializer_list<std::pair<int, int>> transparent = {}) {
    CPicture p = whitePicture(w, h);
    for (auto [x, y] : transparent)
        p.SetMask(x, y, 0);
    p.m_bMasked = transparent.size() > 0;
    return p;
}

struct Editor {
    explicit Editor(const CPicture& p) : editor(p, feedback) {}
    RecordingFeedback feedback;
    PictureEditor editor;

    void click(int x, int y, MouseButton b = MouseButton::Left) {
        editor.mouseDown(b, x, y);
        editor.mouseUp(b, x, y);
    }
    // The transparent pixels of the picture accept() writes.
    std::vector<std::pair<int, int>> transparentAfterAccept(CPicture& p) {
        editor.accept(p);
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < p.m_nHeight; ++y)
            for (int x = 0; x < p.m_nWidth; ++x)
                if (!p.GetMask(x, y))
                    out.emplace_back(x, y);
        return out;
    }
};

using Cells = std::vector<std::pair<int, int>>;

TEST(EditorMask, OpaquePixelsOfTheKeyColourStayOpaque) {
    // A photo pixel that happens to have the key colour, beside ordinary ones.
    CPicture p = picture(3, 2);
    p.SetPixel(0, 0, toRgb565(TransparentKey));
    Editor e(p);
    EXPECT_EQ(e.editor.pixel(0, 0), TransparentKey);
    e.click(2, 1); // any edit
    EXPECT_TRUE(e.transparentAfterAccept(p).empty());
    EXPECT_FALSE(p.m_bMasked);
    EXPECT_EQ(p.GetPixel(0, 0), toRgb565(TransparentKey));
    EXPECT_EQ(p.m_nSaveDepth, 16);

    // A key-coloured bitmap pasted over a transparent pixel makes it opaque.
    CPicture icon = picture(2, 1, {{0, 0}});
    Editor pasted(icon);
    pasted.editor.paste(Surface(1, 1, TransparentKey));
    EXPECT_TRUE(pasted.transparentAfterAccept(icon).empty());
    EXPECT_TRUE(icon.m_bMasked); // an Icon stays an Icon
}

TEST(EditorMask, TransparentButtonPaintsAndOtherColoursCoverIt) {
    CPicture p = picture(4, 1);
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.clickPaletteButton(TransparentButton, MouseButton::Right);
    e.click(1, 0, MouseButton::Right);
    e.click(2, 0, MouseButton::Right);
    EXPECT_EQ(ed.pixel(1, 0), TransparentKey);
    e.click(2, 0); // black over it
    // The custom colour taken from a transparent pixel paints opaque.
    ed.setTool(Tool::Picker);
    e.click(1, 0);
    ed.clickPaletteButton(CustomColourButton, MouseButton::Left);
    ed.setTool(Tool::Pen);
    e.click(3, 0);
    EXPECT_EQ(ed.pixel(3, 0), TransparentKey);
    EXPECT_EQ(e.transparentAfterAccept(p), (Cells{{1, 0}}));

    // A fill with the transparent brush, then undo and redo of it.
    CPicture q = picture(3, 2);
    Editor f(q);
    f.editor.setTool(Tool::Fill);
    f.editor.clickPaletteButton(TransparentButton, MouseButton::Left);
    f.click(0, 0);
    f.editor.undo();
    EXPECT_EQ(f.editor.pixel(0, 0), colourWhite);
    f.editor.undo(); // redo
    EXPECT_EQ(f.transparentAfterAccept(q).size(), 6u);
}

TEST(EditorMask, TransparencyFollowsTransformsAndUndo) {
    CPicture p = picture(4, 2, {{0, 0}});
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.fold(FoldMode::Mirror);
    EXPECT_EQ(ed.pixel(3, 0), TransparentKey);
    // The arrow moves the window right: the content, mask included, moves left.
    ed.shift(1, 0);
    EXPECT_EQ(ed.pixel(2, 0), TransparentKey);
    ed.undo();
    EXPECT_EQ(ed.pixel(3, 0), TransparentKey);
    ed.rotate(Rotation::Right); // 4 x 2 becomes 2 x 4; (3, 0) goes to (1, 3)
    ASSERT_EQ(ed.width(), 2);
    CPicture rotated = p;
    EXPECT_EQ(e.transparentAfterAccept(rotated), (Cells{{1, 3}}));

    // Crop to a selection that holds the transparent pixel, and one that does not.
    CPicture q = picture(5, 5, {{3, 3}});
    Editor c(q);
    c.editor.setSelection(Rect{2, 2, 5, 5});
    c.editor.crop();
    CPicture cropped = q;
    EXPECT_EQ(c.transparentAfterAccept(cropped), (Cells{{1, 1}}));
    Editor d(q);
    d.editor.setSelection(Rect{0, 0, 2, 2});
    d.editor.crop();
    CPicture none = q;
    EXPECT_TRUE(d.transparentAfterAccept(none).empty());

    // Clear makes every pixel opaque white.
    Editor cl(q);
    cl.editor.clear();
    CPicture cleared = q;
    EXPECT_TRUE(cl.transparentAfterAccept(cleared).empty());
}

TEST(EditorMask, MovedSelectionCarriesItsTransparency) {
    CPicture p = picture(6, 1, {{1, 0}});
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.setTool(Tool::Select);
    ed.setSelection(Rect{0, 0, 2, 1});
    ed.mouseDown(MouseButton::Left, 1, 0);
    ed.mouseMove(4, 0);
    ed.mouseUp(MouseButton::Left, 4, 0);
    EXPECT_EQ(ed.pixel(4, 0), TransparentKey);
    EXPECT_EQ(ed.pixel(1, 0), colourWhite);
    EXPECT_EQ(e.transparentAfterAccept(p), (Cells{{4, 0}}));
}

TEST(EditorMask, ColourReductionsLeaveTransparentPixelsAlone) {
    CPicture p = picture(4, 4, {{2, 2}});
    for (int x = 0; x < 4; ++x)
        p.SetPixel(x, 0, toRgb565(rgb(200, 40, 40)));
    Editor e(p);
    e.editor.dither = true;
    e.editor.toGreyLevels();
    EXPECT_EQ(e.editor.pixel(2, 2), TransparentKey);
    e.editor.swapColours({ColourPair::plain(colourWhite), ColourPair::plain(colourWhite),
                          ColourPair::plain(colourWhite), ColourPair::plain(colourBlack),
                          ColourPair::plain(colourBlack)});
    EXPECT_EQ(e.editor.pixel(2, 2), TransparentKey);
    EXPECT_EQ(e.transparentAfterAccept(p), (Cells{{2, 2}}));
    CurrentMap = &DirectMap;
}

} // namespace
} // namespace pixelon

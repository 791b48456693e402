#include <gtest/gtest.h>

#include <functional>

#include "core/Portfolio.h"
#include "editing/PictureEditor.h"
#include "tests/support/TestPictures.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

struct Editor {
    explicit Editor(const CPicture& p) : editor(p, feedback) {}
    RecordingFeedback feedback;
    PictureEditor editor;
};

TEST(EditorOpen, GreyIndicesAndMaskAreShown) {
    CPicture p;
    p.Create(2, 1, 7);
    p.m_nDepth = 2;
    p.SetPixel(0, 0, 1);
    p.SetPixel(1, 0, 3);
    p.m_bMasked = true;
    p.SetMask(0, 0, 1);
    Editor e(p);
    EXPECT_EQ(e.editor.pixel(0, 0), colourDarkGrey);
    EXPECT_EQ(e.editor.pixel(1, 0), TransparentKey);
    EXPECT_EQ(e.editor.state().originX, 2);
    EXPECT_EQ(e.editor.canvas().width(), 10);
    EXPECT_EQ(CurrentMap, &GreyMap);
    CurrentMap = &DirectMap;
}

TEST(EditorUndo, SecondUndoRedoes) {
    Editor e(whitePicture(4, 4));
    PictureEditor& ed = e.editor;
    EXPECT_EQ(ed.undoState(), 0);
    ed.mouseDown(MouseButton::Left, 1, 1);
    ed.mouseUp(MouseButton::Left, 1, 1);
    EXPECT_EQ(ed.pixel(1, 1), colourBlack);
    ed.undo();
    EXPECT_EQ(ed.pixel(1, 1), colourWhite);
    EXPECT_EQ(ed.undoState(), 2);
    ed.undo();
    EXPECT_EQ(ed.pixel(1, 1), colourBlack);
    EXPECT_EQ(ed.undoState(), 1);
    // Undo of a size change restores the size too.
    ed.resize(2, 3);
    ed.undo();
    EXPECT_EQ(ed.width(), 4);
    EXPECT_EQ(ed.canvas().width(), 20);
}

TEST(EditorTools, PenStrokeHasNoGapsAndRightButtonUsesRightColour) {
    Editor e(whitePicture(10, 3));
    PictureEditor& ed = e.editor;
    ed.mouseDown(MouseButton::Left, 0, 1);
    ed.mouseMove(9, 1);
    ed.mouseUp(MouseButton::Left, 9, 1);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(ed.pixel(x, 1), colourBlack) << x;
    ed.clickPaletteButton(1085, MouseButton::Right);
    ed.mouseDown(MouseButton::Right, 3, 0);
    ed.mouseUp(MouseButton::Right, 3, 0);
    EXPECT_EQ(ed.pixel(3, 0), colourDarkGrey);
    EXPECT_EQ(ed.rightColour(), ColourPair::plain(colourDarkGrey));
}

TEST(EditorTools, LineWithCtrlIsStraightAndOtherButtonCancels) {
    Editor e(whitePicture(10, 10));
    PictureEditor& ed = e.editor;
    ed.setTool(Tool::Line);
    ed.mouseDown(MouseButton::Left, 1, 1);
    ed.mouseMove(8, 3, {false, true});
    ed.mouseUp(MouseButton::Left, 8, 3, {false, true});
    for (int x = 1; x <= 8; ++x)
        EXPECT_EQ(ed.pixel(x, 1), colourBlack);
    EXPECT_EQ(ed.pixel(8, 3), colourWhite);
    ed.mouseDown(MouseButton::Left, 2, 2);
    ed.mouseDown(MouseButton::Right, 2, 6);
    ed.mouseUp(MouseButton::Left, 2, 8);
    EXPECT_EQ(ed.pixel(2, 5), colourWhite);
    // A line without Ctrl runs diagonally.
    ed.mouseDown(MouseButton::Left, 0, 9);
    ed.mouseUp(MouseButton::Left, 3, 6);
    EXPECT_EQ(ed.pixel(1, 8), colourBlack);
}

TEST(EditorTools, FillStaysInPictureOrSelection) {
    Editor e(whitePicture(6, 4));
    PictureEditor& ed = e.editor;
    ed.setTool(Tool::Fill);
    ed.mouseDown(MouseButton::Left, 0, 0);
    ed.mouseUp(MouseButton::Left, 0, 0);
    const EditCanvas& ec = ed.state();
    EXPECT_EQ(ed.pixel(5, 3), colourBlack);
    EXPECT_EQ(ec.canvas.pixel(ec.originX - 1, ec.originY), colourWhite);
    EXPECT_EQ(ec.canvas.pixel(ec.originX + 6, ec.originY + 3), colourWhite);
    EXPECT_EQ(ec.canvas.pixel(ec.originX, ec.originY + 4), colourWhite);
    ed.setSelection(Rect{1, 1, 3, 3});
    ed.clickPaletteButton(1090, MouseButton::Left); // black / white half-tone
    ed.mouseDown(MouseButton::Left, 1, 1);
    ed.mouseUp(MouseButton::Left, 1, 1);
    EXPECT_EQ(ed.pixel(0, 0), colourBlack);
    int white = 0;
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x)
            white += ed.pixel(x, y) == colourWhite;
    EXPECT_EQ(white, 2);
}

TEST(EditorSelect, NewRectangleHandlesAndMove) {
    Editor e(whitePicture(20, 20));
    PictureEditor& ed = e.editor;
    ed.setTool(Tool::Select);
    ed.mouseDown(MouseButton::Left, 2, 3);
    ed.mouseMove(6, 8);
    ed.mouseUp(MouseButton::Left, 6, 8);
    EXPECT_EQ(ed.selectionText(), "2,3 - 5 x 6");
    // Drag the bottom edge handle up by two rows.
    ed.mouseDown(MouseButton::Left, 4, 8);
    EXPECT_EQ(ed.selectDrag(), SelectDrag::Bottom);
    ed.mouseUp(MouseButton::Left, 4, 6);
    EXPECT_EQ(ed.selectionText(), "2,3 - 5 x 4");
    // The top-left corner handle, dragged beyond the picture, is clipped.
    ed.mouseDown(MouseButton::Left, 2, 3);
    EXPECT_EQ(ed.selectDrag(), SelectDrag::TopLeft);
    ed.mouseUp(MouseButton::Left, -5, 1);
    EXPECT_EQ(ed.selectionText(), "0,1 - 7 x 6");
    ed.mouseDown(MouseButton::Right, 10, 10);
    EXPECT_EQ(ed.selectionText(), "");
}

TEST(EditorSelect, MovingLiftsPixelsAndKeepsWhatIsUnder) {
    CPicture p = whitePicture(10, 4);
    p.SetPixel(1, 1, 0);
    p.SetPixel(7, 1, 0xF800);
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.setTool(Tool::Select);
    ed.setSelection(Rect{0, 0, 3, 3});
    ed.mouseDown(MouseButton::Left, 1, 1); // inside: move
    EXPECT_EQ(ed.selectDrag(), SelectDrag::Move);
    ed.mouseMove(7, 1);
    EXPECT_EQ(ed.pixel(7, 1), colourBlack);
    ed.mouseMove(4, 1); // away again: the red pixel under it comes back
    ed.mouseUp(MouseButton::Left, 4, 1);
    EXPECT_EQ(ed.pixel(7, 1), fromRgb565(0xF800));
    EXPECT_EQ(ed.pixel(4, 1), colourBlack);
    EXPECT_EQ(ed.pixel(1, 1), colourWhite);
    EXPECT_TRUE(ed.floating());
    ed.undo(); // commits, then returns to before the lift
    EXPECT_EQ(ed.pixel(1, 1), colourBlack);
}

TEST(EditorShiftDrag, MovesContentWithThePointer) {
    CPicture p = whitePicture(8, 8);
    p.SetPixel(2, 2, 0);
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.mouseDown(MouseButton::Left, 2, 2, {true, false});
    ed.mouseMove(4, 3, {true, false});
    ed.mouseUp(MouseButton::Left, 4, 3, {true, false});
    EXPECT_EQ(ed.pixel(4, 3), colourBlack);
    EXPECT_EQ(ed.pixel(2, 2), colourWhite);
    ed.undo();
    EXPECT_EQ(ed.pixel(2, 2), colourBlack);
}

// Each character is a 2 x 3 block of ink; the blank is one pixel.
class BlockFont : public TextFont {
public:
    Surface renderWord(std::string_view word) const override {
        return Surface(int(word.size()) * 2, 3, 0);
    }
    int blankWidth() const override { return 1; }
    int lineHeight() const override { return 4; }
};

TEST(EditorText, WordsWrapAtTheRightEdge) {
    Editor e(whitePicture(10, 10));
    PictureEditor& ed = e.editor;
    ed.setFont(std::make_shared<BlockFont>());
    EXPECT_EQ(ed.tool(), Tool::Text);
    ed.mouseDown(MouseButton::Left, 2, 0);
    ed.mouseUp(MouseButton::Left, 2, 0);
    ed.typeText("ab cd");
    ed.backspace();
    ed.typeText("d");
    EXPECT_EQ(ed.pixel(2, 0), colourWhite); // not drawn until committed
    ed.setTool(Tool::Pen);
    EXPECT_EQ(ed.pixel(2, 0), colourBlack);
    EXPECT_EQ(ed.pixel(5, 2), colourBlack);
    EXPECT_EQ(ed.pixel(6, 0), colourWhite); // the blank
    EXPECT_EQ(ed.pixel(2, 4), colourBlack); // "cd" did not fit after "ab"
    EXPECT_EQ(ed.pixel(7, 0), colourWhite);
    EXPECT_EQ(ed.pixel(2, 3), colourWhite);
}

TEST(EditorColours, PaletteButtonsPickerAndChooser) {
    CPicture p = whitePicture(3, 1);
    p.SetPixel(2, 0, 0x001F);
    Editor e(p);
    PictureEditor& ed = e.editor;
    EXPECT_EQ(ed.leftColour(), ColourPair::plain(colourBlack));
    ed.clickPaletteButton(1093, MouseButton::Left);
    EXPECT_EQ(ed.paletteButtonPair(LeftIndicator), (ColourPair{colourLightGrey, colourWhite}));
    ed.chooseCustomColour(TransparentKey);
    EXPECT_EQ(ed.customColour(), rgb(254, 127, 254));
    ed.setTool(Tool::Picker);
    ed.mouseMove(2, 0);
    EXPECT_EQ(ed.pickerText(2), "255");
    EXPECT_EQ(ed.pointerXText(), "2");
    ed.mouseDown(MouseButton::Left, 2, 0);
    EXPECT_EQ(ed.customColour(), rgb(0, 0, 255));
    EXPECT_EQ(ed.paletteButtonPair(CustomColourButton), ColourPair::plain(rgb(0, 0, 255)));
    ed.pointerLeft();
    EXPECT_EQ(ed.pointerXText(), "");
}

TEST(EditorView, ZoomRulesAndMapping) {
    Editor e(whitePicture(40, 20));
    PictureEditor& ed = e.editor;
    ed.setViewSize(200, 100);
    EXPECT_EQ(ed.zoom(), 5);
    EXPECT_FALSE(ed.canZoomIn()); // at fit and narrower than 51
    ed.zoomIn();
    EXPECT_EQ(ed.zoom(), 5);
    ed.zoomOut();
    EXPECT_TRUE(ed.canZoomIn());
    EXPECT_EQ(ed.viewOffset(), 20);
    EXPECT_EQ(ed.toPicture(20 + 7, 9), (std::pair{1, 2}));
    EXPECT_FALSE(ed.toPicture(10, 9));
    Surface view;
    ed.toggleGrid();
    ed.renderView(view);
    EXPECT_EQ(view.width(), 200);
    EXPECT_EQ(view.pixel(5, 5), rgb(192, 192, 192));
    EXPECT_EQ(view.pixel(21, 1), colourWhite);
    EXPECT_EQ(view.pixel(24, 1), rgb(128, 128, 128)); // grid line every 4 pixels
    RecordingFeedback fb;
    PictureEditor withAscent(whitePicture(10, 10), fb, 3);
    withAscent.setViewSize(40, 40);
    withAscent.renderView(view);
    EXPECT_EQ(view.pixel(5, 12), rgb(255, 0, 0)); // ascent 3 at zoom 4
    EXPECT_EQ(view.pixel(5, 11), colourWhite);
    Editor wide(whitePicture(60, 10));
    wide.editor.setViewSize(60, 10);
    EXPECT_TRUE(wide.editor.canZoomIn());
    while (wide.editor.canZoomOut())
        wide.editor.zoomOut();
    EXPECT_EQ(wide.editor.zoom(), 1);
}

TEST(EditorPaste, KeepsThePartBeyondThePicture) {
    Editor e(whitePicture(4, 4));
    PictureEditor& ed = e.editor;
    Surface bitmap(8, 4, colourBlack);
    bitmap.setPixel(6, 0, rgb(1, 2, 3));
    ed.paste(bitmap);
    EXPECT_EQ(ed.pixel(3, 0), colourBlack);
    ed.resize(8, 4);
    EXPECT_EQ(ed.pixel(6, 0), rgb(1, 2, 3));
    ed.setSelection(Rect{1, 1, 3, 3});
    const Surface copied = ed.copy();
    EXPECT_EQ(copied.width(), 2);
}

TEST(EditorAccept, WideAndTallPicturesKeepTheMiddle) {
    CPicture p = whitePicture(1400, 10);
    for (int y = 0; y < 10; ++y) {
        p.SetPixel(49, y, 0);
        p.SetPixel(50, y, 0x001F);
    }
    Editor e(p);
    CPicture out;
    e.editor.accept(out);
    EXPECT_EQ(out.m_nWidth, 1300);
    EXPECT_EQ(out.m_nHeight, 10);
    EXPECT_EQ(out.GetPixel(0, 0), 0x001F);
    EXPECT_EQ(out.m_nDepth, 16);
}

// A wide picture turned upright keeps the editor's limit in height, and a saved portfolio
// reads it back whole.
TEST(EditorAccept, RotatedPictureSavesAndReadsBack) {
    CPicture p = whitePicture(1400, 4);
    p.m_nId = 7;
    Editor e(p);
    e.editor.rotate(Rotation::Left);
    auto out = std::make_unique<CPicture>();
    out->m_nId = 7;
    e.editor.accept(*out);
    EXPECT_EQ(out->m_nWidth, 4);
    EXPECT_EQ(out->m_nHeight, 1360);

    test::TempDir dir;
    CPortfolio saved;
    saved.m_strName = "Tall";
    saved.InsertSorted(std::move(out));
    RecordingFeedback quiet;
    ASSERT_TRUE(saved.WriteFile(dir.path / "tall.pfo", quiet));
    CPortfolio read;
    ASSERT_TRUE(read.ReadFile(dir.path / "tall.pfo", quiet));
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.Picture(0).m_nHeight, 1360);
}

TEST(EditorAccept, DepthFollowsTheColoursUsed) {
    CPicture p = whitePicture(3, 3);
    {
        Editor e(p);
        e.editor.clickPaletteButton(1085, MouseButton::Left);
        e.editor.mouseDown(MouseButton::Left, 1, 1);
        e.editor.mouseUp(MouseButton::Left, 1, 1);
        e.editor.accept(p);
        EXPECT_EQ(p.m_nSaveDepth, 2);
        EXPECT_EQ(p.ClassifyDepth(), 2);
        EXPECT_EQ(p.m_nDepth, 16);
        EXPECT_EQ(p.PixelColour(1, 1), fromRgb565(toRgb565(colourDarkGrey)));
    }
    {
        Editor e(p);
        e.editor.chooseCustomColour(rgb(200, 10, 10));
        e.editor.clickPaletteButton(CustomColourButton, MouseButton::Left);
        e.editor.mouseDown(MouseButton::Left, 0, 0);
        e.editor.mouseUp(MouseButton::Left, 0, 0);
        e.editor.accept(p);
        EXPECT_EQ(p.m_nSaveDepth, 16);
    }
    {
        Editor e(p);
        e.editor.toCubeColours();
        e.editor.accept(p);
        EXPECT_EQ(p.m_nDepth, 8);
        EXPECT_EQ(p.ClassifyDepth(), 8);
    }
    CurrentMap = &DirectMap;
}

TEST(EditorAccept, TransparentColourMakesAnIconAndIconsStayIcons) {
    CPicture p = whitePicture(2, 1);
    {
        Editor e(p);
        e.editor.clickPaletteButton(TransparentButton, MouseButton::Left);
        e.editor.mouseDown(MouseButton::Left, 0, 0);
        e.editor.mouseUp(MouseButton::Left, 0, 0);
        e.editor.accept(p);
    }
    EXPECT_TRUE(p.m_bMasked);
    EXPECT_EQ(p.GetMask(0, 0), 0);
    EXPECT_EQ(p.GetMask(1, 0), 1);
    EXPECT_EQ(p.m_nSaveDepth, 1);
    Editor again(p); // opening and accepting keeps the transparency
    again.editor.accept(p);
    EXPECT_TRUE(p.m_bMasked);
    EXPECT_EQ(p.GetMask(0, 0), 0);
}

TEST(EditorCommands, ReductionsFollowTheDitherBox) {
    CPicture p = whitePicture(6, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            p.SetPixel(x, y, toRgb565(rgb(128, 128, 128)));
    Editor e(p);
    e.editor.toMono();
    EXPECT_EQ(e.editor.pixel(0, 0), colourWhite); // plain: the sum 384 is not below 376
    e.editor.undo();
    e.editor.dither = true;
    e.editor.toMono();
    int black = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            black += e.editor.pixel(x, y) == colourBlack;
    EXPECT_GT(black, 6);
    EXPECT_LT(black, 30);
    e.editor.mapToSteps(MappingSteps{250, 200, 100, 10});
    EXPECT_EQ(currentMappingSteps(), (MappingSteps{250, 200, 100, 10}));
    EXPECT_EQ(e.editor.depth(), 2);
    currentMappingSteps() = MappingSteps{};
    CurrentMap = &DirectMap;
}

} // namespace
} // namespace pixelon

namespace pixelon {
namespace {

// One block of ink per character, so committed text is easy to find.
class InkFont : public TextFont {
public:
    Surface renderWord(std::string_view word) const override {
        return Surface(int(word.size()) * 2, 2, 0);
    }
    int blankWidth() const override { return 1; }
    int lineHeight() const override { return 3; }
};

TEST(EditorText, EveryCommandDrawsPendingTextFirst) {
    using Step = std::function<void(PictureEditor&)>;
    const std::vector<std::pair<const char*, Step>> commands = {
        {"zoom in", [](PictureEditor& ed) { ed.zoomIn(); }},
        {"zoom out", [](PictureEditor& ed) { ed.zoomOut(); }},
        {"grid", [](PictureEditor& ed) { ed.toggleGrid(); }},
        {"palette", [](PictureEditor& ed) { ed.clickPaletteButton(1086, MouseButton::Right); }},
        {"colour", [](PictureEditor& ed) { ed.chooseCustomColour(rgb(1, 2, 3)); }},
        {"easy palette", [](PictureEditor& ed) { ed.setLeftColour(ColourPair::plain(0xFF)); }},
    };
    for (const auto& [name, command] : commands) {
        RecordingFeedback feedback;
        PictureEditor ed(whitePicture(8, 4), feedback);
        ed.setFont(std::make_shared<InkFont>());
        ed.mouseDown(MouseButton::Left, 1, 1);
        ed.mouseUp(MouseButton::Left, 1, 1);
        ed.typeText("a");
        command(ed);
        EXPECT_FALSE(ed.placingText()) << name;
        EXPECT_EQ(ed.pixel(1, 1), colourBlack) << name;
        // The text is a change of its own: undo takes back only the text.
        ed.undo();
        EXPECT_EQ(ed.pixel(1, 1), colourWhite) << name;
    }
}

TEST(EditorShift, ArrowsMoveTheWindowOrTheSelection) {
    CPicture p = whitePicture(5, 3);
    p.SetPixel(2, 1, 0);
    Editor e(p);
    PictureEditor& ed = e.editor;
    ed.shift(1, 0); // the window moves right: the content moves left
    EXPECT_EQ(ed.pixel(1, 1), colourBlack);
    ed.shift(0, -1); // up: the content moves down
    EXPECT_EQ(ed.pixel(1, 2), colourBlack);
    ed.shift(-1, 1);
    EXPECT_EQ(ed.pixel(2, 1), colourBlack);
    // A selected block moves the way of the arrow.
    ed.setSelection(Rect{2, 1, 3, 2});
    ed.shift(1, 0);
    EXPECT_EQ(ed.pixel(3, 1), colourBlack);
    EXPECT_EQ(ed.pixel(2, 1), colourWhite);
}

} // namespace
} // namespace pixelon

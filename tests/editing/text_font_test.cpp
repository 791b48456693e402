// The text tool's fonts: the built-in one, the program-wide choice and the font dialog's colours.
#include <gtest/gtest.h>

#include "editing/PictureEditor.h"
#include "editing/PixelFont.h"
#include "tests/support/TestPictures.h"

namespace pixelon {
namespace {

int inkCount(const PictureEditor& ed, Colour c = colourBlack) {
    int n = 0;
    for (int y = 0; y < ed.height(); ++y)
        for (int x = 0; x < ed.width(); ++x)
            n += ed.pixel(x, y) == c;
    return n;
}

// A font of one 1 x 1 dot a character, in its own colour.
class DotFont : public TextFont {
public:
    Surface renderWord(std::string_view word) const override {
        return Surface(int(word.size()), 1, 0);
    }
    int blankWidth() const override { return 1; }
    int lineHeight() const override { return 1; }
    std::optional<Colour> colour() const override { return rgb(255, 0, 0); }
};

struct EditorFontReset : ::testing::Test {
    ~EditorFontReset() override { setEditorFont(nullptr); }
};

TEST_F(EditorFontReset, TextToolDrawsWithoutAnyFontChosen) {
    RecordingFeedback feedback;
    PictureEditor ed(whitePicture(40, 12), feedback);
    ed.setTool(Tool::Text);
    ed.mouseDown(MouseButton::Left, 1, 1);
    ed.mouseUp(MouseButton::Left, 1, 1);
    ed.typeText("Hi");
    ed.setTool(Tool::Pen);
    // 'H' has two strokes of 7 and a bar of 3 ink pixels; 'i' a stem of 6, a dot and a foot.
    EXPECT_EQ(inkCount(ed), 17 + 9);
    EXPECT_EQ(ed.pixel(1, 2), colourBlack); // H's left stroke, below the blank top row
    EXPECT_EQ(ed.pixel(1, 1), colourWhite);
}

TEST_F(EditorFontReset, ChosenFontOutlivesTheSessionButASessionFontDoesNot) {
    RecordingFeedback feedback;
    {
        PictureEditor first(whitePicture(8, 4), feedback);
        first.setFont(std::make_shared<DotFont>()); // this session only
    }
    EXPECT_NE(dynamic_cast<const PixelFont*>(editorFont().get()), nullptr);
    {
        PictureEditor first(whitePicture(8, 4), feedback);
        first.chooseFont(std::make_shared<DotFont>());
        EXPECT_EQ(first.tool(), Tool::Text);
    }
    PictureEditor second(whitePicture(8, 4), feedback);
    second.setTool(Tool::Text);
    second.mouseDown(MouseButton::Left, 2, 2);
    second.typeText("ab");
    second.zoomIn();
    EXPECT_EQ(second.pixel(2, 2), rgb(255, 0, 0));
    EXPECT_EQ(second.pixel(3, 2), rgb(255, 0, 0));
    // Back to the built-in font.
    second.chooseFont(nullptr);
    EXPECT_NE(dynamic_cast<const PixelFont*>(&second.font()), nullptr);
}

TEST(PixelFont, LettersAreFiveWideAndUnknownCharactersShowAsQuestionMarks) {
    PixelFont font;
    const Surface ab = font.renderWord("ab");
    EXPECT_EQ(ab.width(), 11);
    EXPECT_EQ(ab.height(), font.lineHeight());
    const Surface unknown = font.renderWord("\xC3\xA9"); // one code point, not ASCII
    const Surface question = font.renderWord("?");
    EXPECT_EQ(unknown, question);
    EXPECT_TRUE(font.renderWord("").empty());
    // Every printable character has some ink, except the blank.
    for (char c = '!'; c <= '~'; ++c) {
        const Surface s = font.renderWord(std::string(1, c));
        int ink = 0;
        for (Colour p : s.pixels())
            ink += p == 0;
        EXPECT_GT(ink, 0) << c;
    }
}

TEST(FontDialogColours, StartAtTheGreyNearestTheLeftColour) {
    EXPECT_EQ(fontDialogStartColour(ColourPair::plain(colourDarkGrey)), rgb(128, 128, 128));
    EXPECT_EQ(fontDialogStartColour(ColourPair{colourLightGrey, colourWhite}), rgb(192, 192, 192));
    EXPECT_EQ(fontDialogStartColour(ColourPair::plain(colourWhite)), rgb(255, 255, 255));
    EXPECT_EQ(fontDialogStartColour(ColourPair::plain(rgb(200, 10, 10))), rgb(0, 0, 0));
    EXPECT_EQ(fontDialogColourIndex(rgb(128, 128, 128)), 7);
    EXPECT_EQ(fontDialogColourIndex(rgb(1, 2, 3)), -1);
    EXPECT_STREQ(fontDialogColours()[fontDialogColourIndex(rgb(192, 192, 192))].name, "Silver");
}

} // namespace
} // namespace pixelon

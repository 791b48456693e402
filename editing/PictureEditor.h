#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Picture.h"
#include "editing/EditCanvas.h"
#include "editing/Reductions.h"
#include "editing/TextFont.h"
#include "editing/Transforms.h"
#include "platform/Feedback.h"

namespace pixelon {

enum class Tool { Pen = 0, Line = 1, Select = 2, Fill = 3, Text = 4, Picker = 5 };
enum class MouseButton { Left, Right };
struct Modifiers {
    bool shift = false;
    bool ctrl = false;
};

// How a drag of the select tool changes the selection.
enum class SelectDrag : int {
    None = 0,
    TopLeft = 1,
    TopRight = 2,
    BottomLeft = 3,
    NewRect = 4, // a new rectangle drags its bottom-right corner
    Top = 16,
    Right = 32,
    Bottom = 48,
    Left = 64,
    Move = 256,
};

enum class EditorResult { Ok, Cancel };

// Control identifiers of the editor's palette buttons.
constexpr int FirstPaletteButton = 1084;
constexpr int CustomColourButton = 1094;
constexpr int TransparentButton = 1095;
constexpr int LeftIndicator = 1096;
constexpr int RightIndicator = 1097;

// The picture editor without a window. It works on a canvas five times the picture's size and
// writes back into a picture only in accept(). Mouse events come in picture coordinates.
class PictureEditor {
public:
    PictureEditor(const CPicture& picture, Feedback& feedback, int ascent = 0);

    // Canvas and picture window.
    const EditCanvas& state() const { return m_ec; }
    int width() const { return m_ec.width; }
    int height() const { return m_ec.height; }
    Colour pixel(int px, int py) const { return m_ec.pixelAt(px, py); }
    int depth() const { return m_depth; }
    const Surface& canvas() const { return m_ec.canvas; }

    // View: zoom, fit and the mapping from view to picture coordinates.
    void setViewSize(int viewWidth, int viewHeight);
    int zoom() const { return m_zoom; }
    int fit() const;
    int viewOffset() const;
    bool canZoomIn() const { return m_zoom < fit() || m_ec.width > 50; }
    bool canZoomOut() const { return m_zoom > 1; }
    void zoomIn();
    void zoomOut();
    std::optional<std::pair<int, int>> toPicture(int viewX, int viewY) const;
    // The picture pixel under a view position, also outside the picture (drags go on there).
    std::pair<int, int> viewToPicture(int viewX, int viewY) const;
    // Scrolling, in view pixels, when the magnified picture is larger than the view. The
    // offsets stay within 0..max whatever the zoom and the picture size become.
    int maxScrollX() const;
    int maxScrollY() const;
    int scrollX() const { return std::clamp(m_scrollX, 0, maxScrollX()); }
    int scrollY() const { return std::clamp(m_scrollY, 0, maxScrollY()); }
    void setScroll(int x, int y);
    // Paints the view (viewWidth x viewHeight) as the window shows it: the magnified picture,
    // the line and text being placed, the ascent line, the grid and the selection.
    void renderView(Surface& out) const;
    bool grid() const { return m_grid; }
    void toggleGrid();
    int ascent() const { return m_ascent; }

    // Tools and mouse.
    Tool tool() const { return m_tool; }
    void setTool(Tool tool);
    void mouseDown(MouseButton button, int px, int py, Modifiers mods = {});
    void mouseMove(int px, int py, Modifiers mods = {});
    void mouseUp(MouseButton button, int px, int py, Modifiers mods = {});
    void pointerLeft();
    std::string pointerXText() const;
    std::string pointerYText() const;
    // The "R:", "G:" and "B:" texts while the colour picker is chosen, else empty.
    std::string pickerText(int channel) const;
    SelectDrag selectDrag() const { return m_drag; }

    // Selection, in picture coordinates.
    std::optional<Rect> selection() const;
    void setSelection(std::optional<Rect> pictureRect);
    std::string selectionText() const; // "%d,%d - %d x %d", empty without a selection
    bool floating() const { return m_floating.has_value(); }

    // Text tool. The editor starts with the program-wide editor font. setFont changes the font
    // of this session only (null: back to the editor font); chooseFont is the user's choice
    // (Fon&t, or a glyph font file): it becomes the editor font of later sessions too. Both
    // choose the text tool.
    void setFont(std::shared_ptr<const TextFont> font);
    void chooseFont(std::shared_ptr<const TextFont> font);
    const TextFont& font() const { return *m_font; }
    bool placingText() const { return m_text.has_value(); }
    const std::string& text() const;
    void typeText(std::string_view characters);
    void backspace();

    // Colours.
    ColourPair leftColour() const { return m_left; }
    ColourPair rightColour() const { return m_right; }
    Colour customColour() const { return m_custom; }
    ColourPair paletteButtonPair(int control) const;
    void clickPaletteButton(int control, MouseButton button);
    void setLeftColour(ColourPair pair);
    void setRightColour(ColourPair pair);
    // The result of the colour chooser: TransparentKey is refused and becomes (254, 127, 254).
    void chooseCustomColour(Colour c);

    // Commands, each as its button does it. Every command, including zoom, grid and the
    // colour choices, first draws pending text into the canvas.
    bool dither = false;
    void toMono();
    void toGreyLevels();
    void toCubeColours();
    void mapToSteps(const MappingSteps& steps);
    void fold(FoldMode mode);
    void rotate(Rotation rotation);
    bool scale(int newWidth, int newHeight);
    bool resize(int newWidth, int newHeight);
    bool crop();
    void setPhoneSize(int width, int height);
    void shift(int dx, int dy);
    void clear();
    void swapColours(const std::array<ColourPair, 5>& pairs);
    Surface copy();
    void paste(const Surface& bitmap);
    void undo();
    int undoState() const { return m_ec.undoState; }

    // Commits pending text and floating pixels; every command does this first.
    void commit();
    // OK: writes the edited pixels into `picture` (at most 1300 x 1360, the middle kept).
    void accept(CPicture& picture);

private:
    void beforeChange();
    void afterResize();
    void commitText();
    void commitFloating();
    void paintPoint(int px, int py, const ColourPair& brush);
    void paintLine(int x0, int y0, int x1, int y1, const ColourPair& brush);
    Rect clip() const;
    std::pair<int, int> lineEnd(int px, int py, bool ctrl) const;
    void selectPress(int px, int py);
    void selectMove(int px, int py);
    void moveFloating(int dx, int dy);
    // Draws the placed text into `target`, whose (0, 0) is canvas point (offX, offY); returns
    // the caret position in picture pixels.
    // With `canvas` the text is painted into it (mask included) instead of `target`.
    std::pair<int, int> drawText(Surface& target, int offX, int offY,
                                 EditCanvas* canvas = nullptr) const;
    // Runs a transform that moves pixels on the canvas and, from the same start, on the
    // transparency mask.
    bool transform(const std::function<bool(EditCanvas&, Feedback&)>& apply);

    struct Floating {
        Surface pixels;
        Surface base;                 // the canvas without the lifted pixels
        Rect at;                      // canvas rectangle the pixels cover
        Surface maskPixels, maskBase; // the same for the mask, when there is one
    };
    struct PlacedText {
        int x, y; // anchor in picture pixels
        ColourPair brush;
        std::string characters;
    };

    Feedback& m_feedback;
    EditCanvas m_ec;
    int m_depth;
    int m_ascent;
    int m_viewWidth = 0;
    int m_viewHeight = 0;
    int m_zoom = 1;
    int m_scrollX = 0;
    int m_scrollY = 0;
    bool m_grid = false;
    Tool m_tool = Tool::Pen;
    ColourPair m_left = ColourPair::plain(colourBlack);
    ColourPair m_right = ColourPair::plain(colourWhite);
    Colour m_custom = colourWhite;
    int m_phoneWidth = 101;
    int m_phoneHeight = 80;

    std::optional<MouseButton> m_pressed;
    bool m_shiftDrag = false;
    std::pair<int, int> m_last{0, 0};
    std::optional<std::pair<int, int>> m_lineStart;
    std::pair<int, int> m_lineEnd{0, 0};
    SelectDrag m_drag = SelectDrag::None;
    std::pair<int, int> m_anchor{0, 0};
    Rect m_anchorRect{};
    std::optional<Floating> m_floating;
    std::optional<PlacedText> m_text;
    std::shared_ptr<const TextFont> m_font;
    std::optional<std::pair<int, int>> m_pointer;
};

} // namespace pixelon

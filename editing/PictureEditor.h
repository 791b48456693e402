#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Picture.h"
#include "editing/EditCanvas.h"
#include "editing/EditorCanvas.h"
#include "editing/EditorColours.h"
#include "editing/EditorSelection.h"
#include "editing/EditorText.h"
#include "editing/EditorTypes.h"
#include "editing/EditorView.h"
#include "editing/Reductions.h"
#include "editing/TextFont.h"
#include "editing/Transforms.h"
#include "platform/Feedback.h"

namespace pixelon {

// The picture editor without a window. It works on a canvas five times the picture's size and
// writes back into a picture only in accept(). Mouse events come in picture coordinates.
// The editor owns one part per concern (the canvas with undo and the whole-picture commands,
// the view, the colours, the selection, the text being placed) and runs the tools over them;
// every command first puts pending text and floating pixels down.
class PictureEditor {
public:
    PictureEditor(const CPicture& picture, Feedback& feedback, int ascent = 0);

    // Canvas and picture window.
    const EditCanvas& state() const { return m_canvas.ec(); }
    int width() const { return state().width; }
    int height() const { return state().height; }
    Colour pixel(int px, int py) const { return state().pixelAt(px, py); }
    int depth() const { return m_canvas.depth(); }
    const Surface& canvas() const { return state().canvas; }

    // View: zoom, fit and the mapping from view to picture coordinates.
    void setViewSize(int viewWidth, int viewHeight);
    int zoom() const { return m_view.zoom(); }
    int fit() const { return m_view.fit(state()); }
    int viewOffset() const { return m_view.offset(state()); }
    bool canZoomIn() const { return m_view.canZoomIn(state()); }
    bool canZoomOut() const { return m_view.canZoomOut(); }
    void zoomIn();
    void zoomOut();
    std::optional<std::pair<int, int>> toPicture(int viewX, int viewY) const;
    // The picture pixel under a view position, also outside the picture (drags go on there).
    std::pair<int, int> viewToPicture(int viewX, int viewY) const;
    // Scrolling, in view pixels, when the magnified picture is larger than the view. The
    // offsets stay within 0..max whatever the zoom and the picture size become.
    int maxScrollX() const { return m_view.maxScrollX(state()); }
    int maxScrollY() const { return m_view.maxScrollY(state()); }
    int scrollX() const { return m_view.scrollX(state()); }
    int scrollY() const { return m_view.scrollY(state()); }
    void setScroll(int x, int y);
    // Paints the view (viewWidth x viewHeight) as the window shows it: the magnified picture,
    // the line and text being placed, the ascent line, the grid and the selection.
    void renderView(Surface& out) const;
    bool grid() const { return m_view.grid(); }
    void toggleGrid();
    int ascent() const { return m_view.ascent(); }

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
    SelectDrag selectDrag() const { return m_selection.drag(); }

    // Selection, in picture coordinates.
    std::optional<Rect> selection() const;
    void setSelection(std::optional<Rect> pictureRect);
    std::string selectionText() const; // "%d,%d - %d x %d", empty without a selection
    bool floating() const { return m_selection.floating(); }

    // Text tool. The editor starts with the program-wide editor font. setFont changes the font
    // of this session only (null: back to the editor font); chooseFont is the user's choice
    // (Fon&t, or a glyph font file): it becomes the editor font of later sessions too. Both
    // choose the text tool.
    void setFont(std::shared_ptr<const TextFont> font);
    void chooseFont(std::shared_ptr<const TextFont> font);
    const TextFont& font() const { return m_text.font(); }
    bool placingText() const { return m_text.placing(); }
    const std::string& text() const;
    void typeText(std::string_view characters);
    void backspace();

    // Colours.
    ColourPair leftColour() const { return m_colours.left(); }
    ColourPair rightColour() const { return m_colours.right(); }
    Colour customColour() const { return m_colours.custom(); }
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
    int undoState() const { return state().undoState; }

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
    std::pair<int, int> lineEnd(int px, int py, bool ctrl) const;
    void shiftDrag(int dx, int dy);
    EditCanvas& ec() { return m_canvas.ec(); }

    EditorCanvas m_canvas;
    EditorView m_view;
    EditorColours m_colours;
    EditorSelection m_selection;
    EditorText m_text;

    // The tool and the stroke in progress.
    Tool m_tool = Tool::Pen;
    std::optional<MouseButton> m_pressed;
    bool m_shiftDrag = false;
    std::pair<int, int> m_last{0, 0};
    std::optional<std::pair<int, int>> m_lineStart;
    std::pair<int, int> m_lineEnd{0, 0};
    std::optional<std::pair<int, int>> m_pointer;
};

} // namespace pixelon

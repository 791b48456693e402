#pragma once

#include <array>
#include <functional>

#include "core/Picture.h"
#include "editing/EditCanvas.h"
#include "editing/Reductions.h"
#include "editing/Transforms.h"
#include "platform/Feedback.h"

namespace pixelon {

// The picture being edited: the canvas with its transparency mask and undo copy, the colour
// depth the picture is edited at, and the commands that change the pixels as a whole. Each
// command works on the canvas as it is; the editor commits pending text and floating pixels
// and saves the undo copy before calling one.
class EditorCanvas {
public:
    EditorCanvas(const CPicture& picture, Feedback& feedback);

    const EditCanvas& ec() const { return m_ec; }
    EditCanvas& ec() { return m_ec; }
    int depth() const { return m_depth; }

    void toMono(bool dither);
    void toGreyLevels(bool dither);
    void toCubeColours(bool dither);
    void mapToSteps(const MappingSteps& steps);
    void fold(FoldMode mode);
    void rotate(Rotation rotation);
    bool scale(int newWidth, int newHeight);
    bool resize(int newWidth, int newHeight);
    bool crop();
    void setPhoneSize(int width, int height);
    void shift(int dx, int dy);
    void clear();
    void swapColours(const std::array<ColourPair, 5>& pairs, Colour custom);
    Surface copy() const;
    void paste(const Surface& bitmap);
    // Takes back the last change; true when it changed the picture's size.
    bool undo();
    // Writes the edited pixels into `picture` (at most 1300 x 1360, the middle kept).
    void accept(CPicture& picture);

    // Runs a transform that moves pixels on the canvas and, from the same start, on the
    // transparency mask.
    bool transform(const std::function<bool(EditCanvas&, Feedback&)>& apply);

private:
    Feedback& m_feedback;
    EditCanvas m_ec;
    int m_depth;
    int m_phoneWidth = 101;
    int m_phoneHeight = 80;
};

} // namespace pixelon

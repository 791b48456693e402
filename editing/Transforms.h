#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "editing/EditCanvas.h"
#include "editing/PixelProcessor.h"
#include "platform/Feedback.h"

namespace pixelon {

// The six fold modes: bounds flags (0x1000 x from the left edge, 0x2000 x to the right edge,
// 0x4000 y from the top, 0x8000 y to the bottom; else from or to the centre) and a mode number.
enum class FoldMode : int {
    LeftToRight = 0xE001,
    RightToLeft = 0xD002,
    TopToBottom = 0xB003,
    BottomToTop = 0x7004,
    Mirror = 0xD005,
    Flip = 0x7006,
};

// The "Fold Image" radio buttons in their order.
struct FoldChoice {
    const char* text;
    FoldMode mode;
};
inline constexpr std::array<FoldChoice, 6> FoldChoices{{
    {"Left to Right", FoldMode::LeftToRight},
    {"Right to Left", FoldMode::RightToLeft},
    {"Top to Bottom", FoldMode::TopToBottom},
    {"Bottom to Top", FoldMode::BottomToTop},
    {"Mirror", FoldMode::Mirror},
    {"Flip", FoldMode::Flip},
}};

class FoldProcessor : public PixelProcessor {
public:
    explicit FoldProcessor(FoldMode mode) : m_flags(int(mode)), m_mode(int(mode) & 0xFFF) {}

    void rowStart() override { x = (m_flags & 0x1000) ? region.left : centreX(); }
    void firstRow() override { y = (m_flags & 0x4000) ? region.top : centreY(); }
    bool inRow() const override { return x < ((m_flags & 0x2000) ? region.right : centreX()); }
    bool inRegion() const override { return y < ((m_flags & 0x8000) ? region.bottom : centreY()); }
    int progressSteps() const override;
    std::string caption() const override { return "Folding image..."; }
    Colour computePixel() override;

private:
    int centreX() const { return (region.left + region.right) / 2; }
    int centreY() const { return (region.top + region.bottom) / 2; }
    int mirrorX() const { return region.left + region.right - 1 - x; }
    int mirrorY() const { return region.top + region.bottom - 1 - y; }

    int m_flags;
    int m_mode;
};

// Rotation codes of the "Rotate" dialog; with None the dialog's OK is disabled.
enum class Rotation : int { None = 0, Left = 1, Right = 2, Half = 3 };
inline constexpr std::array<const char*, 4> RotationTexts{"None", "Left 90\xC2\xB0",
                                                          "Right 90\xC2\xB0", "180\xC2\xB0"};

class RotateProcessor : public PixelProcessor {
public:
    RotateProcessor(Rotation rotation, int sourceWidth, int sourceHeight)
        : m_rotation(rotation), m_ws(sourceWidth), m_hs(sourceHeight) {}
    bool init() override;
    std::string caption() const override { return "Rotating image..."; }
    Colour computePixel() override;

private:
    // For quarter turns the source is read column by column; a transposed copy (row sx
    // holds source column sx) turns those reads into sequential ones.
    std::vector<Colour> m_transposed;
    Rotation m_rotation;
    int m_ws;
    int m_hs;
};

// Colour swap: the nine target entries of every row of the "Color Swap" dialog.
class ColourSwapModel {
public:
    static constexpr int Rows = 5; // black, dark grey, light grey, white, user colour
    static constexpr int Entries = 9;

    explicit ColourSwapModel(Colour userColour);

    Colour userColour() const { return m_userColour; }
    int selection(int row) const { return m_selection[std::size_t(row)]; }
    void select(int row, int entry);
    Colour custom(int row) const { return m_custom[std::size_t(row)]; }
    ColourPair entry(int row, int entry) const;
    ColourPair pair(int row) const { return entry(row, selection(row)); }
    Colour source(int row) const; // the colour a row replaces

    void invert();
    void normal();
    void darken();
    void lighten();
    void soften();
    // The "Color" button: the chosen colour becomes entry 8 of every row not on entry 8.
    void chooseColour(Colour c);

    std::array<ColourPair, Rows> result() const;

private:
    void setGreyRows(int black, int dark, int light, int white);

    Colour m_userColour;
    std::array<int, Rows> m_selection{0, 1, 2, 3, 3};
    std::array<Colour, Rows> m_custom{};
};

// True for black, white, the two grey bands and colours whose channels are close together.
bool countsAsGrey(Colour c);

class ColourSwapProcessor : public PixelProcessor {
public:
    ColourSwapProcessor(const std::array<ColourPair, 5>& pairs, Colour userColour)
        : m_pairs(pairs), m_userColour(userColour) {}
    std::string caption() const override { return "Swapping colours..."; }
    Colour computePixel() override;

private:
    std::array<ColourPair, 5> m_pairs;
    Colour m_userColour;
};

// The "Scale Image to new Dimensions" dialog without its window.
class ScaleDialogModel {
public:
    ScaleDialogModel(int width, int height)
        : m_width(width), m_height(height), m_x(width), m_y(height) {}
    const std::string& ratioText() const { return m_ratio; }
    void setRatioText(std::string_view text); // recomputes X pix and Y pix
    int xPix() const { return m_x; }
    int yPix() const { return m_y; }
    void setXPix(int v) { m_x = v; }
    void setYPix(int v) { m_y = v; }
    bool changesSize() const { return m_x != m_width || m_y != m_height; }

private:
    int m_width, m_height;
    int m_x, m_y;
    std::string m_ratio = "1.0";
};

// The transforms. The editor saves for undo and commits floating pixels before each; those
// that change the picture size return false, with nothing changed, for a refused size.
void foldPicture(EditCanvas& ec, FoldMode mode, Feedback& feedback);
void rotatePicture(EditCanvas& ec, Rotation rotation, Feedback& feedback);
bool setPictureSize(EditCanvas& ec, Rect source, int newWidth, int newHeight,
                    PixelProcessor* processor, Feedback& feedback);
bool scalePicture(EditCanvas& ec, int newWidth, int newHeight, Feedback& feedback);
bool resizePicture(EditCanvas& ec, int newWidth, int newHeight, Feedback& feedback);
// Without a selection the picture keeps its top-left phoneWidth x phoneHeight pixels at most.
bool cropPicture(EditCanvas& ec, int phoneWidth, int phoneHeight, Feedback& feedback);
// Moves the selected block one pixel in the direction (dx, dy); without a selection moves the
// picture window that way over the canvas, so the content moves the other way.
void shiftPicture(EditCanvas& ec, int dx, int dy);
void clearPicture(EditCanvas& ec);
void swapColours(EditCanvas& ec, const std::array<ColourPair, 5>& pairs, Colour userColour,
                 Feedback& feedback);

} // namespace pixelon

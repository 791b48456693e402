#pragma once

#include <string>
#include <vector>

namespace pixelon {

class CPicture;
class CPortfolio;
class Feedback;

// Height changes work on the picture's own values, so colours, grey levels and the mask of the
// rows that stay are kept whatever map was used last. New rows are opaque white.

// Removes `top` rows above and `bottom` rows below. False (and nothing changed) when no row
// would be left or a count is negative.
bool CropPictureHeight(CPicture& picture, int top, int bottom);
// Adds `top` white rows above and `bottom` below; rows past the picture limit (1024) are cut.
bool EnlargePictureHeight(CPicture& picture, int top, int bottom);
// Moves the content `rows` down (up when negative) and keeps the height; freed rows are white.
void ShiftPictureVertically(CPicture& picture, int rows);

// What a height command did to the selected pictures.
struct HeightReport {
    int changed = 0;
    int unchanged = 0; // outside the threshold, or no row would have been left
};

// Each command runs over the pictures at `indices` with one progress step a picture, and does
// nothing when its amounts are all 0.
HeightReport CropHeights(CPortfolio& portfolio, const std::vector<int>& indices, int top,
                         int bottom, int onlyHigherThan, Feedback& feedback);
HeightReport EnlargeHeights(CPortfolio& portfolio, const std::vector<int>& indices, int top,
                            int bottom, int onlyLowerThan, Feedback& feedback);
HeightReport ShiftVertically(CPortfolio& portfolio, const std::vector<int>& indices, int rows,
                             Feedback& feedback);

// Said in the window when a height command finds no selected picture to change.
inline constexpr const char* SelectPicturesFirstText = "Select the pictures to change first";

// A slider of one of the height dialogs: its caption, range, page size and value.
struct SliderSetting {
    std::string caption;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    int pageStep = 1;
    int tickInterval = 0; // 0: no ticks
    std::string suffix;   // a unit shown after the value label, if any

    void setValue(int v);
    // The text beside the slider while it moves: the value in decimal.
    std::string valueText() const { return std::to_string(value); }
};

// "Crop Height of Images" and "Enlarge Height of Images": Top, Bottom and a height threshold.
struct HeightDialogModel {
    std::string title;
    SliderSetting top;
    SliderSetting bottom;
    SliderSetting threshold;

    static HeightDialogModel crop();
    static HeightDialogModel enlarge();
    // Whether OK changes anything: Top or Bottom is not 0.
    bool changes() const { return top.value != 0 || bottom.value != 0; }
};

// "Shift Images Vertically": one slider from -30 to 30.
struct ShiftDialogModel {
    static constexpr const char* Title = "Shift Images Vertically";
    SliderSetting shift{"", -30, 30, 0, 5, 5, ""};

    // "None" at 0, "Up n" above the middle (negative values), "Down n" below it.
    std::string label() const;
    bool changes() const { return shift.value != 0; }
};

} // namespace pixelon

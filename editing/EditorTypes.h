#pragma once

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

} // namespace pixelon

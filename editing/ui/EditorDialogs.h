#pragma once

#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "core/Picture.h"
#include "editing/EditCanvas.h"
#include "editing/PaletteFile.h"
#include "editing/Reductions.h"
#include "editing/Transforms.h"

#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;
class QWidget;

namespace pixelon {
class CPortfolio;
}

namespace pixelon::ui {

// "Fold Image": the chosen mode, or nothing on Cancel. Its "&Rotate" button closes it and
// sets `rotate`.
std::optional<FoldMode> runFoldDialog(QWidget* parent, bool& rotate);
// "Rotate": None keeps OK disabled.
std::optional<Rotation> runRotateDialog(QWidget* parent);
// "Scale Image to new Dimensions": the new size when it differs from the current one.
std::optional<std::pair<int, int>> runScaleDialog(QWidget* parent, int width, int height);
// "Enter new size".
std::optional<std::pair<int, int>> runResizeDialog(QWidget* parent, int width, int height);
// "Color Swap": each row's chosen pair.
std::optional<std::array<ColourPair, 5>> runColourSwapDialog(QWidget* parent, Colour userColour,
                                                             UserPalette* palette);
// "Set Color Mapping Steps".
std::optional<MappingSteps> runMappingStepsDialog(QWidget* parent, const MappingSteps& steps);
// The platform colour chooser with the user palette as its custom colours.
std::optional<Colour> chooseColour(QWidget* parent, Colour initial, UserPalette* palette);

// Fon&t's dialog: the platform's font chooser with the colour list of its effects, starting at
// `colour` (the grey nearest the left colour when that is in the list, else black).
class FontColourDialog : public QDialog {
public:
    FontColourDialog(QWidget* parent, const QFont& font, Colour colour);
    QFont font() const;
    Colour colour() const;
    QFontDialog* fontChooser() const { return m_fonts; }
    QComboBox* colourList() const { return m_colours; }

private:
    QFontDialog* m_fonts;
    QComboBox* m_colours;
};

// "User Palette" (from "&SaveUserPalette..."): shows the 16 colours, Save / Save As... / Cancel.
void runUserPaletteDialog(QWidget* parent, UserPalette& palette);
// "&OpenUserPalette...": the chosen file becomes current and is read into the palette.
bool openUserPalette(QWidget* parent, UserPalette& palette);
// "Import &PSP Palette...": the chosen .pal file becomes default.pal. The caller asks about
// unsaved portfolio changes first.
bool importPspPalette(QWidget* parent);

// "Add New Portfolio ID and Picture Size": the new white picture, or nothing on Cancel.
std::unique_ptr<CPicture> runNewPictureDialog(QWidget* parent, const CPortfolio& portfolio,
                                              int caret);

} // namespace pixelon::ui

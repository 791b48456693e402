#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "editing/EditCanvas.h"
#include "editing/TextFont.h"

namespace pixelon {

// The built-in font: 5 x 7 pixel letters for printable ASCII, one blank column between them.
// Other characters show as '?'. It draws with the text's brush.
class PixelFont : public TextFont {
public:
    Surface renderWord(std::string_view word) const override;
    int blankWidth() const override { return 3; }
    int lineHeight() const override { return 9; }
};

// The program-wide font of the text tool, shared by every editor session of the run; the
// built-in font until one is chosen. Never null.
std::shared_ptr<const TextFont> editorFont();
// Makes `font` the editor font; null goes back to the built-in font.
void setEditorFont(std::shared_ptr<const TextFont> font);

// The colours the font dialog offers, as the platform's font chooser lists them.
struct NamedColour {
    const char* name;
    Colour colour;
};
const std::array<NamedColour, 16>& fontDialogColours();
// The colour the font dialog starts at: the grey nearest the left drawing colour (128 grey for
// dark grey, 192 grey for light grey, white for white, else black).
Colour fontDialogStartColour(const ColourPair& left);
// The index of `colour` in the dialog's list, or -1.
int fontDialogColourIndex(Colour colour);

} // namespace pixelon

// Fonts: BDF import, system fonts into glyphs, Windows FNT export.

#include "app/GlyphonApp.h"
#include "app/WiredCommands.h"

namespace pixelon::app {

void registerFontCommands(CGlyphonApp&) {}

} // namespace pixelon::app

#pragma once

#include <memory>
#include <string>

#include "fonts/FontGlyphs.h"

namespace pixelon {

// Draws characters of an installed font through Qt's text rendering (fontconfig fonts) at
// `dotsPerInch`, without anti-aliasing, as a raster screen font looks. Character codes are
// read in the Windows ANSI code page. Needs a QGuiApplication.
std::unique_ptr<GlyphRenderer> MakeQtGlyphRenderer(const SystemFont& font, int dotsPerInch);

// Whether fontconfig knows the family (Qt would otherwise draw with a substitute).
bool SystemFontInstalled(const std::string& family);

// The screen's logical dots per inch vertically; 96 without a screen.
int ScreenDotsPerInch();

} // namespace pixelon

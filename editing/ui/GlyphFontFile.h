#pragma once

#include <filesystem>
#include <memory>

namespace pixelon {
class CPortfolio;
class Feedback;
} // namespace pixelon

namespace pixelon::ui {

// Reads the file the editor's glyph-font command opens: a portfolio (.pfo, .r), or a picture
// file of the import types, imported as opening it would import it into a new portfolio (IDs
// from 1, each image of a multi-image GIF a picture). Failures are shown through `feedback`;
// null then.
std::shared_ptr<const CPortfolio> loadGlyphFontFile(const std::filesystem::path& path,
                                                    Feedback& feedback);

// The open dialog's filter for it.
inline constexpr const char* GlyphFontFilter =
    "Portfolio and picture files (*.pfo *.r *.gif *.id *.jpg *.jpeg *.bmp *.wbmp *.wbm);;"
    "All files (*)";

} // namespace pixelon::ui

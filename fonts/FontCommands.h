#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "fonts/BdfImport.h"
#include "fonts/FntExport.h"
#include "fonts/FontGlyphs.h"

namespace pixelon {

class CAppSettings;
class CPicture;
class CPortfolio;
class Feedback;
class FileChooser;

// A font and the colour its characters are drawn in, as the font chooser returns them.
struct ChosenFont {
    SystemFont font;
    Colour colour = 0;
};

// The dialogs of the font commands; the window shows Qt ones, tests answer from a script.
// Every method returns nothing on Cancel.
class FontDialogs {
public:
    virtual ~FontDialogs() = default;
    // "Import BDF font".
    virtual std::optional<BdfImportChoice> importBdf(const BdfImportChoice& proposal) = 0;
    // The font chooser with effects (underline, strikeout) and a colour.
    virtual std::optional<ChosenFont> chooseFont() = 0;
    // "Select character set from Font" for a font of the chosen size.
    virtual std::optional<CharacterSetChoice> chooseCharacters(int tenthsOfPoint,
                                                               int dotsPerInch) = 0;
    // The platform's text output for a font; the screen's resolution.
    virtual std::unique_ptr<GlyphRenderer> renderer(const SystemFont& font) = 0;
    virtual int dotsPerInch() = 0;
    // The Windows font export dialog.
    virtual std::optional<FntExportState> exportFnt(const FntExportState& proposal) = 0;
};

// What a command added: how many pictures, and the one the list selects afterwards.
struct FontCommandResult {
    int added = 0;
    const CPicture* select = nullptr;
};

// "BDF Font...": a file, its parse and warning, the import dialog, the glyphs.
FontCommandResult RunBdfImport(CPortfolio& portfolio, FileChooser& chooser, FontDialogs& dialogs,
                               Feedback& feedback);

// "Windows &Font...": the font chooser, the characters, one picture per character.
FontCommandResult RunWindowsFontImport(CPortfolio& portfolio, FontDialogs& dialogs,
                                       Feedback& feedback);

// "Export to &Windows Font...": the dialog (its options kept in `settings`), then the file.
// `path` is the portfolio's file; `selected` the selected list lines. True when written.
bool RunFntExport(const CPortfolio& portfolio, const std::string& path,
                  std::span<const int> selected, CAppSettings& settings, FontDialogs& dialogs,
                  Feedback& feedback);

} // namespace pixelon

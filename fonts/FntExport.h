#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/FntWriter.h"

namespace pixelon {

class CAppSettings;
class CPicture;
class CPortfolio;
class Feedback;

inline constexpr const char* FntFileFilter = "Windows FNT Files (*.fnt)|*.fnt||";
inline constexpr const char* FntDefaultExt = "fnt";
inline constexpr const char* FntNotGeneratedText = "Windows FNT file not generated.";
inline constexpr const char* FntAllCaption = "All images (first 223)";
inline constexpr const char* FntSelectionPlainCaption = "Selection";
inline constexpr const char* FntInformationTitle = "Export Windows Font - Information";
inline constexpr const char* FntInformationText =
    "The exported file is a raster font in the old Windows FNT format.\n\n"
    "To install it, drag the file into the fonts folder of the system (on Linux: copy it to "
    "~/.local/share/fonts and run fc-cache). It then appears beside the other fonts under the "
    "font name chosen here.\n\n"
    "Some applications screen out raster fonts and list only outline fonts: the font will not "
    "appear in them.\n\n"
    "Applications that list screen fonts (text editors, terminal windows, drawing programs) "
    "accept ANSI and Default fonts; OEM fonts are offered only where the character set of the "
    "console is asked for.";
// The pictures exported when "All images" is chosen: the first ones of the portfolio.
inline constexpr int FntSourceLimit = 224;

// The choices of the Windows font export dialog, with what it shows beside them.
struct FntExportState {
    std::string fileName;
    std::string fontName;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool fixedWidth = false;
    bool preserve = false;
    int fontType = 0; // 0 ANSI, 1 OEM, 2 Default
    bool exportAll = true;
    bool selectionEnabled = false;
    std::string selectionCaption = FntSelectionPlainCaption;
    int heightLimit = 1;
    int maximumHeight = 0;
    int medianHeight = 0;

    std::string maximumText() const { return "Maximum Height: " + std::to_string(maximumHeight); }
    std::string medianText() const { return "Median Height: " + std::to_string(medianHeight); }
    FntOptions options() const;
};

// The file name proposed for a portfolio saved at `path`: its extension replaced by ".fnt";
// "<name>.fnt" for a portfolio that was never saved.
std::string ProposeFntFileName(std::string_view path, std::string_view portfolioName);

// The most frequent height; on a tie the smallest. 0 for no pictures.
int MostFrequentHeight(std::span<const CPicture* const> pictures);

// The pictures a font is made of: the selected ones (`selected` are list indices), or the first
// 224 of the portfolio.
std::vector<const CPicture*> FntSource(const CPortfolio& portfolio, std::span<const int> selected,
                                       bool all);

// The dialog's start: options from the settings, proposals from the portfolio and selection.
FntExportState ProposeFntExport(const CPortfolio& portfolio, std::string_view path,
                                std::span<const int> selected, const CAppSettings& settings);

// Keeps the options for the next export.
void StoreFntOptions(const FntExportState& state, CAppSettings& settings);

// Writes the font the dialog asked for. Duplicate IDs are reported and stop the export with
// "Windows FNT file not generated."; a file that cannot be written gives "Unable to save file.\n"
// and the reason. True when the file was written.
bool ExportWindowsFont(const CPortfolio& portfolio, std::span<const int> selected,
                       const FntExportState& state, Feedback& feedback);

} // namespace pixelon

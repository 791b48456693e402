#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pixelon {

class CPortfolio;
class FileChooser;
class Feedback;

inline constexpr const char* BdfExportFilter = "BDF file (*.bdf)|*.bdf|";
inline constexpr const char* BdfExportTitle = "Export BDF Font";

// The font-wide figures a portfolio's pictures and Text Metrics give. Every picture's top row
// sits on the ascent line; the baseline is `ascent` rows below it.
struct BdfFontMetrics {
    int ascent = 0;    // Text Metrics ascent, or the tallest picture's height when that is 0
    int descent = 0;   // down to the line height (Text Metrics height), else the lowest picture
    int pixelSize = 0; // ascent + descent, at least 1
    int spacing = 0;   // added to every glyph's advance (Text Metrics spacing)
    bool bold = false;
    bool italic = false;
};

BdfFontMetrics BdfMetricsOf(const CPortfolio& portfolio);

// `name` as a field of an X logical font name: printable ASCII without the name's separators
// ('-', '*', '?', ',', '"'), which become '_'. "Pixelon" for an empty name.
std::string BdfFamilyName(std::string_view name);

// The BDF 2.1 text of the portfolio's pictures as one font: a glyph per picture with the
// picture's ID as Unicode code, its black pixels as ink and its white (and transparent) pixels
// as paper. Throws EString naming the picture when BDF cannot hold it: grey or colour pixels,
// a negative ID, or an ID another picture has too. An empty portfolio is refused as well.
std::string BuildBdf(const CPortfolio& portfolio, std::string_view fontName);

// Writes BuildBdf's text through a temporary file, so a failure leaves any previous file as it
// was. Throws EString (the refusal, or the file error text).
void WriteBdfFile(const std::filesystem::path& path, const CPortfolio& portfolio,
                  std::string_view fontName);

// Writes the font and reports a refusal or a failure through `feedback` (stop icon, "Unable to
// save file.\n" and the reason for a file that cannot be written). True when written.
bool ExportBdfFont(const CPortfolio& portfolio, const std::filesystem::path& path,
                   std::string_view fontName, Feedback& feedback);

// The file name proposed for a portfolio saved at `documentPath`: its extension replaced by
// ".bdf"; "<portfolio name>.bdf" for a portfolio that was never saved.
std::string ProposeBdfFileName(std::string_view documentPath, std::string_view portfolioName);

// File > Export BDF Font: asks for the file, then writes the font named after the portfolio.
bool RunBdfExport(const CPortfolio& portfolio, std::string_view documentPath, FileChooser& chooser,
                  Feedback& feedback);

} // namespace pixelon

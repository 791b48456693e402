#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace pixelon {

class CBDF;
class CPicture;
class CPortfolio;
class Feedback;
class ProgressWindow;

inline constexpr const char* BdfFileFilter = "BDF file (*.bdf)|*.bdf|";
inline constexpr const char* BdfOpenFailedText = "Unable to open file";

// The choices of the "Import BDF font" dialog.
struct BdfImportChoice {
    bool singleGlyph = false;
    std::string singleCode = "0030";
    std::string rangeFirst;
    std::string rangeLast;
    bool useGlobalHeight = true;
    // The global height means something only when the font names its bounding box.
    bool globalHeightEnabled = true;

    // The inclusive range of codes the fields ask for (read as hexadecimal).
    std::pair<int, int> codes() const;
    bool globalHeight() const { return useGlobalHeight && globalHeightEnabled; }
};

// The dialog's start: the range from the lowest to the highest valid code of the font.
BdfImportChoice ProposeBdfImport(const CBDF& font);

// The leading hexadecimal digits of a field (either case) as a number; 0 when there are none.
int ParseHexField(std::string_view text);

// Reads and parses a BDF file under the progress window "Parsing BDF file...". A file that
// cannot be read gives false and the message "Unable to open file", or, when `failure` is given,
// the reason there instead of the message; otherwise the first warning the parse raised is shown
// (OK button, no icon) and the import goes on with the glyphs read.
bool LoadBdfFont(CBDF& font, const std::filesystem::path& path, Feedback& feedback,
                 std::string* failure = nullptr);

struct BdfImportResult {
    int added = 0;
    const CPicture* last = nullptr; // the picture added last, which the list selects
};

// Adds every glyph whose code lies in [first, last], in file order, as a new picture under the
// progress window "Importing glyphs..."; the portfolio stays in ID order.
BdfImportResult ImportBdfGlyphs(const CBDF& font, CPortfolio& portfolio, int first, int last,
                                bool useGlobalHeight, ProgressWindow& progress);

} // namespace pixelon

#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/GifFile.h"
#include "platform/Surface.h"

namespace pixelon {

class CPortfolio;
class Feedback;
class FileChooser;
class ProgressWindow;

enum class SheetFormat { Gif, Bmp, Png };

// The grid of a contact sheet: cells of W x H content (the largest picture side, capped at 128
// and raised to at least 32), seven to a row.
struct SheetGeometry {
    static constexpr int Columns = 7;
    static constexpr int MinCell = 32;
    static constexpr int MaxCell = 128;

    int cellWidth = MinCell;  // W
    int cellHeight = MinCell; // H
    int columns = 0;
    int rows = 0;

    static SheetGeometry For(const CPortfolio& portfolio);
    int Width() const { return (cellWidth + 6) * columns; }
    int Height() const { return rows * (cellHeight + 26); }
    // The frame of picture i, with exclusive right and bottom edges.
    Rect Frame(int index) const;
};

// The sheet as drawn, and the deepest picture depth on it (1, 2, 8 or 16).
struct ContactSheet {
    Surface bitmap;
    int depth = 1;
};

// Draws every picture in its framed cell with its ID under it. `progress` (optional) advances
// one step a picture.
ContactSheet RenderContactSheet(const CPortfolio& portfolio, ProgressWindow* progress = nullptr);

// The 256 colours used for sheets with 16-bit content: red and green on 8 levels, blue on 4,
// at index r * 32 + g * 4 + b.
std::span<const Colour> SheetPalette();

// The sheet's colour table for its depth: 2 or 4 phone greys, or the 256-colour palette.
std::vector<Colour> SheetColourTable(int depth);
// The sheet's pixels as indices of that table, top row first.
std::vector<std::uint8_t> SheetIndices(const ContactSheet& sheet);

GifFile ContactSheetGif(const ContactSheet& sheet);
std::vector<std::uint8_t> ContactSheetBmp(const ContactSheet& sheet);
// The GIF's pixels as a palette PNG; empty when it cannot be encoded.
std::vector<std::uint8_t> ContactSheetPng(const ContactSheet& sheet);

inline constexpr std::string_view SheetProgressTitle =
    "Exporting Portfolio Pictures to Contact Sheet";
// The save dialog's filter: the first entry writes GIF, the second BMP, the third PNG.
inline constexpr std::string_view SheetFileFilter =
    "GIF File (*.gif)|*.gif|BMP File (*.bmp)|*.bmp|PNG File (*.png)|*.png||";
inline constexpr std::string_view SheetDefaultName = "Contact Sheet";
// The largest GIF sheet side: the format's 16-bit sizes.
inline constexpr int MaxSheetSide = 65535;
// The most pixels a sheet may have. The sheet is drawn in memory, about six bytes a pixel
// with its indices and the encoded file, so this keeps the export near 1.5 GB; it is also
// well inside what a BMP's 32-bit file size holds at any sheet width.
inline constexpr long long MaxSheetPixels = 1LL << 28;
// Why the sheet cannot be written in `format`, or empty when it can.
std::string SheetSizeRefusal(const SheetGeometry& geometry, SheetFormat format);

// Renders and writes the sheet, reporting through the progress window; the previous file is
// kept when the write fails. False after telling the user.
bool ExportContactSheet(const CPortfolio& portfolio, const std::filesystem::path& path,
                        SheetFormat format, Feedback& feedback);

// The default file name offered: the portfolio file's name without its extension, a space and
// "Contact Sheet"; just "Contact Sheet" for a portfolio without a file.
std::string DefaultSheetName(std::string_view documentPath);

// "Export Contact Sheet...": asks for the file (the first filter writes GIF, the second BMP,
// the third PNG)
// and writes the sheet. False when cancelled or failed.
bool RunContactSheetExport(const CPortfolio& portfolio, std::string_view documentPath,
                           FileChooser& chooser, Feedback& feedback);

} // namespace pixelon

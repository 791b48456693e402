#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/Surface.h"

namespace pixelon {

class Feedback;

// The user palette file (".p"): a text file (CR LF line ends) of comment lines, then BEGIN,
// USER_PALETTE, one "%#.8x" colour a line and END. Values are read whole, all 32 bits.
class CPaletteFile {
public:
    // Reads up to colours.size() values; entries not read keep their values. A file that
    // cannot be opened, or has no USER_PALETTE section, changes nothing. Returns the count read.
    static int Read(const std::filesystem::path& path, std::span<Colour> colours);
    static int Parse(std::string_view text, std::span<Colour> colours);

    // The file's text; `when` is the local date and time in long form.
    static std::string Format(const std::filesystem::path& path, std::span<const Colour> colours,
                              std::string_view version, std::string_view when);
    // Writes through a temporary file beside the target; false when that fails (the old
    // file is then untouched).
    static bool Write(const std::filesystem::path& path, std::span<const Colour> colours,
                      std::string_view version = "R3B");
};

// The user palette: the custom-colour row of every colour chooser, and its current file.
struct UserPalette {
    std::array<Colour, 16> colours;
    std::string currentPaletteFile;

    UserPalette() { colours.fill(0x00FFFFFF); }
};

// The file a save writes for the name the save dialog returned: ".p" is appended unless the
// name ends in it.
std::filesystem::path userPaletteSaveTarget(std::string_view chosen);
// Asks before that file is replaced; true when it does not exist or the user says Yes.
bool confirmUserPaletteTarget(const std::filesystem::path& target, Feedback& feedback);

// The palette the EasyPalette reads: default.pal in the program's folder under the user's
// XDG data folder ($XDG_DATA_HOME/pixelon, else ~/.local/share/pixelon).
std::filesystem::path defaultPalettePath();

// Reads a paint program's text palette (three header lines, then red, green and blue as
// decimal numbers) into 256 colours; colours missing at the end are white. Unless `path` is
// `defaultPath` itself, the file is then copied to `defaultPath`. False, with a message on
// standard error, when the file cannot be opened.
bool readPspPalette(const std::filesystem::path& path, std::array<Colour, 256>& colours,
                    const std::filesystem::path& defaultPath = defaultPalettePath());
void parsePspPalette(std::string_view text, std::array<Colour, 256>& colours);

// The EasyPalette window's cells: 256 cells of 16 x 16 pixels, 32 a row, 8 rows.
class EasyPaletteModel {
public:
    static constexpr int CellSize = 16;
    static constexpr int Columns = 32;
    static constexpr int Cells = 256;
    static constexpr int WindowWidth = Columns * CellSize + 6;
    static constexpr int WindowHeight = 154;

    EasyPaletteModel(); // the colour cube in index order
    // The colours of default.pal when it can be read, else the colour cube.
    static EasyPaletteModel fromFile(const std::filesystem::path& path);

    Colour colour(int cell) const { return m_colours[std::size_t(cell)]; }
    Rect cellRect(int cell) const;
    int cellAt(int x, int y) const; // -1 outside every cell
    const std::array<Colour, 256>& colours() const { return m_colours; }

private:
    std::array<Colour, 256> m_colours;
};

// What a PaletteButton shows: a black frame around a 4 x 4 checkerboard, cell (row, column)
// in the first colour when row and column are both even or both odd, else the second.
constexpr Colour paletteButtonCell(int row, int column, Colour first, Colour second) {
    return (row % 2 == column % 2) ? first : second;
}
void paintPaletteButton(Surface& surface, Colour first, Colour second);

// The notification codes a PaletteButton sends its parent.
constexpr int PaletteButtonLeftClick = 0x201;
constexpr int PaletteButtonRightClick = 0x204;

} // namespace pixelon

#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pixelon {

class CPicture;

// The character sets a raster font can name.
enum class FntCharset { Ansi = 0, Oem = 255, Default = 1 };

struct FntOptions {
    std::string faceName;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool fixedWidth = false;
    // Pictures with IDs 0x20..0xFF keep their ID as character code.
    bool preserveCodes = false;
    FntCharset charset = FntCharset::Ansi;
    // The font's pixel height at most; 0: the tallest picture's height.
    int heightLimit = 0;
};

// The layout of a version 3.00 raster font file.
namespace fnt {
inline constexpr int FirstChar = 0x20;
inline constexpr int LastChar = 0xFF;
inline constexpr int Slots = LastChar - FirstChar + 1;
inline constexpr int HeaderSize = 148;
inline constexpr int EntrySize = 6;
inline constexpr int FaceOffset = HeaderSize + Slots * EntrySize;
} // namespace fnt

// The hollow box drawn for character slots that no picture fills, `height` rows of 8 pixels.
std::vector<std::uint8_t> FntBoxGlyph(int height);

// Why `pictures` cannot become a font file, or nothing when they can: the file's 16-bit fields
// hold the pixel height, every glyph width and the ascent only up to 65535 (the ascent from
// 0), and its 32-bit offsets a file of at most 4 GB. The text names the picture at fault.
std::optional<std::string> FntRefusal(std::span<const CPicture* const> pictures,
                                      const FntOptions& options, int ascent);

// The whole font file for `pictures` (in list order); throws EString with the FntRefusal text
// for pictures that no font file can hold. Pictures of width 0 are left out; slots
// beyond the 224 characters 0x20..0xFF are not written. `pictures` must not be empty.
std::vector<std::uint8_t> BuildFnt(std::span<const CPicture* const> pictures,
                                   const FntOptions& options, int ascent);

// Writes the font file through a temporary file, so a failure leaves any previous file as it
// was; throws EString with the file error text.
void WriteFntFile(const std::filesystem::path& path, std::span<const CPicture* const> pictures,
                  const FntOptions& options, int ascent);

} // namespace pixelon

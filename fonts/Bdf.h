#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon {

class CPicture;

// What a parse met besides the glyphs; several may be set.
enum BdfFlag : int {
    BdfLaterVersion = 1,  // STARTFONT names a version later than 2.2
    BdfNumberError = 2,   // a number could not be read, or a glyph was too large to keep
    BdfEarlyEnd = 4,      // the file ended inside a token or line
    BdfCountMismatch = 8, // the number of glyphs read differs from CHARS
    BdfNoValidCode = 16,  // a glyph had no valid code and was given 0
};

// The one warning shown for a parse: the first set flag in the order version, number, end of
// file, missing code, count. Empty when no flag is set.
std::string_view BdfWarningText(int flags);

// A pair of integers of a glyph's metrics (SWIDTH, DWIDTH, ...).
using BdfPair = std::array<int, 2>;

struct BdfMetrics {
    BdfPair swidth{};
    BdfPair dwidth{};
    BdfPair swidth1{};
    BdfPair dwidth1{};
    BdfPair vvector{};
};

// One glyph as read: its name, metrics, bounding box and rows of ceil(width / 8) bytes each,
// the most significant bit leftmost.
struct BdfGlyph {
    std::string name;
    BdfMetrics metrics;
    int bbxWidth = 0;
    int bbxHeight = 0;
    int bbxX = 0;
    int bbxY = 0;
    std::vector<std::uint8_t> bitmap;
    int code = -1;

    int rowBytes() const { return (bbxWidth + 7) / 8; }
};

// The code in a glyph name: the first run of four hexadecimal digits after the first "." (or
// from the start without one). -1 when there is none.
int CodeFromGlyphName(std::string_view name);

// A BDF font read whole into memory. The parse never throws: what goes wrong becomes a flag and
// everything read before it stays usable.
class CBDF {
public:
    // The text ended where a token or line was expected.
    class EOFException {};
    // A token that had to be a decimal number was not.
    class NumericException {};

    // Receives how many bytes of the text have been read, of how many.
    using Progress = std::function<void(std::size_t done, std::size_t total)>;

    std::string m_strVersion;
    int m_nContentVersion = 0;
    std::string m_strFontName;
    int m_nPointSize = 0;
    int m_nXResolution = 0;
    int m_nYResolution = 0;
    int m_nBoxWidth = 0;
    int m_nBoxHeight = 0;
    int m_nBoxX = 0;
    int m_nBoxY = 0;
    int m_nMetricsSet = 0;
    BdfMetrics m_defaults; // font-wide SWIDTH ... VVECTOR, copied into each glyph
    int m_nPropertyCount = 0;
    std::vector<std::string> m_properties;
    int m_nCharsAnnounced = 0;
    bool m_bCharsSeen = false;
    // One slot a glyph read; a slot is empty when the glyph was too large to keep.
    std::vector<std::unique_ptr<BdfGlyph>> m_glyphs;
    int m_nLowestCode = 0x10000;
    int m_nHighestCode = 0;
    bool m_bNoValidCode = false;

    // Parses a whole BDF text; returns the number of glyphs read and sets `flags`.
    int Parse(std::string_view text, int& flags, const Progress& progress = {});
    // Bounds of what ParseFile reads: a BDF line is a keyword and a few numbers, or a bitmap
    // row of at most 16,384 digits.
    static constexpr std::size_t MaxLineLength = 1 << 20;
    static constexpr std::size_t MaxFileSize = std::size_t(256) << 20;

    // Reads the file and parses it; false (nothing parsed) when it cannot be read or is not a
    // BDF text within the bounds above (or `maxSize` bytes), with the reason in `failure` when
    // given. Reading a source without end holds little more than `maxSize` bytes at once.
    bool ParseFile(const std::filesystem::path& path, int& flags, const Progress& progress = {},
                   std::string* failure = nullptr, std::size_t maxSize = MaxFileSize);

    int GlyphCount() const { return int(m_glyphs.size()); }
    const BdfGlyph* Glyph(int index) const;

    // Makes `picture` from glyph `index`: white with black ink, 1-bit grey levels, ID = code.
    // With `useFontHeight` the picture is the font box's height and the glyph sits at its place
    // below the font's top line. False for an index beyond the glyphs read or an empty slot.
    bool GlyphToPicture(int index, CPicture& picture, bool useFontHeight) const;

private:
    class Tokens;
    void parseGlyph(Tokens& in, std::string_view name);
    void reset();

    int m_nFlags = 0;
};

} // namespace pixelon

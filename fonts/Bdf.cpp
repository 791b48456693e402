#include "fonts/Bdf.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Picture.h"
#include "platform/FileError.h"
#include "platform/HexDigit.h"

namespace pixelon {

namespace {

// A glyph dimension beyond this is not a glyph any picture could hold.
constexpr int MaxGlyphSide = 0xFFFF;
constexpr int MaxCode = 0xFFFF;
// The shortest glyph a file can hold ("STARTCHAR a\nENDCHAR\n"), to bound what CHARS reserves.
constexpr std::size_t ShortestGlyph = 20;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isHexToken(std::string_view token) {
    return std::all_of(token.begin(), token.end(), [](char c) { return hexDigitValue(c) >= 0; });
}

// An optional "-" and decimal digits that fit an int; nothing otherwise.
std::optional<int> decimal(std::string_view token) {
    std::size_t at = token.size() > 1 && token[0] == '-' ? 1 : 0;
    if (at == token.size())
        return std::nullopt;
    for (std::size_t i = at; i < token.size(); ++i)
        if (token[i] < '0' || token[i] > '9')
            return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

bool validCode(long long code) {
    return code >= 0 && code <= MaxCode;
}

// Reads a whole font file in blocks, so that a device or a pipe without end stops at a bound
// instead of filling the memory: at the first NUL (a BDF file is text), at a line longer than
// MaxLineLength or when the whole exceeds MaxFileSize. False with the reason otherwise.
bool readBounded(const std::filesystem::path& path, std::string& text, std::string& failure,
                 std::size_t maxSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failure = fileErrorTextFromErrno(errno);
        return false;
    }
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const auto fail = [&](std::string reason) {
        failure = std::move(reason);
        text.clear();
        return false;
    };
    const auto longLine = [] {
        return "Unsupported data: a line longer than " + std::to_string(CBDF::MaxLineLength) +
               " characters";
    };
    const auto tooLarge = [maxSize] {
        return "Unsupported data: a file larger than " + std::to_string(maxSize) + " bytes";
    };
    constexpr std::size_t Block = 1 << 20;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        if (std::uint64_t(info.st_size) > maxSize)
            return fail(tooLarge());
        text.reserve(std::size_t(info.st_size) + Block);
    }
    std::size_t lineStart = 0;
    for (;;) {
        const std::size_t have = text.size();
        // A pipe, or a file that grew while read, has no size to reserve: the buffer takes
        // room for the bound and one block at once. Growing it by doubling would reach twice
        // the bound, with the old copy alive besides, before the bound refuses the source;
        // this way only the pages read are touched and nothing is copied.
        if (text.capacity() < have + Block) {
            try {
                text.reserve(maxSize + Block);
            } catch (const std::bad_alloc&) {
                // Where the system will not promise that much at once, the buffer grows as
                // it fills.
            }
        }
        text.resize(have + Block);
        ssize_t got;
        do
            got = ::read(fd, text.data() + have, Block);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return fail(fileErrorTextFromErrno(errno));
        text.resize(have + std::size_t(got));
        if (got == 0)
            return true;
        const char* data = text.data();
        if (const void* nul = std::memchr(data + have, '\0', std::size_t(got)))
            return fail("Unsupported data: a NUL character at byte " +
                        std::to_string(static_cast<const char*>(nul) - data) +
                        ", which a text file does not hold");
        // A block is no longer than the line bound, so only a line that began before the block
        // and one that has not ended yet can exceed it.
        static_assert(Block <= CBDF::MaxLineLength);
        const char* first =
            static_cast<const char*>(std::memchr(data + have, '\n', std::size_t(got)));
        const std::size_t firstEnd = first ? std::size_t(first - data) : text.size();
        if (firstEnd - lineStart > CBDF::MaxLineLength)
            return fail(longLine());
        if (first)
            lineStart =
                std::size_t(static_cast<const char*>(memrchr(data + have, '\n', std::size_t(got))) -
                            data) +
                1;
        if (text.size() - lineStart > CBDF::MaxLineLength)
            return fail(longLine());
        if (text.size() > maxSize)
            return fail(tooLarge());
    }
}

} // namespace

// Tokens and lines of the text, with one token that can be read again.
class CBDF::Tokens {
public:
    explicit Tokens(std::string_view text) : m_text(text) {}

    std::string_view token() {
        if (m_pending) {
            std::string_view t = *m_pending;
            m_pending.reset();
            return t;
        }
        while (m_at < m_text.size() && isSpace(m_text[m_at]))
            ++m_at;
        if (m_at == m_text.size())
            throw EOFException();
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !isSpace(m_text[m_at]))
            ++m_at;
        return m_text.substr(start, m_at - start);
    }

    void unread(std::string_view token) { m_pending = token; }

    // The characters up to the next LF, without CR characters; the LF is consumed.
    std::string restOfLine() {
        m_pending.reset();
        if (m_at == m_text.size())
            throw EOFException();
        std::string line;
        while (m_at < m_text.size() && m_text[m_at] != '\n') {
            if (m_text[m_at] != '\r')
                line += m_text[m_at];
            ++m_at;
        }
        if (m_at < m_text.size())
            ++m_at;
        return line;
    }

    int integer() {
        std::optional<int> value = decimal(token());
        if (!value)
            throw NumericException();
        return *value;
    }

    BdfPair pair() {
        int a = integer();
        return {a, integer()};
    }

    std::size_t position() const { return m_at; }
    std::size_t remaining() const { return m_text.size() - m_at; }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    std::optional<std::string_view> m_pending;
};

std::string_view BdfWarningText(int flags) {
    if (flags & BdfLaterVersion)
        return "BDF version is later than 2.2\nErrors may occur";
    if (flags & BdfNumberError)
        return "Errors found in file format\nImported glyphs may be corrupted";
    if (flags & BdfEarlyEnd)
        return "Unexpected end of file\nImported glyphs may be corrupted";
    if (flags & BdfNoValidCode)
        return "One or more glyphs did not have a valid Unicode, these has all been assigned to "
               "0x0000";
    if (flags & BdfCountMismatch)
        return "The actual number of glyphs mismatched with the specified";
    return {};
}

int CodeFromGlyphName(std::string_view name) {
    const std::size_t dot = name.find('.');
    if (dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    int run = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        run = hexDigitValue(name[i]) >= 0 ? run + 1 : 0;
        if (run == 4) {
            int code = 0;
            for (std::size_t j = i - 3; j <= i; ++j)
                code = code * 16 + hexDigitValue(name[j]);
            return code;
        }
    }
    return -1;
}

void CBDF::reset() {
    *this = CBDF();
}

const BdfGlyph* CBDF::Glyph(int index) const {
    if (index < 0 || index >= GlyphCount())
        return nullptr;
    return m_glyphs[std::size_t(index)].get();
}

void CBDF::parseGlyph(Tokens& in, std::string_view name) {
    auto glyph = std::make_unique<BdfGlyph>();
    glyph->name = std::string(name);
    glyph->metrics = m_defaults;
    long long code = -1;
    bool tooLarge = false;
    for (;;) {
        const std::string_view key = in.token();
        if (key == "ENCODING") {
            code = in.integer();
            if (code == -1) {
                // The non-standard code may follow; else the name may carry one.
                const std::string_view next = in.token();
                if (std::optional<int> second = decimal(next)) {
                    code = *second;
                } else {
                    code = CodeFromGlyphName(glyph->name);
                    in.unread(next);
                }
            }
        } else if (key == "SWIDTH") {
            glyph->metrics.swidth = in.pair();
        } else if (key == "DWIDTH") {
            glyph->metrics.dwidth = in.pair();
        } else if (key == "SWIDTH1") {
            glyph->metrics.swidth1 = in.pair();
        } else if (key == "DWIDTH1") {
            glyph->metrics.dwidth1 = in.pair();
        } else if (key == "VVECTOR") {
            glyph->metrics.vvector = in.pair();
        } else if (key == "BBX") {
            glyph->bbxWidth = in.integer();
            glyph->bbxHeight = in.integer();
            glyph->bbxX = in.integer();
            glyph->bbxY = in.integer();
        } else if (key == "BITMAP") {
            // Every byte takes two digits of the file: a box that needs more than the rest of
            // the file could hold is not allocated.
            const long long w = glyph->bbxWidth, h = glyph->bbxHeight;
            const long long bytes = (w + 7) / 8 * h;
            tooLarge = w < 0 || h < 0 || w > MaxGlyphSide || h > MaxGlyphSide ||
                       bytes * 2 > (long long)in.remaining();
            glyph->bitmap.assign(tooLarge ? 0 : std::size_t(bytes), 0);
            std::size_t filled = 0;
            for (;;) {
                const std::string_view row = in.token();
                if (!isHexToken(row)) {
                    in.unread(row);
                    break;
                }
                for (std::size_t i = 0; i + 1 < row.size(); i += 2) {
                    if (filled < glyph->bitmap.size())
                        glyph->bitmap[filled] =
                            std::uint8_t(hexDigitValue(row[i]) << 4 | hexDigitValue(row[i + 1]));
                    ++filled;
                }
            }
        } else if (key == "ENDCHAR") {
            break;
        }
    }
    tooLarge = tooLarge || glyph->bbxWidth < 0 || glyph->bbxHeight < 0 ||
               glyph->bbxWidth > MaxGlyphSide || glyph->bbxHeight > MaxGlyphSide;
    if (tooLarge) {
        m_nFlags |= BdfNumberError;
        m_glyphs.push_back(nullptr);
        return;
    }
    if (!validCode(code)) {
        glyph->code = 0;
        m_bNoValidCode = true;
        m_nLowestCode = 0;
        m_nFlags |= BdfNoValidCode;
    } else {
        glyph->code = int(code);
        m_nLowestCode = std::min(m_nLowestCode, glyph->code);
        m_nHighestCode = std::max(m_nHighestCode, glyph->code);
    }
    m_glyphs.push_back(std::move(glyph));
}

int CBDF::Parse(std::string_view text, int& flags, const Progress& progress) {
    reset();
    Tokens in(text);
    try {
        for (;;) {
            const std::string_view key = in.token();
            if (key == "STARTFONT") {
                m_strVersion = std::string(in.token());
            } else if (key == "COMMENT") {
                in.restOfLine();
            } else if (key == "CONTENTVERSION") {
                m_nContentVersion = in.integer();
            } else if (key == "METRICSSET") {
                m_nMetricsSet = in.integer();
            } else if (key == "FONT") {
                m_strFontName = std::string(in.token());
            } else if (key == "SIZE") {
                m_nPointSize = in.integer();
                m_nXResolution = in.integer();
                m_nYResolution = in.integer();
            } else if (key == "FONTBOUNDINGBOX") {
                m_nBoxWidth = in.integer();
                m_nBoxHeight = in.integer();
                m_nBoxX = in.integer();
                m_nBoxY = in.integer();
            } else if (key == "SWIDTH") {
                m_defaults.swidth = in.pair();
            } else if (key == "DWIDTH") {
                m_defaults.dwidth = in.pair();
            } else if (key == "SWIDTH1") {
                m_defaults.swidth1 = in.pair();
            } else if (key == "DWIDTH1") {
                m_defaults.dwidth1 = in.pair();
            } else if (key == "VVECTOR") {
                m_defaults.vvector = in.pair();
            } else if (key == "STARTPROPERTIES") {
                m_nPropertyCount = in.integer();
                in.restOfLine();
                for (int i = 0; i < m_nPropertyCount; ++i)
                    m_properties.push_back(in.restOfLine());
            } else if (key == "CHARS") {
                m_nCharsAnnounced = in.integer();
                m_bCharsSeen = true;
                // The count is the file's word: reserve no more than the file could hold.
                const std::size_t fit = in.remaining() / ShortestGlyph;
                m_glyphs.reserve(
                    std::min<std::size_t>(std::size_t(std::max(m_nCharsAnnounced, 0)), fit));
            } else if (key == "STARTCHAR") {
                if (!m_bCharsSeen || GlyphCount() >= m_nCharsAnnounced)
                    break;
                parseGlyph(in, in.token());
            } else if (key == "ENDFONT") {
                break;
            }
            if (progress)
                progress(in.position(), text.size());
        }
    } catch (const EOFException&) {
        m_nFlags |= BdfEarlyEnd;
    } catch (const NumericException&) {
        m_nFlags |= BdfNumberError;
    }
    if (m_strVersion > std::string_view("2.2"))
        m_nFlags |= BdfLaterVersion;
    if (GlyphCount() != m_nCharsAnnounced)
        m_nFlags |= BdfCountMismatch;
    flags = m_nFlags;
    return GlyphCount();
}

bool CBDF::ParseFile(const std::filesystem::path& path, int& flags, const Progress& progress,
                     std::string* failure, std::size_t maxSize) {
    std::string text, reason;
    if (!readBounded(path, text, reason, maxSize)) {
        if (failure)
            *failure = reason;
        return false;
    }
    Parse(text, flags, progress);
    return true;
}

bool CBDF::GlyphToPicture(int index, CPicture& picture, bool useFontHeight) const {
    const BdfGlyph* glyph = Glyph(index);
    if (!glyph)
        return false;
    const int height = useFontHeight ? m_nBoxHeight : glyph->bbxHeight;
    picture.Create(glyph->bbxWidth, std::max(height, 0), glyph->code);
    picture.m_nDepth = 1;
    // Pixels are two bytes, high byte first: white (3) is 00 03 and black (0) is 00 00. A font
    // has tens of thousands of glyphs, so each bitmap byte becomes its eight pixels at once.
    static const auto expanded = [] {
        std::array<std::array<std::uint8_t, 16>, 256> table{};
        for (int byte = 0; byte < 256; ++byte)
            for (int bit = 0; bit < 8; ++bit)
                table[std::size_t(byte)][std::size_t(bit) * 2 + 1] = byte & (0x80 >> bit) ? 0 : 3;
        return table;
    }();
    std::uint8_t* pixels = picture.m_pixels.data();
    const std::size_t pixelBytes = picture.m_pixels.size();
    for (std::size_t at = 0; at + 16 <= pixelBytes; at += 16)
        std::memcpy(pixels + at, expanded[0].data(), 16);
    for (std::size_t at = pixelBytes / 16 * 16 + 1; at < pixelBytes; at += 2)
        pixels[at] = 3;
    // With the font's height, the glyph's top goes where its box reaches below the font's top.
    const long long first = useFontHeight ? (long long)m_nBoxHeight + m_nBoxY -
                                                ((long long)glyph->bbxHeight + glyph->bbxY)
                                          : 0;
    const std::size_t rowBytes = std::size_t(glyph->rowBytes());
    const std::size_t columns =
        std::size_t(std::max(std::min(picture.m_nWidth, glyph->bbxWidth), 0));
    const std::size_t width = std::size_t(picture.m_nWidth);
    // A glyph without a BITMAP section, or with BBX after it, reads as blank.
    const std::size_t stored = glyph->bitmap.size();
    for (int r = 0; r < glyph->bbxHeight; ++r) {
        const long long y = first + r;
        if (y < 0 || y >= picture.m_nHeight)
            continue;
        const std::size_t row = std::size_t(r) * rowBytes;
        if (row >= stored)
            break;
        std::uint8_t* out = pixels + std::size_t(y) * width * 2;
        const std::uint8_t* in = glyph->bitmap.data() + row;
        const std::size_t bytes = std::min(rowBytes, stored - row);
        // Whole bytes, then the bits of the last byte that lie within the picture.
        std::size_t x = 0;
        for (std::size_t b = 0; b < bytes && x + 8 <= columns; ++b, x += 8)
            std::memcpy(out + x * 2, expanded[in[b]].data(), 16);
        for (; x < columns && x / 8 < bytes; ++x)
            if (in[x / 8] & (0x80 >> (x % 8)))
                out[x * 2 + 1] = 0;
    }
    return true;
}

} // namespace pixelon

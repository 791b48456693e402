// The portfolio text file: the writer and a picture's entry.

#include <algorithm>
#include <array>
#include <ctime>
#include <new>
#include <vector>

#include "core/AtomicFile.h"
#include "core/EString.h"
#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "core/PortfolioFile.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr int WatchdogLimit = 1000;

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
const PaletteMap& packSourceMap(int depth) {
    return depth <= 2 ? GreyMap : depth == 8 ? CubeMap : DirectMap;
}
const PaletteMap& packTargetMap(int depth) {
    return depth == 1 ? MonoMap : depth == 2 ? GreyMap : depth == 8 ? CubeMap : DirectMap;
}

CPicture rgbCopy(const CPicture& picture) {
    CPicture copy;
    copy.CopyFrom(picture);
    copy.m_nStoredDepth = picture.m_nStoredDepth;
    copy.m_bMasked = picture.m_bMasked;
    copy.m_nDepth = 16;
    // A grey index shows one of four colours (anything else shows white): one look-up a pixel.
    std::uint16_t shown[5];
    for (int v = 0; v < 5; ++v)
        shown[v] = toRgb565(v < 4 ? GreyMap.colours[v] : colourWhite);
    const std::size_t count = std::min(std::size_t(std::max(picture.m_nWidth, 0)) *
                                           std::size_t(std::max(picture.m_nHeight, 0)),
                                       copy.m_pixels.size() / 2);
    std::uint8_t* bytes = copy.m_pixels.data();
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned v = unsigned(bytes[i * 2] << 8 | bytes[i * 2 + 1]);
        const std::uint16_t c = shown[std::min(v, 4u)];
        bytes[i * 2] = std::uint8_t(c >> 8);
        bytes[i * 2 + 1] = std::uint8_t(c);
    }
    return copy;
}

bool holdsGreyIndices(const CPicture& picture) {
    return picture.m_nDepth == 1 || picture.m_nDepth == 2;
}

// How each grey index (4 and above show white, as index 4) is written: the depth class of the
// colour it shows and its codes in one- and two-bit packing, found by the colour rules
// themselves on one-pixel pictures, once.
struct GreyCodes {
    std::array<int, 5> depthClass{};
    std::array<std::uint8_t, 5> mono{};
    std::array<std::uint8_t, 5> grey{};
};

const GreyCodes& greyCodes() {
    static const GreyCodes codes = [] {
        GreyCodes c;
        for (std::size_t v = 0; v < 5; ++v) {
            CPicture one;
            one.Create(1, 1, 0);
            one.m_nDepth = 16;
            one.SetPixel(0, 0, toRgb565(v < 4 ? GreyMap.colours[v] : colourWhite));
            c.depthClass[v] = std::min(one.DepthClass(), 3);
            c.mono[v] = one.Pack(DirectMap, MonoMap).at(0) & 1;
            c.grey[v] = one.Pack(DirectMap, GreyMap).at(0) & 3;
        }
        return c;
    }();
    return codes;
}

// The depth class of a grey-index picture as its colour copy would have it, 3 when some index
// shows a colour that is neither black, white nor grey.
int greyDepthClass(const CPicture& picture, std::size_t count) {
    // Which indices occur decides the class: one bit each, then the classes of those set.
    const std::uint8_t* bytes = picture.m_pixels.data();
    unsigned seen = 0;
    for (std::size_t i = 0; i < count; ++i)
        seen |= 1u << std::min(unsigned(bytes[i * 2] << 8 | bytes[i * 2 + 1]), 4u);
    const GreyCodes& codes = greyCodes();
    int result = 0;
    for (std::size_t v = 0; v < 5; ++v)
        if (seen & 1u << v)
            result = std::max(result, codes.depthClass[v]);
    return result;
}

// Pack's band layout (a byte holds a column of 8 / bits rows, the top row in the low bits) for
// the one- and two-bit codes of grey indices, written straight to the file.
void writeGreyPacked(const CPicture& picture, int bits, LineWriter& file) {
    const GreyCodes& codes = greyCodes();
    const auto& code = bits == 1 ? codes.mono : codes.grey;
    const std::size_t width = std::size_t(std::max(picture.m_nWidth, 0));
    const int height = picture.m_nHeight;
    const int perByte = 8 / bits;
    const std::uint8_t* bytes = picture.m_pixels.data();
    // One band at a time, row by row in memory order.
    std::vector<std::uint8_t> band(width);
    for (int top = 0; top < height; top += perByte) {
        std::fill(band.begin(), band.end(), std::uint8_t(0));
        for (int j = 0; j < std::min(perByte, height - top); ++j) {
            const std::uint8_t* row = bytes + std::size_t(top + j) * width * 2;
            const int shift = j * bits;
            for (std::size_t x = 0; x < width; ++x) {
                const unsigned v = unsigned(row[x * 2] << 8 | row[x * 2 + 1]);
                band[x] = std::uint8_t(band[x] | code[std::min(v, 4u)] << shift);
            }
        }
        for (std::uint8_t byte : band)
            file.hexByteLine(byte);
    }
}

int depthClassOf(const CPicture& picture) {
    return holdsGreyIndices(picture) ? rgbCopy(picture).DepthClass() : picture.DepthClass();
}

std::string_view typeFor(const CPicture& picture, int depthClass) {
    return picture.m_bMasked ? "Icon" : depthClass == 1 ? "Glyph" : "Image";
}

// Names and animation names must stay on their line and one token; an empty name would shift
// every field after it.
std::string oneLine(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\n', ' ');
    std::replace(out.begin(), out.end(), '\r', ' ');
    return out;
}
std::string oneToken(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (isBlank(c))
            c = '_';
    return out.empty() ? "_" : out;
}

std::string localDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[80];
    // The long date and time form: "Tuesday, March 14, 1995, 12:41:29".
    std::size_t n = std::strftime(text, sizeof text, "%A, %B %d, %Y, %H:%M:%S", &local);
    return std::string(text, n);
}

} // namespace

std::string_view entryTypeOf(const CPicture& picture) {
    return typeFor(picture, depthClassOf(picture));
}

int entryDepthOf(const CPicture& picture) {
    return std::max(depthClassOf(picture), 1);
}

void CPicture::WriteItem(LineWriter& file) {
    // A record whose arrays do not match its size would be read out of bounds; the save fails
    // instead and the previous file stays.
    const std::size_t pixels =
        std::size_t(std::max(m_nWidth, 0)) * std::size_t(std::max(m_nHeight, 0));
    if (m_nWidth < 0 || m_nHeight < 0 || m_pixels.size() < pixels * 2 || m_mask.size() < pixels) {
        LineWriter id;
        id.putHex(std::uint32_t(m_nId), 4);
        throw EString("Glyph data error: picture " + id.text() + " has no pixel data for " +
                      std::to_string(m_nWidth) + " x " + std::to_string(m_nHeight));
    }
    // Grey indices are written as the colours they show; the picture itself is left alone.
    // Black, white and grey need no colour copy: their classes and codes come from a table.
    if (holdsGreyIndices(*this)) {
        const int greyClass = greyDepthClass(*this, pixels);
        if (greyClass < 3) {
            m_nSaveDepth = greyClass;
            const int depth = std::max(m_nSaveDepth, 1);
            file.line(typeFor(*this, m_nSaveDepth));
            file.putHex(std::uint32_t(m_nId), 4).endLine();
            file.putDecimal(m_nWidth).endLine();
            file.putDecimal(m_nHeight).endLine();
            if (typeFor(*this, m_nSaveDepth) != "Glyph")
                file.putDecimal(std::int64_t(1) << depth).endLine();
            writeGreyPacked(*this, depth, file);
            CurrentMap = &packSourceMap(depth);
            if (m_bMasked) {
                file.line("mask");
                for (std::uint8_t byte : PackMask())
                    file.hexByteLine(byte);
            }
            return;
        }
    }
    CPicture converted;
    const CPicture* source = this;
    if (holdsGreyIndices(*this)) {
        converted = rgbCopy(*this);
        source = &converted;
    }
    m_nSaveDepth = source->DepthClass();
    const std::string_view type = typeFor(*this, m_nSaveDepth);
    const int depth = std::max(m_nSaveDepth, 1);

    file.line(type);
    file.putHex(std::uint32_t(m_nId), 4).endLine();
    file.putDecimal(m_nWidth).endLine();
    file.putDecimal(m_nHeight).endLine();
    if (type != "Glyph")
        file.putDecimal(std::int64_t(1) << depth).endLine();
    for (std::uint8_t byte : source->Pack(packSourceMap(depth), packTargetMap(depth)))
        file.hexByteLine(byte);
    CurrentMap = &packSourceMap(depth);
    if (m_bMasked) {
        file.line("mask");
        for (std::uint8_t byte : source->PackMask())
            file.hexByteLine(byte);
    }
}

void CPortfolio::WriteTo(LineWriter& file, std::string_view shownPath, ProgressWindow* progress) {
    file.line("//");
    file.put("//\t\tIMAGE PORTFOLIO FILE - ").line(shownPath);
    file.line("//");
    file.put("//\t\tGENERATED BY Vistrel, Version ")
        .put(PortfolioVersion)
        .put(" - ")
        .line(localDateTime());
    file.line("//\t\tKivo Norvane phone picture portfolio; lines starting // are comments.");
    file.line("//");
    file.line("//\t\tFONT_DESCRIPTION:");
    std::string_view notes = m_strNotes;
    for (int passes = 0;;) {
        std::size_t end = notes.find('\n');
        std::string_view piece = notes.substr(0, end);
        if (!piece.empty())
            file.put("//\t\t").line(piece);
        if (end == std::string_view::npos)
            break;
        notes.remove_prefix(end + 1);
        if (++passes >= WatchdogLimit)
            throw EString("Error: Watchdog exceeded 1000");
    }
    file.line("//");
    file.put("FONTTABLE ").line(oneLine(m_strName));
    file.line("BEGIN");
    if (m_nAscent != 0)
        file.put("ASCENT ").putDecimal(m_nAscent).endLine();
    if (m_nWeight != 400)
        file.put("WEIGHT ").putDecimal(m_nWeight).endLine();
    if (m_bItalic != 0)
        file.line("ITALIC 1");
    if (m_nSpacing != 0)
        file.put("SPACING ").putDecimal(m_nSpacing).endLine();
    if (m_nHeight != 0)
        file.put("HEIGHT ").putDecimal(m_nHeight).endLine();
    for (const Animation& a : m_animations) {
        file.put("ANIMATION ").put(oneToken(a.name));
        for (int value : {a.width, a.height, a.loopstart, a.loopend, a.nrepeats, a.loopmode,
                          a.clearbetweenframes, int(a.frames.size())})
            file.put(" ").putDecimal(value);
        file.endLine();
        for (const AnimationFrame& f : a.frames) {
            file.putHex(std::uint32_t(f.id), 4);
            for (int value : {f.xoffset, f.yoffset, f.disposal, f.framedelay})
                file.put(" ").putDecimal(value);
            file.endLine();
        }
    }
    int written = 0;
    for (auto& picture : m_pictures) {
        picture->WriteItem(file);
        if (progress)
            progress->Step(++written);
    }
    file.line("END");
}

bool CPortfolio::WriteFile(const std::filesystem::path& path, Feedback& feedback) {
    ProgressWindow& progress = feedback.progress();
    try {
        AtomicFile out(path);
        progress.Open("Save file...", path.string(), 0, Count());
        LineWriter writer(out.fd());
        std::error_code ec;
        std::filesystem::path shown = std::filesystem::absolute(path, ec);
        WriteTo(writer, (ec ? path : shown.lexically_normal()).string(), &progress);
        writer.flush();
        out.commit();
        progress.Close();
        return true;
    } catch (const EString& e) {
        progress.Close();
        feedback.message(std::string("Unable to save file.\n") + e.what() +
                             AtomicFile::takeKeptCopyNote(),
                         MessageIcon::Stop);
    } catch (const std::bad_alloc&) {
        progress.Close();
        feedback.message("Unable to save file.\nNot enough memory", MessageIcon::Stop);
    }
    return false;
}

} // namespace pixelon

// The portfolio text file: the writer and a picture's entry.

#include <algorithm>
#include <ctime>
#include <new>

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
        feedback.message(std::string("Unable to save file.\n") + e.what(), MessageIcon::Stop);
    } catch (const std::bad_alloc&) {
        progress.Close();
        feedback.message("Unable to save file.\nNot enough memory", MessageIcon::Stop);
    }
    return false;
}

} // namespace pixelon

#include "fonts/BdfWriter.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <optional>

#include "core/AtomicFile.h"
#include "core/Document.h"
#include "core/EString.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// The highest code point Unicode has; BDF encodings beyond it mean nothing to readers.
constexpr int MaxCode = 0x10FFFF;
// X fonts are drawn at this resolution unless the font says otherwise.
constexpr int Resolution = 75;

std::string pictureName(const CPicture& picture) {
    char text[32];
    std::snprintf(text, sizeof text, "Picture 0x%04X", unsigned(picture.m_nId));
    if (picture.m_nId < 0)
        std::snprintf(text, sizeof text, "Picture %d", picture.m_nId);
    return text;
}

enum class Pixel { Paper, Ink, Other };

// Black is ink and white is paper, in grey-level indices (depth 1 or 2) and in RGB565 alike; a
// transparent pixel of an icon is paper. Anything else has no place in a one-bit glyph.
Pixel classify(const CPicture& picture, int x, int y) {
    if (picture.m_bMasked && !picture.GetMask(x, y))
        return Pixel::Paper;
    const std::uint16_t v = picture.GetPixel(x, y);
    if (v == 0)
        return Pixel::Ink;
    const bool grey = picture.m_nDepth < 8;
    if ((grey && v >= 3) || (!grey && v == 0xFFFF))
        return Pixel::Paper;
    return Pixel::Other;
}

// The smallest rectangle of a picture that holds all its ink, in picture rows and columns.
struct InkBox {
    int left = 0, top = 0, width = 0, height = 0;
    bool empty() const { return width == 0; }
};

InkBox inkBox(const CPicture& picture) {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < picture.m_nHeight; ++y)
        for (int x = 0; x < picture.m_nWidth; ++x)
            switch (classify(picture, x, y)) {
            case Pixel::Ink:
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                break;
            case Pixel::Other:
                throw EString(pictureName(picture) + " holds grey or colour pixels (first at " +
                              std::to_string(x) + "," + std::to_string(y) +
                              "): a BDF font holds only black and white glyphs");
            case Pixel::Paper:
                break;
            }
    if (right < 0)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

void checkIds(const CPortfolio& portfolio) {
    std::map<int, const CPicture*> seen;
    for (const auto& p : portfolio.m_pictures) {
        if (p->m_nId < 0 || p->m_nId > MaxCode)
            throw EString(pictureName(*p) + " has an ID that is no Unicode code: a BDF font " +
                          "holds glyphs for codes 0 to 0x10FFFF");
        if (!seen.emplace(p->m_nId, p.get()).second)
            throw EString(pictureName(*p) + " shares its ID with another picture: a BDF font " +
                          "holds one glyph for each code");
    }
}

std::string hexRow(const CPicture& picture, const InkBox& box, int y) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string row;
    for (int byteStart = 0; byteStart < box.width; byteStart += 8) {
        unsigned byte = 0;
        for (int bit = 0; bit < 8 && byteStart + bit < box.width; ++bit)
            if (classify(picture, box.left + byteStart + bit, y) == Pixel::Ink)
                byte |= 0x80u >> bit;
        row += digits[byte >> 4];
        row += digits[byte & 15];
    }
    return row;
}

// A property value as a BDF string: in double quotes, a quote doubled.
std::string bdfString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

} // namespace

BdfFontMetrics BdfMetricsOf(const CPortfolio& portfolio) {
    int tallest = 0;
    for (const auto& p : portfolio.m_pictures)
        tallest = std::max(tallest, p->m_nHeight);
    BdfFontMetrics m;
    m.ascent = portfolio.m_nAscent > 0 ? portfolio.m_nAscent : tallest;
    const int lineHeight = portfolio.m_nHeight > 0 ? portfolio.m_nHeight : tallest;
    m.descent = std::max(0, lineHeight - m.ascent);
    m.pixelSize = std::max(1, m.ascent + m.descent);
    m.spacing = portfolio.m_nSpacing;
    m.bold = portfolio.m_nWeight >= 700;
    m.italic = portfolio.m_bItalic != 0;
    return m;
}

std::string BdfFamilyName(std::string_view name) {
    std::string out;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool separator = c == '-' || c == '*' || c == '?' || c == ',' || c == '"';
        out += (u < 0x20 || u > 0x7E || separator) ? '_' : c;
    }
    return out.empty() ? "Pixelon" : out;
}

std::string BuildBdf(const CPortfolio& portfolio, std::string_view fontName) {
    if (portfolio.Count() == 0)
        throw EString("The portfolio holds no pictures: there is no glyph to write");
    checkIds(portfolio);
    const BdfFontMetrics m = BdfMetricsOf(portfolio);

    struct Glyph {
        const CPicture* picture;
        InkBox box;
        int advance;
        int yOffset; // of the box's lowest row, from the baseline
    };
    std::vector<Glyph> glyphs;
    glyphs.reserve(std::size_t(portfolio.Count()));
    int boxLeft = 0, boxBottom = 0, boxRight = 0, boxTop = 0;
    bool anyInk = false;
    long long advanceSum = 0;
    bool monospaced = true;
    for (const auto& p : portfolio.m_pictures) {
        const InkBox box = inkBox(*p);
        const int advance = std::max(0, p->m_nWidth + m.spacing);
        // Picture row y spans from ascent - y down to ascent - y - 1 above the baseline.
        const int yOffset = box.empty() ? 0 : m.ascent - (box.top + box.height);
        glyphs.push_back({p.get(), box, advance, yOffset});
        advanceSum += advance;
        monospaced = monospaced && advance == glyphs.front().advance;
        if (box.empty())
            continue;
        const int right = box.left + box.width, top = yOffset + box.height;
        if (!anyInk) {
            boxLeft = box.left, boxRight = right, boxBottom = yOffset, boxTop = top;
            anyInk = true;
        } else {
            boxLeft = std::min(boxLeft, box.left);
            boxRight = std::max(boxRight, right);
            boxBottom = std::min(boxBottom, yOffset);
            boxTop = std::max(boxTop, top);
        }
    }
    const int averageWidth = int(advanceSum * 10 / (long long)glyphs.size());
    const std::string family = BdfFamilyName(fontName);
    const char* weight = m.bold ? "Bold" : "Medium";
    const char* slant = m.italic ? "I" : "R";
    const char* spacing = monospaced ? "M" : "P";
    // Points at 75 dots an inch, in tenths: what the X font name and POINT_SIZE carry.
    const int pointSize10 = int(
        std::min<long long>(((long long)m.pixelSize * 722 + Resolution / 2) / Resolution, INT_MAX));
    const std::string xlfd = "-Pixelon-" + family + "-" + weight + "-" + slant + "-Normal--" +
                             std::to_string(m.pixelSize) + "-" + std::to_string(pointSize10) +
                             "-75-75-" + spacing + "-" + std::to_string(averageWidth) +
                             "-ISO10646-1";

    std::string out;
    out.reserve(glyphs.size() * 128 + 1024);
    auto line = [&out](const std::string& text) { out.append(text).push_back('\n'); };
    auto num = [](int v) { return std::to_string(v); };
    line("STARTFONT 2.1");
    line("FONT " + xlfd);
    line("SIZE " + num(m.pixelSize) + " " + num(Resolution) + " " + num(Resolution));
    line("FONTBOUNDINGBOX " + num(boxRight - boxLeft) + " " + num(boxTop - boxBottom) + " " +
         num(boxLeft) + " " + num(boxBottom));
    const std::vector<std::string> properties = {
        "FOUNDRY \"Pixelon\"",
        "FAMILY_NAME " + bdfString(family),
        "WEIGHT_NAME " + bdfString(weight),
        "SLANT " + bdfString(slant),
        "SETWIDTH_NAME \"Normal\"",
        "ADD_STYLE_NAME \"\"",
        "PIXEL_SIZE " + num(m.pixelSize),
        "POINT_SIZE " + num(pointSize10),
        "RESOLUTION_X " + num(Resolution),
        "RESOLUTION_Y " + num(Resolution),
        "SPACING " + bdfString(spacing),
        "AVERAGE_WIDTH " + num(averageWidth),
        "CHARSET_REGISTRY \"ISO10646\"",
        "CHARSET_ENCODING \"1\"",
        "FONT_ASCENT " + num(m.ascent),
        "FONT_DESCENT " + num(m.descent),
    };
    line("STARTPROPERTIES " + num(int(properties.size())));
    for (const std::string& p : properties)
        line(p);
    line("ENDPROPERTIES");
    line("CHARS " + num(int(glyphs.size())));
    for (const Glyph& g : glyphs) {
        const int code = g.picture->m_nId;
        char name[16];
        std::snprintf(name, sizeof name, code > 0xFFFF ? "u%06X" : "uni%04X", unsigned(code));
        line(std::string("STARTCHAR ") + name);
        line("ENCODING " + num(code));
        // Scalable width in thousandths of the point size; the pixel size is the em here.
        line("SWIDTH " + num(int((long long)g.advance * 1000 / m.pixelSize)) + " 0");
        line("DWIDTH " + num(g.advance) + " 0");
        line("BBX " + num(g.box.width) + " " + num(g.box.height) + " " +
             num(g.box.empty() ? 0 : g.box.left) + " " + num(g.yOffset));
        line("BITMAP");
        for (int y = g.box.top; y < g.box.top + g.box.height; ++y)
            line(hexRow(*g.picture, g.box, y));
        line("ENDCHAR");
    }
    line("ENDFONT");
    return out;
}

void WriteBdfFile(const std::filesystem::path& path, const CPortfolio& portfolio,
                  std::string_view fontName) {
    const std::string text = BuildBdf(portfolio, fontName);
    AtomicFile file(path);
    file.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    file.commit();
}

bool ExportBdfFont(const CPortfolio& portfolio, const std::filesystem::path& path,
                   std::string_view fontName, Feedback& feedback) {
    std::string text;
    try {
        text = BuildBdf(portfolio, fontName);
    } catch (const EString& e) {
        feedback.message(std::string(e.what()) + "\nBDF file not generated.", MessageIcon::Stop);
        return false;
    }
    try {
        AtomicFile file(path);
        file.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        file.commit();
    } catch (const EString& e) {
        feedback.message(std::string("Unable to save file.\n") + e.what(), MessageIcon::Stop);
        return false;
    }
    return true;
}

std::string ProposeBdfFileName(std::string_view path, std::string_view portfolioName) {
    if (path.empty())
        return std::string(portfolioName.empty() ? "font" : portfolioName) + ".bdf";
    // Only the last name's extension goes: a dot in a folder name stays.
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        path = path.substr(0, dot);
    return std::string(path) + ".bdf";
}

bool RunBdfExport(const CPortfolio& portfolio, std::string_view documentPath, FileChooser& chooser,
                  Feedback& feedback) {
    FileRequest request;
    request.title = BdfExportTitle;
    request.filter = BdfExportFilter;
    request.defaultExt = "bdf";
    request.defaultName = ProposeBdfFileName(documentPath, portfolio.m_strName);
    const std::optional<FileAnswer> answer = chooser.chooseSave(request);
    if (!answer || answer->paths.empty())
        return false;
    return ExportBdfFont(portfolio, answer->paths.front(), portfolio.m_strName, feedback);
}

} // namespace pixelon

// pixelon info: what a portfolio holds, as text or JSON.

#include <cstdio>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "core/PortfolioFile.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon info [--json] FILE

Prints a portfolio's name, font metrics, notes, one line per picture (ID in
decimal, type, width, height, stored depth) and its animations.

  --json   print the same as one JSON object:
           {"name","notes","ascent","weight","italic","spacing","height",
            "pictures":[{"id","type","width","height","depth","masked"}],
            "animations":[{"name","width","height","loopstart","loopend",
              "nrepeats","loopmode","clearbetweenframes",
              "frames":[{"id","xoffset","yoffset","disposal","framedelay"}]}]}

A file that cannot be read is reported on standard error with exit status 1.
)";

// Length of the valid UTF-8 sequence at text[i] (no overlong forms, no surrogates), or 0.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const unsigned char c = (unsigned char)text[i];
    const std::size_t n = c >= 0xC2 && c <= 0xDF   ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if (((unsigned char)text[i + k] & 0xC0) != 0x80)
            return 0;
    const unsigned char second = (unsigned char)text[i + 1];
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) ||
        (c == 0xF0 && second < 0x90) || (c == 0xF4 && second >= 0x90))
        return 0;
    return n;
}

// A JSON string. Bytes that are not UTF-8 are taken as Latin-1, the file's 8-bit text.
std::string json(const std::string& text) {
    std::string out = "\"";
    char escape[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = (unsigned char)text[i];
        switch (c) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\b':
            out += "\\b";
            continue;
        case '\f':
            out += "\\f";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else if (c < 0x80) {
            out += char(c);
        } else if (std::size_t n = utf8Length(text, i)) {
            out.append(text, i, n);
            i += n - 1;
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
    }
    return out + "\"";
}

std::string field(const char* name, long long value) {
    return std::string("\"") + name + "\":" + std::to_string(value);
}

void printJson(const CPortfolio& folio) {
    std::string out = "{\"name\":" + json(folio.m_strName) + ",\"notes\":" + json(folio.m_strNotes);
    out += "," + field("ascent", folio.m_nAscent) + "," + field("weight", folio.m_nWeight) + "," +
           field("italic", folio.m_bItalic) + "," + field("spacing", folio.m_nSpacing) + "," +
           field("height", folio.m_nHeight) + ",\"pictures\":[";
    for (int i = 0; i < folio.Count(); ++i) {
        const CPicture& p = folio.Picture(i);
        out += i ? ",{" : "{";
        out += field("id", p.m_nId) + ",\"type\":\"" + std::string(entryTypeOf(p)) + "\"," +
               field("width", p.m_nWidth) + "," + field("height", p.m_nHeight) + "," +
               field("depth", p.GetStoredDepth()) +
               ",\"masked\":" + (p.m_bMasked ? "true" : "false") + "}";
    }
    out += "],\"animations\":[";
    for (std::size_t i = 0; i < folio.m_animations.size(); ++i) {
        const Animation& a = folio.m_animations[i];
        out += i ? ",{" : "{";
        out += "\"name\":" + json(a.name) + "," + field("width", a.width) + "," +
               field("height", a.height) + "," + field("loopstart", a.loopstart) + "," +
               field("loopend", a.loopend) + "," + field("nrepeats", a.nrepeats) + "," +
               field("loopmode", a.loopmode) + "," +
               field("clearbetweenframes", a.clearbetweenframes) + ",\"frames\":[";
        for (std::size_t k = 0; k < a.frames.size(); ++k) {
            const AnimationFrame& f = a.frames[k];
            out += k ? ",{" : "{";
            out += field("id", f.id) + "," + field("xoffset", f.xoffset) + "," +
                   field("yoffset", f.yoffset) + "," + field("disposal", f.disposal) + "," +
                   field("framedelay", f.framedelay) + "}";
        }
        out += "]}";
    }
    out += "]}\n";
    std::fputs(out.c_str(), stdout);
}

void printText(const CPortfolio& folio) {
    std::printf("Name: %s\n", folio.m_strName.c_str());
    std::printf("Ascent: %d  Weight: %d  Italic: %d  Spacing: %d  Height: %d\n", folio.m_nAscent,
                folio.m_nWeight, folio.m_bItalic, folio.m_nSpacing, folio.m_nHeight);
    std::printf("Notes:\n");
    std::size_t start = 0;
    const std::string& notes = folio.m_strNotes;
    while (start < notes.size()) {
        std::size_t end = notes.find('\n', start);
        if (end == std::string::npos)
            end = notes.size();
        std::printf("  %.*s\n", int(end - start), notes.data() + start);
        start = end + 1;
    }
    std::printf("Pictures: %d\n", folio.Count());
    for (int i = 0; i < folio.Count(); ++i) {
        const CPicture& p = folio.Picture(i);
        std::printf("  %05d %-5s %4d x %-4d depth %d\n", p.m_nId,
                    std::string(entryTypeOf(p)).c_str(), p.m_nWidth, p.m_nHeight,
                    p.GetStoredDepth());
    }
    std::printf("Animations: %zu\n", folio.m_animations.size());
    for (const Animation& a : folio.m_animations) {
        std::printf("  %s %d x %d, loop %d..%d, repeats %d, mode %d, clear %d, %zu frames\n",
                    a.name.c_str(), a.width, a.height, a.loopstart, a.loopend, a.nrepeats,
                    a.loopmode, a.clearbetweenframes, a.frames.size());
        for (const AnimationFrame& f : a.frames)
            std::printf("    %05d at %d, %d, disposal %d, delay %d ms\n", f.id, f.xoffset,
                        f.yoffset, f.disposal, f.framedelay);
    }
}

} // namespace

int runInfo(std::span<const std::string> args) {
    Args parsed(args, {}, {"--json"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    CliFeedback feedback;
    CPortfolio folio;
    if (!readPortfolio(folio, parsed.positional()[0], feedback))
        return 1;
    if (parsed.flag("--json"))
        printJson(folio);
    else
        printText(folio);
    return 0;
}

} // namespace pixelon::cli

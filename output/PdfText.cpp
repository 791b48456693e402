#include "output/PdfText.h"

#include <cmath>
#include <cstdio>

#include "core/Utf8.h"

namespace pixelon {

namespace {

// The index into the width tables of a WinAnsi code the tables hold.
int WidthIndex(unsigned char code) {
    if (code >= 0x20 && code <= 0x7E)
        return code - 0x20;
    if (code >= 0xA0)
        return 95 + (code - 0xA0);
    return -1;
}

} // namespace

namespace {

// The text in WinAnsi, each character the fonts lack replaced by `missing`, or nothing at the
// first such character when `missing` is 0.
std::optional<std::string> Encoded(std::string_view utf8, char missing) {
    std::string out;
    out.reserve(utf8.size());
    for (const char32_t cp : decodeUtf8(utf8)) {
        if (cp <= 0xFF && WidthIndex(static_cast<unsigned char>(cp)) >= 0)
            out.push_back(static_cast<char>(cp));
        else if (missing)
            out.push_back(missing);
        else
            return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<std::string> WinAnsiText(std::string_view utf8) {
    return Encoded(utf8, 0);
}

std::string WinAnsiTextReplacing(std::string_view utf8, char missing) {
    return *Encoded(utf8, missing);
}

int HelveticaAdvance(std::string_view winAnsi, bool bold) {
    const auto& widths = bold ? HelveticaBoldWidths : HelveticaWidths;
    int total = 0;
    for (const char c : winAnsi)
        if (const int index = WidthIndex(static_cast<unsigned char>(c)); index >= 0)
            total += widths[std::size_t(index)];
    return total;
}

std::string PdfLiteral(std::string_view bytes) {
    std::string out = "(";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (u < 0x20 || u >= 0x7F) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", unsigned(u));
            out += octal;
        } else {
            out.push_back(c);
        }
    }
    out.push_back(')');
    return out;
}

std::string PdfTextString(std::string_view utf8) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out = "<FEFF";
    const auto unit = [&](unsigned value) {
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(Hex[value >> shift & 0xF]);
    };
    for (char32_t cp : decodeUtf8(utf8)) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + unsigned(cp >> 10));
            unit(0xDC00 + unsigned(cp & 0x3FF));
        } else {
            unit(unsigned(cp));
        }
    }
    out.push_back('>');
    return out;
}

std::string PdfNumber(double value) {
    if (!std::isfinite(value))
        return "0";
    // Far beyond any page; keeps the text short.
    value = std::fmax(-1e9, std::fmin(1e9, value));
    const double rounded = std::round(value * 1000) / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", rounded == 0 ? 0.0 : rounded);
    std::string out = text;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    return out;
}

} // namespace pixelon

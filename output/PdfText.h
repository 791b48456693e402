#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixelon {

// Advance widths of the standard PDF fonts Helvetica and Helvetica-Bold, in thousandths of an
// em, for U+0020..U+007E followed by U+00A0..U+00FF.
extern const std::array<std::uint16_t, 191> HelveticaWidths;
extern const std::array<std::uint16_t, 191> HelveticaBoldWidths;

// `utf8` in the standard fonts' encoding (WinAnsi, which holds Latin-1's printable characters
// at their own codes), or nothing when a character is not among them. Malformed bytes stand for
// themselves, as Latin-1.
std::optional<std::string> WinAnsiText(std::string_view utf8);
// The same with every character the fonts lack shown as `missing` (not 0).
std::string WinAnsiTextReplacing(std::string_view utf8, char missing);

// The advance of WinAnsi-encoded `text` in thousandths of an em.
int HelveticaAdvance(std::string_view winAnsi, bool bold);

// `bytes` as a PDF literal string, parentheses included.
std::string PdfLiteral(std::string_view bytes);

// `utf8` as a PDF text string for the document information: UTF-16 with a byte-order mark,
// written in hexadecimal.
std::string PdfTextString(std::string_view utf8);

// A number as PDF writes it: at most three decimals, no exponent, no trailing zeros.
std::string PdfNumber(double value);

} // namespace pixelon

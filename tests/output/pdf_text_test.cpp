// The text pieces of a PDF file: the standard fonts' encoding, string escapes, document
// information strings and numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "output/PdfText.h"

namespace pixelon {
namespace {

TEST(PdfText, WinAnsiKeepsLatinOneAndRefusesTheRest) {
    EXPECT_EQ(WinAnsiText(""), "");
    EXPECT_EQ(WinAnsiText(" Az~09!"), " Az~09!");
    // Two-byte UTF-8 down to one byte each, the edges of the printable Latin-1 block included.
    EXPECT_EQ(WinAnsiText("caf\xC3\xA9 \xC3\xBF"), "caf\xE9 \xFF");
    EXPECT_EQ(WinAnsiText("a\xC2\xA0"
                          "b"),
              "a\xA0"
              "b"); // no-break space
    EXPECT_EQ(WinAnsiText("co\xC2\xAD"
                          "op"),
              "co\xAD"
              "op"); // soft hyphen
    // The C1 controls are where WinAnsi has other characters: refused, not passed as bytes.
    EXPECT_EQ(WinAnsiText("\xC2\x80"), std::nullopt);
    EXPECT_EQ(WinAnsiText("x\xC2\x9F"), std::nullopt);
    // Control characters and DEL.
    EXPECT_EQ(WinAnsiText("a\tb"), std::nullopt);
    EXPECT_EQ(WinAnsiText("a\nb"), std::nullopt);
    EXPECT_EQ(WinAnsiText(std::string_view("a\0b", 3)), std::nullopt);
    EXPECT_EQ(WinAnsiText("\x7F"), std::nullopt);
    // Beyond Latin-1: the euro sign, Cyrillic, CJK and an emoji.
    EXPECT_EQ(WinAnsiText("\xE2\x82\xAC"), std::nullopt);
    EXPECT_EQ(WinAnsiText("Hi \xD0\x9F"), std::nullopt);
    EXPECT_EQ(WinAnsiText("\xE6\x97\xA5"), std::nullopt);
    EXPECT_EQ(WinAnsiText("\xF0\x9F\x98\x80"), std::nullopt);
}

TEST(PdfText, MalformedBytesStandForLatinOneCharacters) {
    // A lone lead byte or a lone continuation byte is the Latin-1 character of that code.
    EXPECT_EQ(WinAnsiText("caf\xE9"), "caf\xE9");
    EXPECT_EQ(WinAnsiText("\xC3"), "\xC3");
    EXPECT_EQ(WinAnsiText("\xA9 2024"), "\xA9 2024");
    EXPECT_EQ(WinAnsiText("\xE9t\xE9"), "\xE9t\xE9");
    // ... but a lone byte among the C1 controls is still no printable character.
    EXPECT_EQ(WinAnsiText("\x85"), std::nullopt);
}

TEST(PdfText, AdvancesAreTheStandardFontMetrics) {
    // Helvetica: W 944, i 222, space 278, e-acute 556; the bold face has i at 278.
    EXPECT_EQ(HelveticaAdvance("Wi", false), 1166);
    EXPECT_EQ(HelveticaAdvance("Wi", true), 1222);
    EXPECT_EQ(HelveticaAdvance(" \xE9", false), 834);
    EXPECT_EQ(HelveticaAdvance("", true), 0);
}

TEST(PdfText, LiteralsEscapeDelimitersAndEveryByteOutsidePrintableAscii) {
    EXPECT_EQ(PdfLiteral(""), "()");
    EXPECT_EQ(PdfLiteral("a(b)c\\d"), "(a\\(b\\)c\\\\d)");
    // Unbalanced parentheses are escaped too, so the string cannot end early.
    EXPECT_EQ(PdfLiteral(")"), "(\\))");
    EXPECT_EQ(PdfLiteral("\xE9\xFF\x80\x7F"), "(\\351\\377\\200\\177)");
    // Three octal digits always, so that a digit after the escape stays a digit.
    EXPECT_EQ(PdfLiteral("\n1\r2"), "(\\0121\\0152)");
    EXPECT_EQ(PdfLiteral(std::string_view("\0"
                                          "7",
                                          2)),
              "(\\0007)");
}

TEST(PdfText, TextStringsAreUtf16WithSurrogatesAndReplacements) {
    EXPECT_EQ(PdfTextString(""), "<FEFF>");
    EXPECT_EQ(PdfTextString("A\xC3\xA9"), "<FEFF004100E9>");
    EXPECT_EQ(PdfTextString("\xD0\x9F\xE6\x97\xA5"), "<FEFF041F65E5>");
    // Beyond the basic plane: a surrogate pair, at both ends of the range.
    EXPECT_EQ(PdfTextString("\xF0\x9F\x98\x80"), "<FEFFD83DDE00>");
    EXPECT_EQ(PdfTextString("\xF0\x90\x80\x80"), "<FEFFD800DC00>");
    EXPECT_EQ(PdfTextString("\xF4\x8F\xBF\xBF"), "<FEFFDBFFDFFF>");
    // An encoded surrogate, and code points past U+10FFFF, become the replacement character.
    EXPECT_EQ(PdfTextString("\xED\xA0\x80"), "<FEFFFFFD>");
    EXPECT_EQ(PdfTextString("\xED\xBF\xBF"
                            "a"),
              "<FEFFFFFD0061>");
    EXPECT_EQ(PdfTextString("\xF4\x90\x80\x80"), "<FEFFFFFD>");
    EXPECT_EQ(PdfTextString("\xF7\xBF\xBF\xBF"), "<FEFFFFFD>");
    // A malformed byte is its Latin-1 character.
    EXPECT_EQ(PdfTextString("\xE9"), "<FEFF00E9>");
}

TEST(PdfText, NumbersHaveAtMostThreeDecimalsAndNoExponent) {
    EXPECT_EQ(PdfNumber(0), "0");
    EXPECT_EQ(PdfNumber(12), "12");
    EXPECT_EQ(PdfNumber(0.5), "0.5");
    EXPECT_EQ(PdfNumber(-1.25), "-1.25");
    EXPECT_EQ(PdfNumber(1.23456), "1.235");
    EXPECT_EQ(PdfNumber(595.2755905), "595.276");
    EXPECT_EQ(PdfNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(PdfNumber(2.9999), "3");
    // No negative zero, also when a small negative value rounds to it.
    EXPECT_EQ(PdfNumber(-0.0), "0");
    EXPECT_EQ(PdfNumber(-0.0004), "0");
    EXPECT_EQ(PdfNumber(1e-7), "0");
    // Huge values are held at a billion; not-a-number and the infinities are 0.
    EXPECT_EQ(PdfNumber(1e20), "1000000000");
    EXPECT_EQ(PdfNumber(-1e300), "-1000000000");
    EXPECT_EQ(PdfNumber(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(PdfNumber(std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(PdfNumber(-std::numeric_limits<double>::infinity()), "0");

    // Any value in range reads back within half a thousandth, in PDF's number syntax.
    for (double v = -12345.678; v < 12345.678; v += 97.3137) {
        const std::string text = PdfNumber(v);
        SCOPED_TRACE(text);
        EXPECT_EQ(text.find_first_not_of("-0123456789."), std::string::npos);
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr), v, 0.0005 + 1e-9);
    }
}

} // namespace
} // namespace pixelon

// pixelon font: characters of an installed font drawn into glyphs.

#include <cstdio>
#include <filesystem>

#include "cli/Args.h"
#include "cli/CodeRange.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "cli/qt/GuiSession.h"
#include "cli/qt/QtCommands.h"
#include "core/Portfolio.h"
#include "fonts/FontGlyphs.h"
#include "platform/Feedback.h"

#ifdef PIXELON_HAVE_QTGUI
#include "fonts/qt/QtGlyphRenderer.h"
#endif

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon font FAMILY --size POINTS[.TENTHS] [--bold] [--italic]
                    [--range 20-FF | --single CODE] PORTFOLIO [-o OUT]

Draws characters of an installed font (any family fontconfig knows, see
fc-list) on a white surface, in black and without anti-aliasing, and adds each
as a picture whose ID is its character code, to the portfolio PORTFOLIO (a new
portfolio named "MyPortfolio" when the file does not exist); saves it, to OUT
when given. Codes are read in the Windows ANSI code page, one byte each.

Each picture is as high as the font's line and as wide as the character's
advance; an italic character other than the space is as wide as its ink
reaches, so a leaning hook is kept whole. Pictures already in the portfolio
with the same IDs stay beside the new ones. The resolution is the screen's
(96 dots per inch on the offscreen platform pixelon uses).

  --size P[.T]    the size in points, with an optional tenths digit
  --bold          the bold face
  --italic        the italic face
  --range F-L     the codes F to L (hexadecimal, inclusive; each reduced to its
                  low byte); default 20-FF
  --single CODE   one character (hexadecimal)
  -o OUT          the portfolio file to write instead of PORTFOLIO
)";

// "10" or "10.5" as tenths of a point.
int tenthsOf(const std::string& size) {
    const std::size_t dot = size.find('.');
    const int points = parseInteger(size.substr(0, dot), "--size");
    const int tenths = dot == std::string::npos ? 0 : TenthsDigit(size.substr(dot + 1));
    if (points < 1 || points > 999)
        throw UsageError("--size must be from 1 to 999 points");
    return points * 10 + tenths;
}

} // namespace

int runFontWithQt(std::span<const std::string> args) {
    Args parsed(args, {"--size", "--range", "--single", "-o"}, {"--bold", "--italic"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 2)
        throw UsageError("Expected a font family and a portfolio (see --help)");
    const int tenths = tenthsOf(parsed.required("--size"));
    CharacterSetChoice choice;
    if (auto codes = codeRangeOption(parsed)) {
        char first[8], last[8];
        std::snprintf(first, sizeof first, "%04X", unsigned(codes->first));
        std::snprintf(last, sizeof last, "%04X", unsigned(codes->second));
        choice.rangeFirst = first;
        choice.rangeLast = last;
    }
    const std::filesystem::path portfolioPath = parsed.positional()[1];
    const std::filesystem::path out = parsed.value("-o").value_or(portfolioPath.string());

#ifdef PIXELON_HAVE_QTGUI
    GuiSession session;
    SystemFont chosen;
    chosen.family = parsed.positional()[0];
    chosen.tenthsOfPoint = tenths;
    chosen.bold = parsed.flag("--bold");
    chosen.italic = parsed.flag("--italic");
    if (!SystemFontInstalled(chosen.family))
        throw UsageError("No installed font family \"" + chosen.family + "\" (see fc-list)");

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, portfolioPath, feedback, true))
        return 1;
    const auto renderer = MakeQtGlyphRenderer(chosen, ScreenDotsPerInch());
    const int added = InsertFontCharacters(portfolio, *renderer, choice.codes(), 0, feedback);
    if (added == 0) {
        std::fprintf(stderr, "pixelon font: the range holds no character, %s not written\n",
                     out.c_str());
        return 1;
    }
    if (!writePortfolio(portfolio, out, feedback))
        return 1;
    std::printf("%d characters of %s at %d.%d points added, %d pictures in %s\n", added,
                chosen.family.c_str(), tenths / 10, tenths % 10, portfolio.Count(), out.c_str());
    return 0;
#else
    (void)tenths;
    std::fprintf(stderr, "pixelon font: this pixelon was built without Qt's GUI module\n");
    return 1;
#endif
}

} // namespace pixelon::cli

// pixelon bdf: glyphs of a BDF font into a portfolio.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/Args.h"
#include "cli/CodeRange.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Ppm.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "fonts/BdfImport.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon bdf FONT.bdf PORTFOLIO [--range FIRST-LAST | --single CODE]
                   [--global-height] [-o OUT] [--quiet]

Imports glyphs of a BDF font (text form, versions up to 2.2) into the portfolio
PORTFOLIO (a new portfolio named "MyPortfolio" when the file does not exist)
and saves it, to OUT when given. Each glyph becomes a black-and-white picture
whose ID is its code, as wide and high as its bounding box (BBX).

A warning about the file (a later version, a format error, an early end, a
glyph without a valid code, a glyph count different from CHARS) is printed on
standard error; the glyphs read before it are imported all the same.

  --range FIRST-LAST  import the glyphs whose codes lie in this range
                      (hexadecimal, inclusive); default: every glyph
  --single CODE       import the glyph with this code (hexadecimal)
  --global-height     make every picture as high as the font's bounding box,
                      each glyph at its place below the font's top line
  -o OUT              the portfolio file to write instead of PORTFOLIO
  --quiet             no progress line on standard error (drawn only on a
                      terminal)
)";

} // namespace

int runBdf(std::span<const std::string> args) {
    Args parsed(args, {"--range", "--single", "-o"}, {"--global-height", "--quiet"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 2)
        throw UsageError("Expected a BDF file and a portfolio (see --help)");
    const std::filesystem::path fontPath = parsed.positional()[0];
    const std::filesystem::path portfolioPath = parsed.positional()[1];
    const std::filesystem::path out = parsed.value("-o").value_or(portfolioPath.string());
    const auto codes = codeRangeOption(parsed);

    // Tens of thousands of glyphs and pictures are small blocks: let the heap grow in large
    // steps instead of faulting in a page at a time.
    preferHeapReuse();
    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, portfolioPath, feedback, true))
        return 1;
    feedback.showProgress(!parsed.flag("--quiet"), fontPath.filename().string());
    CBDF font;
    if (std::string failure; !LoadBdfFont(font, fontPath, feedback, &failure)) {
        std::fprintf(stderr, "pixelon bdf: %s: %s: %s\n", printable(fontPath.string()).c_str(),
                     BdfOpenFailedText, printable(failure).c_str());
        return 1;
    }
    const BdfImportChoice proposal = ProposeBdfImport(font);
    if (parsed.flag("--global-height") && !proposal.globalHeightEnabled)
        throw UsageError("The font has no FONTBOUNDINGBOX: --global-height cannot be used");
    const auto [first, last] = codes.value_or(proposal.codes());
    const BdfImportResult result = ImportBdfGlyphs(
        font, portfolio, first, last, parsed.flag("--global-height"), feedback.progress());
    // Glyphs refused for their size are kept as empty places: a font of only those holds
    // nothing to import either, and its code range is empty.
    if (std::none_of(font.m_glyphs.begin(), font.m_glyphs.end(),
                     [](const auto& glyph) { return glyph != nullptr; })) {
        std::fprintf(stderr, "pixelon bdf: %s holds no glyphs, %s not written\n", fontPath.c_str(),
                     out.c_str());
        return 1;
    }
    if (result.added == 0 && !codes && first > last) {
        // Every glyph was refused or lacks a code: there is no range to name.
        std::fprintf(stderr, "pixelon bdf: %s holds no glyph with a valid code, %s not written\n",
                     printable(fontPath.string()).c_str(), out.c_str());
        return 1;
    }
    if (result.added == 0) {
        std::fprintf(stderr,
                     "pixelon bdf: no glyph with a code from %04X to %04X, %s not written\n",
                     unsigned(first), unsigned(last), out.c_str());
        return 1;
    }
    if (!writePortfolio(portfolio, out, feedback))
        return 1;
    std::printf("%d glyphs added, %d pictures in %s\n", result.added, portfolio.Count(),
                out.c_str());
    return 0;
}

} // namespace pixelon::cli

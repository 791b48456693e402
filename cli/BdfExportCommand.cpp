// pixelon bdf-export: a portfolio's glyphs as a BDF font.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "fonts/BdfWriter.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon bdf-export PORTFOLIO -o FONT.bdf [--name NAME]

Writes the pictures of a portfolio as a BDF 2.1 font. Each picture becomes the
glyph whose Unicode code is its ID: black pixels are ink, white (and
transparent) pixels paper. The portfolio's text metrics give the font's
metrics: every picture's top row sits on the ascent line, the ascent (or the
tallest picture's height when it is 0) and the height give FONT_ASCENT and
FONT_DESCENT, and the spacing is added to every glyph's advance width. Bold
and italic are named in the font's properties.

A picture with grey or colour pixels, a negative ID or an ID that another
picture has too cannot be a glyph: the font is then not written.

  -o FONT.bdf   the font file to write
  --name NAME   the font's family name (default: the portfolio's name)
)";

} // namespace

int runBdfExport(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--name"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio (see --help)");
    const std::string out = parsed.required("-o");

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, parsed.positional()[0], feedback))
        return 1;
    const std::string name = parsed.value("--name").value_or(portfolio.m_strName);
    if (!ExportBdfFont(portfolio, out, name, feedback))
        return 1;
    std::printf("%s written with %d glyphs\n", printable(out).c_str(), portfolio.Count());
    return 0;
}

} // namespace pixelon::cli

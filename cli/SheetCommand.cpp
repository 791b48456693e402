// pixelon sheet: every picture of a portfolio on one contact sheet, as GIF, BMP or PNG.

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "output/ContactSheet.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon sheet PORTFOLIO -o OUT.gif|OUT.bmp|OUT.png [--quiet]

Writes a contact sheet of every picture of the portfolio: seven framed cells to
a row, each cell as large as the largest picture (at least 32 x 32, at most
128 x 128, larger pictures are cut) with the picture's ID under it. The file
type follows the extension of OUT: a GIF with 2, 4 or 256 colours after the
deepest picture, an 8-bit BMP, or a PNG with the GIF's colours. A GIF sheet is
at most 65535 pixels tall (about 7,900 small pictures); BMP and PNG sheets may
be taller. Sheets of more than 268435456 pixels are refused in every format.

  -o OUT   the file to write (.gif, .bmp or .png)
  --quiet  no progress line on standard error (drawn only on a terminal)
)";

SheetFormat formatOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".gif")
        return SheetFormat::Gif;
    if (ext == ".bmp")
        return SheetFormat::Bmp;
    if (ext == ".png")
        return SheetFormat::Png;
    throw UsageError("-o must name a .gif, .bmp or .png file");
}

} // namespace

int runSheet(std::span<const std::string> args) {
    Args parsed(args, {"-o"}, {"--quiet"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const std::string out = parsed.required("-o");
    const SheetFormat format = formatOf(out);

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, parsed.positional()[0], feedback))
        return 1;
    feedback.showProgress(!parsed.flag("--quiet"), out);
    return ExportContactSheet(portfolio, out, format, feedback) ? 0 : 1;
}

} // namespace pixelon::cli

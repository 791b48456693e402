// pixelon thumbnail: a portfolio's first pictures as a small PNG, for file managers.

#include <cstdio>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "codecs/FileBytes.h"
#include "codecs/PngFile.h"
#include "core/Portfolio.h"
#include "output/Thumbnail.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon thumbnail PORTFOLIO OUT.png SIZE

Draws the portfolio's first pictures (at most 9) as a grid of square cells
into a PNG no larger than SIZE x SIZE pixels (SIZE 8 to 4096): as many columns
as the square root of their number, rounded up. Each picture is scaled to fit
its cell, by whole multiples when it is smaller; the background and an Icon's
transparent pixels are transparent. A portfolio without pictures writes
nothing and ends with status 1. The desktop's thumbnailer entry runs this
command.
)";

} // namespace

int runThumbnail(std::span<const std::string> args) {
    Args parsed(args, {});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 3)
        throw UsageError("Expected a portfolio, an output file and a size (see --help)");
    const std::string& sizeText = parsed.positional()[2];
    int size = 0;
    try {
        std::size_t used = 0;
        size = std::stoi(sizeText, &used);
        if (used != sizeText.size())
            size = 0;
    } catch (const std::exception&) {
        size = 0;
    }
    if (size < MinThumbnailSize || size > MaxThumbnailSize)
        throw UsageError("SIZE must be a number from " + std::to_string(MinThumbnailSize) + " to " +
                         std::to_string(MaxThumbnailSize));

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, parsed.positional()[0], feedback))
        return 1;
    const PngPicture thumbnail = RenderThumbnail(portfolio, size);
    if (thumbnail.colours.empty()) {
        std::fprintf(stderr, "pixelon thumbnail: %s holds no pictures\n",
                     printable(parsed.positional()[0]).c_str());
        return 1;
    }
    int error = 0;
    if (!WritePngFile(thumbnail, parsed.positional()[1], &error)) {
        std::fprintf(stderr, "%s\n", printable(SaveFailureText(error)).c_str());
        return 1;
    }
    return 0;
}

} // namespace pixelon::cli

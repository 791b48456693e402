// pixelon dump: one picture as the program draws it, as a PPM image.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/PictureArgument.h"
#include "cli/Ppm.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon dump FILE --id N -o OUT.ppm

Writes the picture with ID N (decimal, or hexadecimal with 0x) of the
portfolio FILE as binary PPM (P6): the picture painted onto a white surface of
its own size, as the program draws it. With several pictures of that ID the
first is taken.

  --id N     the picture's ID
  -o OUT     the PPM file to write
)";

} // namespace

int runDump(std::span<const std::string> args) {
    Args parsed(args, {"--id", "-o"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const int id = parsed.requiredInteger("--id");
    const std::string out = parsed.required("-o");
    CliFeedback feedback;
    CPortfolio folio;
    if (!readPortfolio(folio, parsed.positional()[0], feedback))
        return 1;
    const CPicture& picture = pictureById(folio, id, parsed.positional()[0]);
    if (picture.m_nWidth <= 0 || picture.m_nHeight <= 0) {
        std::fprintf(stderr, "%s: picture %05d is empty (%d x %d)\n",
                     printable(parsed.positional()[0]).c_str(), id, picture.m_nWidth,
                     picture.m_nHeight);
        return 1;
    }
    Surface surface = picture.MakeBitmap();
    picture.Draw(surface, 0, 0);
    writePpm(out, surface);
    return 0;
}

} // namespace pixelon::cli

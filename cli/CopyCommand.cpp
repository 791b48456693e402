// pixelon copy: read a portfolio and write it again.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon copy IN OUT

Reads the portfolio IN and writes it to OUT as the program saves it (lines
ending in CR LF, pictures sorted by ID, each at its smallest depth). OUT may
be IN. A failed write leaves any previous OUT as it was. Exit status 1 when
the read or the write fails; the reason goes to standard error.
)";

} // namespace

int runCopy(std::span<const std::string> args) {
    Args parsed(args, {});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 2)
        throw UsageError("Expected IN and OUT (see --help)");
    CliFeedback feedback;
    CPortfolio folio;
    if (!readPortfolio(folio, parsed.positional()[0], feedback))
        return 1;
    return writePortfolio(folio, parsed.positional()[1], feedback) ? 0 : 1;
}

} // namespace pixelon::cli

// pixelon import: picture files into a portfolio, in batch mode.

#include <cstdio>
#include <filesystem>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon import PORTFOLIO FILE... [-o OUT]

Imports GIF, JPEG, BMP and WBMP files into the portfolio PORTFOLIO (a new
portfolio named "MyPortfolio" when the file does not exist) and saves it, to
OUT when given. Each file becomes a picture with the next free ID after the
highest one; a GIF with several images becomes one picture per image and an
animation "New_Animation". Pictures are at most 1280 x 1024; larger images
give their top-left part. Colours are taken through the current palette map,
which reading a portfolio sets from its last picture's depth.

Files whose names carry none of the picture extensions, and files that cannot
be decoded, are skipped and make the exit status 1; the portfolio is saved
when at least one picture was added.

  -o OUT     the portfolio file to write instead of PORTFOLIO
)";

} // namespace

int runImport(std::span<const std::string> args) {
    Args parsed(args, {"-o"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() < 2)
        throw UsageError("Expected a portfolio and at least one picture file (see --help)");
    const std::filesystem::path portfolioPath = parsed.positional()[0];
    const std::filesystem::path out = parsed.value("-o").value_or(portfolioPath.string());

    ConsoleFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, portfolioPath, feedback, true))
        return 1;
    std::vector<std::filesystem::path> files(parsed.positional().begin() + 1,
                                             parsed.positional().end());
    const ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    for (const auto& skipped : report.skipped)
        std::fprintf(stderr, "pixelon import: %s: nothing imported\n", skipped.c_str());
    if (report.picturesAdded == 0) {
        std::fprintf(stderr, "pixelon import: nothing imported, %s not written\n", out.c_str());
        return 1;
    }
    if (!portfolio.WriteFile(out, feedback))
        return 1;
    std::printf("%d pictures and %d animations added, %d pictures in %s\n", report.picturesAdded,
                report.animationsAdded, portfolio.Count(), out.c_str());
    return report.skipped.empty() ? 0 : 1;
}

} // namespace pixelon::cli

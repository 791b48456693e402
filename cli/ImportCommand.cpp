// pixelon import: picture files into a portfolio, in batch mode.

#include <cstdio>
#include <filesystem>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon import PORTFOLIO FILE... [-o OUT] [--quiet]

Imports GIF, JPEG, PNG, BMP and WBMP files into the portfolio PORTFOLIO (a
new portfolio named "MyPortfolio" when the file does not exist) and saves it,
to OUT when given. Each file becomes a picture with the next free ID after the
highest one; a GIF with several images becomes one picture per image and an
animation "New_Animation". A PNG is known by its content, whatever its name;
its fully transparent pixels become the picture's mask (an Icon). Pictures are
at most 1280 x 1024; larger images give their top-left part. Colours are taken
through the current palette map, which reading a portfolio sets from its last
picture's depth.

Files whose names carry none of the picture extensions, and files that cannot
be decoded, are skipped and make the exit status 1; the portfolio is saved
when at least one picture was added.

  -o OUT     the portfolio file to write instead of PORTFOLIO
  --quiet    no progress line on standard error (drawn only on a terminal)
)";

// Failures are reported once, per file with its reason, from the import's report; other
// messages pass through.
class ImportFeedback : public Feedback {
public:
    explicit ImportFeedback(Feedback& inner) : m_inner(inner) {}
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override {
        if (icon == MessageIcon::Stop)
            return firstButton(buttons);
        return m_inner.message(text, icon, buttons);
    }
    ProgressWindow& progress() override { return m_inner.progress(); }

private:
    Feedback& m_inner;
};

} // namespace

int runImport(std::span<const std::string> args) {
    Args parsed(args, {"-o"}, {"--quiet"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() < 2)
        throw UsageError("Expected a portfolio and at least one picture file (see --help)");
    const std::filesystem::path portfolioPath = parsed.positional()[0];
    const std::filesystem::path out = parsed.value("-o").value_or(portfolioPath.string());

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, portfolioPath, feedback, true))
        return 1;
    feedback.showProgress(!parsed.flag("--quiet"));
    std::vector<std::filesystem::path> files(parsed.positional().begin() + 1,
                                             parsed.positional().end());
    ImportFeedback importFeedback(feedback);
    const ImportReport report = ImportPictureFiles(portfolio, files, importFeedback);
    for (std::size_t i = 0; i < report.skipped.size(); ++i) {
        const std::string reason =
            i < report.skipReasons.size() ? ": " + report.skipReasons[i] : std::string();
        std::fprintf(stderr, "pixelon import: %s: nothing imported%s\n",
                     printable(report.skipped[i].string()).c_str(), printable(reason).c_str());
    }
    if (report.picturesAdded == 0) {
        std::fprintf(stderr, "pixelon import: nothing imported, %s not written\n",
                     printable(out.string()).c_str());
        return 1;
    }
    if (!writePortfolio(portfolio, out, feedback))
        return 1;
    std::printf("%d pictures and %d animations added, %d pictures in %s\n", report.picturesAdded,
                report.animationsAdded, portfolio.Count(), printable(out.string()).c_str());
    return report.skipped.empty() ? 0 : 1;
}

} // namespace pixelon::cli

// pixelon merge: the pictures of another portfolio into this one.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "operations/Merge.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon merge PORTFOLIO OTHER [--keep ours|theirs|both] [-o OUT]
                     [--quiet]

Adds the pictures of the portfolio file OTHER to PORTFOLIO and sorts them by
ID. Animations of OTHER are not taken over; those of PORTFOLIO stay as they
are.

  --keep both    (default) every picture of OTHER is added, also where
                 PORTFOLIO has its ID already
  --keep ours    where both hold an ID, PORTFOLIO's picture stays and
                 OTHER's is left out
  --keep theirs  where both hold an ID, OTHER's picture replaces PORTFOLIO's
  -o OUT         the portfolio file to write instead of PORTFOLIO
  --quiet        no progress line on standard error (drawn only on a terminal)
)";

} // namespace

int runMerge(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--keep"}, {"--quiet"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    const auto& positional = parsed.positional();
    if (positional.size() != 2)
        throw UsageError("Expected PORTFOLIO and OTHER (see --help)");
    const std::string keepText = parsed.value("--keep").value_or("both");
    MergeKeep keep = MergeKeep::Both;
    if (keepText == "ours")
        keep = MergeKeep::Ours;
    else if (keepText == "theirs")
        keep = MergeKeep::Theirs;
    else if (keepText != "both")
        throw UsageError("--keep takes ours, theirs or both: " + keepText);

    CliFeedback feedback;
    CPortfolio portfolio, other;
    if (!readWorkPortfolio(portfolio, positional[0], feedback))
        return 1;
    if (!readPortfolio(other, positional[1], feedback)) {
        std::fprintf(stderr, "%s: %s\n", MergeReadFailedText, positional[1].c_str());
        return 1;
    }
    feedback.showProgress(!parsed.flag("--quiet"), positional[1]);
    const MergeChoice choice = AutomaticMergeChoice(portfolio, other, keep);
    ApplyMerge(portfolio, other, choice, feedback);
    if (!saveWorkPortfolio(portfolio, parsed, positional[0], feedback))
        return 1;
    std::printf("%zu pictures added, %zu removed, %d pictures now\n", choice.addedIds.size(),
                choice.removedIds.size(), portfolio.Count());
    return 0;
}

} // namespace pixelon::cli

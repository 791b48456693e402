// pixelon ids: renumber the picture IDs of a portfolio, or check them for duplicates.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "operations/DuplicateCheck.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon ids PORTFOLIO renumber [-o OUT]
       pixelon ids PORTFOLIO check

renumber  gives the pictures the IDs 1, 2, 3, ... in ID order; every
          animation frame follows its picture. Saves to OUT, else PORTFOLIO.
check     prints one warning per ID that more than one picture uses, in the
          window's words, tabs and line breaks included, and exits with 1 when
          there is any; otherwise prints the success report and exits with 0.

  -o OUT     the portfolio file to write instead of PORTFOLIO
)";

// The duplicate check's message boxes as plain text on standard output, one after another.
class PrintedMessages : public Feedback {
public:
    Answer message(std::string_view text, MessageIcon, MessageButtons buttons) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputs("\n\n", stdout);
        return firstButton(buttons);
    }
    ProgressWindow& progress() override { return m_progress; }

private:
    ProgressWindow m_progress;
};

} // namespace

int runIds(std::span<const std::string> args) {
    Args parsed(args, {"-o"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    const auto& positional = parsed.positional();
    if (positional.size() != 2 || (positional[1] != "renumber" && positional[1] != "check"))
        throw UsageError("Expected PORTFOLIO and renumber or check (see --help)");
    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, positional[0], feedback))
        return 1;
    if (positional[1] == "check") {
        if (parsed.value("-o"))
            throw UsageError("check writes nothing; -o does not apply");
        PrintedMessages printed;
        return CheckDuplicateIds(portfolio, CheckUnicodesName, printed, true) ? 0 : 1;
    }
    RenumberIds(portfolio, feedback);
    if (!saveWorkPortfolio(portfolio, parsed, positional[0], feedback))
        return 1;
    const int count = portfolio.Count();
    if (count == 0)
        std::printf("No pictures to renumber\n");
    else if (count == 1)
        std::printf("1 picture renumbered to 1\n");
    else
        std::printf("%d pictures renumbered 1..%d\n", count, count);
    return 0;
}

} // namespace pixelon::cli

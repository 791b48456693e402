// pixelon height: crop, enlarge or shift the height of pictures.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "operations/Heights.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon height PORTFOLIO crop TOP,BOTTOM,OVER [--ids LIST] [-o OUT]
       pixelon height PORTFOLIO enlarge TOP,BOTTOM,UNDER [--ids LIST] [-o OUT]
       pixelon height PORTFOLIO shift V [--ids LIST] [-o OUT]

crop      removes TOP rows above and BOTTOM rows below from every picture
          higher than OVER rows. TOP and BOTTOM 0..30, OVER 0..40. A picture
          that would keep no row is left as it is.
enlarge   adds TOP white rows above and BOTTOM below every picture lower than
          UNDER rows (at most 1024 rows result). TOP and BOTTOM 0..30, UNDER
          0..40.
shift     moves the content V rows down (up when V is negative), -30..30; the
          height stays and the freed rows are white.

Colours, grey levels and transparency of the rows that stay are kept.

  --ids LIST the pictures to change: decimal IDs and ranges, e.g. 1,5-9;
             without it every picture
  -o OUT     the portfolio file to write instead of PORTFOLIO
)";

// "a,b,c" with each value in its range.
std::vector<int> parseTriple(const std::string& text, const char* names[3], const int max[3]) {
    std::vector<int> values;
    std::size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = text.find(',', from);
        if ((i < 2) == (comma == std::string::npos))
            throw UsageError("Expected three values TOP,BOTTOM," + std::string(names[2]) + ": " +
                             text);
        const std::string part =
            text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const int v = parseInteger(part, names[i]);
        if (v < 0 || v > max[i])
            throw UsageError(std::string(names[i]) + " must be 0.." + std::to_string(max[i]) +
                             ": " + part);
        values.push_back(v);
        from = comma + 1;
    }
    return values;
}

} // namespace

int runHeight(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--ids"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    const auto& positional = parsed.positional();
    if (positional.size() != 3)
        throw UsageError("Expected PORTFOLIO, crop, enlarge or shift, and its values (see --help)");
    const std::string& what = positional[1];
    if (what != "crop" && what != "enlarge" && what != "shift")
        throw UsageError("Unknown height command " + what + " (see --help)");

    std::vector<int> values;
    if (what == "shift") {
        const int v = parseInteger(positional[2], "V");
        if (v < -30 || v > 30)
            throw UsageError("V must be -30..30: " + positional[2]);
        values.push_back(v);
    } else {
        const char* names[3] = {"TOP", "BOTTOM", what == "crop" ? "OVER" : "UNDER"};
        const int max[3] = {30, 30, 40};
        values = parseTriple(positional[2], names, max);
    }

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, positional[0], feedback))
        return 1;
    std::vector<int> indices;
    if (auto list = parsed.value("--ids")) {
        auto ranges = ParseIdList(*list);
        if (!ranges)
            throw UsageError("Not a list of IDs and ranges for --ids: " + *list);
        indices = IndicesInRanges(portfolio, *ranges);
        if (indices.empty()) {
            std::fprintf(stderr, "pixelon height: no picture has an ID in %s\n", list->c_str());
            return 1;
        }
    } else {
        for (int i = 0; i < portfolio.Count(); ++i)
            indices.push_back(i);
    }

    HeightReport report;
    if (what == "crop")
        report = CropHeights(portfolio, indices, values[0], values[1], values[2], feedback);
    else if (what == "enlarge")
        report = EnlargeHeights(portfolio, indices, values[0], values[1], values[2], feedback);
    else
        report = ShiftVertically(portfolio, indices, values[0], feedback);
    if (!saveWorkPortfolio(portfolio, parsed, positional[0], feedback))
        return 1;
    std::printf("%d pictures changed, %d left as they were\n", report.changed, report.unchanged);
    return 0;
}

} // namespace pixelon::cli

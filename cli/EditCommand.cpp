// pixelon edit: picture editor operations applied to one picture of a portfolio.

#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/PictureArgument.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "editing/EditOperations.h"
#include "editing/PictureEditor.h"
#include "phone/PhoneTypes.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon edit PORTFOLIO --id N OPERATION... [-o OUT]
                    [--dither] [--phone-type T]

Opens the picture editor on picture N (decimal ID) of PORTFOLIO, applies each
OPERATION in order as the editor's button would, ends with OK and saves the
portfolio (to OUT when given, else in place).

  --id N           the picture to edit
  -o OUT           write the portfolio to OUT instead of PORTFOLIO
  --dither         set "Dither while setting colors" for mono, grey and cube
  --phone-type T   the phone format type whose standard size crop uses
                   (0..14; 128 x 110 for type 3, else 101 x 80)

Operations:
)";

} // namespace

int runEdit(std::span<const std::string> args) {
    Args a(args, {"--id", "-o", "--phone-type"}, {"--dither"});
    if (a.help()) {
        std::fputs(help, stdout);
        std::fputs(editOperationsHelp().c_str(), stdout);
        return 0;
    }
    if (a.positional().empty())
        throw UsageError("a portfolio file is needed (see --help)");
    const std::string input = a.positional().front();
    const auto id = a.integer("--id");
    if (!id)
        throw UsageError("--id N is needed");
    if (a.positional().size() < 2)
        throw UsageError("no operation given (see --help)");
    int phoneWidth = 101, phoneHeight = 80;
    if (const auto type = a.integer("--phone-type")) {
        if (*type < 0 || *type > PhoneFormatTypeMaxSetting)
            throw UsageError("--phone-type lies in 0.." +
                             std::to_string(PhoneFormatTypeMaxSetting));
        if (phoneFormatInfo(*type).value == 3) {
            phoneWidth = 128;
            phoneHeight = 110;
        }
    }

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, input, feedback))
        return 1;
    CPicture* picture = &pictureById(portfolio, *id, input);
    PictureEditor editor(*picture, feedback, portfolio.m_nAscent);
    editor.dither = a.flag("--dither");
    editor.setPhoneSize(phoneWidth, phoneHeight);
    try {
        for (std::size_t i = 1; i < a.positional().size(); ++i)
            applyEditOperation(editor, a.positional()[i]);
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
    editor.accept(*picture);
    const std::string output = a.value("-o").value_or(input);
    return writePortfolio(portfolio, output, feedback) ? 0 : 1;
}

} // namespace pixelon::cli

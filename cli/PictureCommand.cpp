// pixelon picture: add, duplicate or delete a picture, or change its ID.

#include <cstdio>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/Report.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "editing/EditorSession.h"
#include "operations/Ids.h"
#include "operations/NewPicture.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon picture PORTFOLIO new ID WxH [-o OUT]
       pixelon picture PORTFOLIO duplicate ID NEW [-o OUT]
       pixelon picture PORTFOLIO delete ID... [-o OUT]
       pixelon picture PORTFOLIO set-id OLD NEW [-o OUT]

new        adds a white picture with ID (0..65535) of W x H pixels,
           W 1..1300 and H 1..1360, kept at that size. A missing PORTFOLIO is
           started as a new portfolio named "MyPortfolio".
duplicate  adds a copy of picture ID under the ID NEW.
delete     deletes the pictures with these IDs and every animation frame that
           shows one of them.
set-id     gives picture OLD the ID NEW; animation frames that showed OLD show
           NEW.

IDs are decimal, or hexadecimal after 0x. An ID that another picture uses
already is taken, with a warning: 'pixelon ids PORTFOLIO check' lists such
duplicates.

  -o OUT     the portfolio file to write instead of PORTFOLIO
)";

int indexOf(const CPortfolio& portfolio, int id) {
    const int at = IndexOfId(portfolio, id);
    if (at < 0)
        throw UsageError("No picture has the ID " + std::to_string(id));
    return at;
}

void warnIfUsed(const CPortfolio& portfolio, int id) {
    if (IndexOfId(portfolio, id) >= 0)
        std::fprintf(stderr, "pixelon picture: warning: the ID %d is used already\n", id);
}

// "WxH" with both parts decimal.
std::pair<int, int> parseSize(const std::string& text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        throw UsageError("Expected the size as WxH: " + text);
    return {parseInteger(text.substr(0, x), "W"), parseInteger(text.substr(x + 1), "H")};
}

} // namespace

int runPicture(std::span<const std::string> args) {
    Args parsed(args, {"-o"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    const auto& p = parsed.positional();
    if (p.size() < 2)
        throw UsageError("Expected PORTFOLIO and new, duplicate, delete or set-id (see --help)");
    const std::string& what = p[1];
    const std::size_t wanted = what == "new" || what == "duplicate" || what == "set-id" ? 4 : 0;
    if (what == "delete" ? p.size() < 3 : (wanted == 0 || p.size() != wanted))
        throw UsageError("Wrong arguments for picture " + what + " (see --help)");

    CliFeedback feedback;
    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, p[0], feedback, what == "new"))
        return 1;

    if (what == "new") {
        NewPictureModel model(portfolio, -1);
        const int id = parseIdArgument(p[2], "ID");
        const auto [width, height] = parseSize(p[3]);
        model.setIdText(IdText(id));
        model.setWidth(width);
        model.setHeight(height);
        if (auto error = model.validate())
            throw UsageError(*error);
        auto picture = model.create();
        if (!picture)
            throw UsageError("Cannot make a picture of " + p[3]);
        // White as colours, so the picture saves and reloads as white.
        greyIndicesToRgb565(*picture);
        for (auto& opaque : picture->m_mask)
            opaque = 1;
        warnIfUsed(portfolio, id);
        AddPicture(portfolio, std::move(picture));
    } else if (what == "duplicate") {
        const int at = indexOf(portfolio, parseIdArgument(p[2], "ID"));
        const int newId = parseIdArgument(p[3], "NEW");
        warnIfUsed(portfolio, newId);
        DuplicatePicture(portfolio, at, newId);
    } else if (what == "set-id") {
        const int at = indexOf(portfolio, parseIdArgument(p[2], "OLD"));
        const int newId = parseIdArgument(p[3], "NEW");
        if (newId != portfolio.Picture(at).m_nId)
            warnIfUsed(portfolio, newId);
        ChangePictureId(portfolio, at, newId);
    } else {
        std::vector<int> indices;
        for (std::size_t i = 2; i < p.size(); ++i)
            indices.push_back(indexOf(portfolio, parseIdArgument(p[i], "ID")));
        DeletePictures(portfolio, indices);
    }
    if (!saveWorkPortfolio(portfolio, parsed, p[0], feedback))
        return 1;
    std::printf("%d pictures in the portfolio\n", portfolio.Count());
    return 0;
}

} // namespace pixelon::cli

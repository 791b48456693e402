#include "cli/PictureArgument.h"

#include <cctype>
#include <cstdio>

#include "cli/Args.h"

namespace pixelon::cli {

CPicture& pictureById(CPortfolio& portfolio, int id, const std::string& path) {
    if (CPicture* picture = portfolio.FindPicture(id))
        return *picture;
    char text[64];
    std::snprintf(text, sizeof text, "No picture with ID %d (0x%04X) in ", id,
                  unsigned(id) & 0xFFFF);
    throw UsageError(text + path);
}

ApplicationType applicationArgument(const std::optional<std::string>& text) {
    if (!text)
        return ApplicationType::Kinetto;
    std::string lower = *text;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    const char* words[] = {"kinetto", "background", "ems"};
    for (int i = 0; i < ApplicationTypeCount; ++i) {
        const auto app = *applicationTypeFromInt(i);
        std::string shortName(applicationShortName(app));
        for (char& c : shortName)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (lower == std::to_string(i) || lower == shortName || lower == words[i])
            return app;
    }
    throw UsageError(
        "--app-type must be 0, 1, 2, Kto, BaP, EMS, kinetto, background or ems, not '" + *text +
        "'");
}

PreviewSize sizeArgument(const std::string& option, const std::string& text) {
    int width = 0, height = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) != 3 ||
        (x != 'x' && x != 'X') || width < 1 || height < 1 || width > 65535 || height > 65535)
        throw UsageError(option + " must be WxH with both sides from 1 to 65535, not '" + text +
                         "'");
    return {width, height};
}

} // namespace pixelon::cli

#include "cli/PictureArgument.h"

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

} // namespace pixelon::cli

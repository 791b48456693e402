// pixelon picture: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runPicture(std::span<const std::string>) {
    return notBuilt("picture");
}

} // namespace pixelon::cli

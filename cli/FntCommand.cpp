// pixelon fnt: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runFnt(std::span<const std::string>) {
    return notBuilt("fnt");
}

} // namespace pixelon::cli

// pixelon anim: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runAnim(std::span<const std::string>) {
    return notBuilt("anim");
}

} // namespace pixelon::cli

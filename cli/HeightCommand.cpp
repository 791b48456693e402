// pixelon height: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runHeight(std::span<const std::string>) {
    return notBuilt("height");
}

} // namespace pixelon::cli

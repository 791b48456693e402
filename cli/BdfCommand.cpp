// pixelon bdf: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runBdf(std::span<const std::string>) {
    return notBuilt("bdf");
}

} // namespace pixelon::cli

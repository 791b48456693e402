// pixelon ids: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runIds(std::span<const std::string>) {
    return notBuilt("ids");
}

} // namespace pixelon::cli

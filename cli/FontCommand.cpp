// pixelon font: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runFont(std::span<const std::string>) {
    return notBuilt("font");
}

} // namespace pixelon::cli

// pixelon print: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runPrint(std::span<const std::string>) {
    return notBuilt("print");
}

} // namespace pixelon::cli

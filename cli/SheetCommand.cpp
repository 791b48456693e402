// pixelon sheet: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runSheet(std::span<const std::string>) {
    return notBuilt("sheet");
}

} // namespace pixelon::cli

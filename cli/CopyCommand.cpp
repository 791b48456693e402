#include "cli/Commands.h"

namespace pixelon::cli {

int runCopy(std::span<const std::string>) { return notBuilt("copy"); }

} // namespace pixelon::cli

#include "cli/Commands.h"

namespace pixelon::cli {

int runDump(std::span<const std::string>) { return notBuilt("dump"); }

} // namespace pixelon::cli

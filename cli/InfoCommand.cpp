#include "cli/Commands.h"

namespace pixelon::cli {

int runInfo(std::span<const std::string>) { return notBuilt("info"); }

} // namespace pixelon::cli

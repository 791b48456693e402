#include "cli/Commands.h"

namespace pixelon::cli {

int runCsource(std::span<const std::string>) { return notBuilt("csource"); }

} // namespace pixelon::cli

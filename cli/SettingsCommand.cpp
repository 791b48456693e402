#include "cli/Commands.h"

namespace pixelon::cli {

int runSettings(std::span<const std::string>) { return notBuilt("settings"); }

} // namespace pixelon::cli

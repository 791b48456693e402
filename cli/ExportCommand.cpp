#include "cli/Commands.h"

namespace pixelon::cli {

int runExport(std::span<const std::string>) { return notBuilt("export"); }

} // namespace pixelon::cli

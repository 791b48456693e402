#include "cli/Commands.h"

namespace pixelon::cli {

int runImport(std::span<const std::string>) { return notBuilt("import"); }

} // namespace pixelon::cli

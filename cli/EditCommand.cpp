#include "cli/Commands.h"

namespace pixelon::cli {

int runEdit(std::span<const std::string>) { return notBuilt("edit"); }

} // namespace pixelon::cli

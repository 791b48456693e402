#include "cli/Commands.h"

namespace pixelon::cli {

int runPhone(std::span<const std::string>) { return notBuilt("phone"); }

} // namespace pixelon::cli

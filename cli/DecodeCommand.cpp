#include "cli/Commands.h"

namespace pixelon::cli {

int runDecode(std::span<const std::string>) { return notBuilt("decode"); }

} // namespace pixelon::cli

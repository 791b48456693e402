#include "cli/Commands.h"

namespace pixelon::cli {

int runEncode(std::span<const std::string>) { return notBuilt("encode"); }

} // namespace pixelon::cli

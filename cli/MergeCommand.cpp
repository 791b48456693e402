// pixelon merge: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runMerge(std::span<const std::string>) {
    return notBuilt("merge");
}

} // namespace pixelon::cli

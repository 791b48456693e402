// pixelon obex: not built yet.

#include "cli/Commands.h"

namespace pixelon::cli {

int runObex(std::span<const std::string>) {
    return notBuilt("obex");
}

} // namespace pixelon::cli

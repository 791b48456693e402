#include "platform/Version.h"

#include <cstdio>

#ifndef PIXELON_VERSION
#define PIXELON_VERSION "0.0"
#endif

namespace pixelon {

const char* ProgramVersion() {
    return PIXELON_VERSION;
}

void PrintVersion(const char* program) {
    std::printf("%s %s\n", program, PIXELON_VERSION);
}

} // namespace pixelon

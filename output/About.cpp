#include "output/About.h"

#ifndef PIXELON_VERSION
#define PIXELON_VERSION "0.0"
#endif
#ifndef PIXELON_BUILD_ID
#define PIXELON_BUILD_ID "local"
#endif

namespace pixelon {

AboutInfo ProgramAbout() {
    return {"Vistrel", PIXELON_VERSION, std::string(PIXELON_BUILD_ID) + " (" __DATE__ ")"};
}

std::string AboutText(const AboutInfo& info) {
    return info.name + "\nVersion " + info.version + "\nBuild " + info.build;
}

} // namespace pixelon

#include "output/About.h"

#include "platform/Version.h"

#ifndef PIXELON_BUILD_ID
#define PIXELON_BUILD_ID "local"
#endif

namespace pixelon {

AboutInfo ProgramAbout() {
    return {"Vistrel", ProgramVersion(), std::string(PIXELON_BUILD_ID) + " (" __DATE__ ")"};
}

std::string AboutText(const AboutInfo& info) {
    return info.name + "\nVersion " + info.version + "\nBuild " + info.build;
}

} // namespace pixelon

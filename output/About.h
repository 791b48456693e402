#pragma once

#include <string>

namespace pixelon {

// What the About box shows.
struct AboutInfo {
    std::string name;
    std::string version;
    std::string build;
};

AboutInfo ProgramAbout();
// The lines of the About box: the name, "Version x.y", "Build ...".
std::string AboutText(const AboutInfo& info);

} // namespace pixelon

// pixelon settings: the settings record as the program loads it.

#include <cstdio>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "core/AppSettings.h"
#include "platform/Registry.h"

namespace pixelon::cli {
namespace {

constexpr const char* help = R"(Usage: pixelon settings [--screen WIDTHxHEIGHT]

Loads the settings record from the user hive and prints every value as
Name=value, one a line, in the order the program saves them. A value that is
missing or out of range shows its default, as the program would use it.

  --screen WxH   the screen size that bounds the window and Communications Log
                 positions (default 1920x1080)

Numbers and booleans print in decimal; CustomColor0..15 as 0x and six
hexadecimal digits of the stored 0x00BBGGRR value (0xFFFFFF is white);
ImageRatio as printf "%5.3f" formats it (1.000); UserPaletteFile as stored,
with line breaks and tabs written \n, \r and \t. ApplicationType is never
saved and is not printed.

The user hive is $PIXELON_REGISTRY_DIR/user.reg when that is set, else
$XDG_CONFIG_HOME/pixelon/user.reg (default ~/.config/pixelon/user.reg).
)";

ScreenSize parseScreen(const std::string& text) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos)
        throw UsageError("--screen wants WIDTHxHEIGHT, e.g. 1280x1024");
    const int w = parseInteger(text.substr(0, x), "--screen width");
    const int h = parseInteger(text.substr(x + 1), "--screen height");
    if (w <= 0 || h <= 0)
        throw UsageError("--screen sizes must be positive");
    return {w, h};
}

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

int runSettings(std::span<const std::string> args) {
    const Args a(args, {"--screen"});
    if (a.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (!a.positional().empty())
        throw UsageError("takes no file arguments (see --help)");
    const ScreenSize screen = parseScreen(a.value("--screen").value_or("1920x1080"));

    CAppSettings settings;
    settings.load(Registry::instance(), screen);
    for (const auto& [name, value] : settings.describe())
        std::printf("%s=%s\n", name.c_str(), printable(value).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace pixelon::cli

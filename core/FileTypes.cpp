#include "core/FileTypes.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <unistd.h>

#include "core/AtomicFile.h"
#include "core/EString.h"
#include "platform/Process.h"

namespace pixelon {
namespace {

// How long a desktop cache tool may run before the program stops waiting for it.
constexpr std::chrono::milliseconds kToolTimeout{10000};

std::string classKey(std::string_view sub) {
    std::string key(kClassesKey);
    key += '\\';
    key += sub;
    return key;
}

std::string xmlEscaped(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// An Exec argument as the desktop entry format wants it: quoted when it holds a reserved
// character, '%' doubled so it is not a field code, and then escaped as any string value.
std::string execArgument(std::string_view arg) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    if (arg.find_first_of(reserved) != std::string_view::npos) {
        quoted += '"';
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    } else {
        quoted = arg;
    }
    std::string out;
    for (char c : quoted) {
        switch (c) {
        case '%':
            out += "%%";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::string> readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Install { Unchanged, Written, Failed };

Install installFile(const std::filesystem::path& path, std::string_view content) {
    if (readWhole(path) == content)
        return Install::Unchanged;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    try {
        AtomicFile::writeAll(path, content);
    } catch (const EString&) {
        return Install::Failed;
    }
    return Install::Written;
}

// Runs a desktop cache tool when it is installed; its absence or failure does not matter.
void runTool(const char* tool, const std::filesystem::path& folder) {
    SpawnOptions options;
    options.searchPath = true;
    SpawnResult started = spawnProcess(tool, {folder.string()}, options);
    if (!started.started())
        return;
    CProcess process(started.pid);
    if (!process.wait(kToolTimeout))
        process.release(); // still busy: leave it to finish on its own
}

} // namespace

void writeFileTypeKeys(HiveData& machine, std::string_view exe, std::string_view typeName) {
    const std::string exeText(exe);
    machine.setValue(classKey(".pfo"), "", std::string(kPortfolioClass));
    machine.setValue(classKey(kPortfolioClass), "", std::string(typeName));
    machine.setValue(classKey("r_auto_file\\DefaultIcon"), "", exeText + ",0");
    machine.createKey(classKey("r_auto_file\\shell"));
    machine.createKey(classKey("r_auto_file\\shell\\open"));
    machine.setValue(classKey("r_auto_file\\shell\\open\\command"), "", exeText + " \"%1\"");
}

std::string mimePackage(std::string_view typeName) {
    // Both extensions carry the same content. Other programs claim *.r too, so the file's
    // first lines decide when the name alone cannot.
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"";
    xml += kPortfolioMimeType;
    xml += "\">\n    <comment>";
    xml += xmlEscaped(typeName);
    xml += "</comment>\n"
           "    <sub-class-of type=\"text/plain\"/>\n"
           "    <icon name=\"";
    xml += kIconName;
    xml += "\"/>\n"
           "    <magic priority=\"60\">\n"
           "      <match type=\"string\" offset=\"0:16\" value=\"IMAGE PORTFOLIO FILE\"/>\n"
           "    </magic>\n"
           "    <glob pattern=\"*.pfo\"/>\n"
           "    <glob pattern=\"*.r\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
    return xml;
}

std::string desktopEntry(const std::filesystem::path& exe) {
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Version=1.4\n"
                        "Name=Vistrel\n"
                        "GenericName=Phone Picture Editor\n"
                        "Comment=Edit pictures, glyphs and animations for mobile phones\n"
                        "Exec=";
    entry += execArgument(exe.string());
    entry += " %f\n"
             "Icon=";
    entry += kIconName;
    entry += "\n"
             "Terminal=false\n"
             "Categories=Graphics;2DGraphics;RasterGraphics;\n"
             "Keywords=phone;pixel;picture;glyph;font;wallpaper;animation;\n"
             "MimeType=";
    entry += kPortfolioMimeType;
    entry += ";\n";
    return entry;
}

std::string_view iconSvg() {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <rect x="12" y="2" width="24" height="44" rx="4" fill="#2e3440"/>
  <rect x="15" y="7" width="18" height="24" fill="#d8dee9"/>
  <g fill="#2e3440">
    <rect x="18" y="10" width="3" height="3"/><rect x="27" y="10" width="3" height="3"/>
    <rect x="21" y="16" width="6" height="3"/><rect x="18" y="22" width="3" height="3"/>
    <rect x="21" y="25" width="6" height="3"/><rect x="27" y="22" width="3" height="3"/>
  </g>
  <circle cx="24" cy="39" r="3" fill="#d8dee9"/>
</svg>
)";
}

std::filesystem::path desktopDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return xdg;
    std::filesystem::path home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    else
        home = ".";
    return home / ".local" / "share";
}

std::filesystem::path currentExecutable() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

std::vector<std::filesystem::path> systemDataDirs() {
    std::vector<std::filesystem::path> dirs;
    const char* env = std::getenv("XDG_DATA_DIRS");
    std::string_view list = env && *env ? env : "/usr/local/share/:/usr/share/";
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view dir = list.substr(0, colon);
        if (!dir.empty() && dir.front() == '/')
            dirs.emplace_back(dir);
        list.remove_prefix(colon == std::string_view::npos ? list.size() : colon + 1);
    }
    return dirs;
}

bool installedForSystem() {
    for (const std::filesystem::path& dir : systemDataDirs()) {
        std::error_code ec;
        if (std::filesystem::exists(dir / "applications" / kDesktopEntryName, ec) &&
            std::filesystem::exists(dir / "mime" / "packages" / kMimePackageName, ec))
            return true;
    }
    return false;
}

FileTypeRegistration registerFileTypes(Registry& registry, const std::filesystem::path& exe,
                                       std::string_view typeName,
                                       const std::filesystem::path& dataHome, bool runUpdateTools) {
    FileTypeRegistration result;
    result.registryWritten = registry.update(Hive::LocalMachine, [&](HiveData& machine) {
        writeFileTypeKeys(machine, exe.string(), typeName);
    });

    if (installedForSystem()) {
        // The package manager (or `cmake --install`) put the same files where every user's
        // desktop finds them; per-user copies would only shadow them.
        result.desktopWritten = true;
        result.installedForSystem = true;
        return result;
    }
    const Install mime =
        installFile(dataHome / "mime" / "packages" / kMimePackageName, mimePackage(typeName));
    const Install desktop =
        installFile(dataHome / "applications" / kDesktopEntryName, desktopEntry(exe));
    const Install icon = installFile(dataHome / "icons" / "hicolor" / "scalable" / "apps" /
                                         (std::string(kIconName) + ".svg"),
                                     iconSvg());
    result.desktopWritten =
        mime != Install::Failed && desktop != Install::Failed && icon != Install::Failed;
    if (runUpdateTools && mime == Install::Written)
        runTool("update-mime-database", dataHome / "mime");
    if (runUpdateTools && desktop == Install::Written)
        runTool("update-desktop-database", dataHome / "applications");
    return result;
}

std::string_view restoreFileAssociations(Registry& registry, const std::filesystem::path& exe,
                                         const std::filesystem::path& dataHome) {
    registerFileTypes(registry, exe, kRestoredTypeName, dataHome);
    return kRestoreReport;
}

void loadSettingsAndRegisterFileTypes(CAppSettings& settings, Registry& registry, ScreenSize screen,
                                      const std::filesystem::path& exe,
                                      const std::filesystem::path& dataHome) {
    settings.load(registry, screen);
    registerFileTypes(registry, exe, kPortfolioTypeName, dataHome);
}

} // namespace pixelon

#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppSettings.h"
#include "platform/Registry.h"

namespace pixelon {

// The command that writes the file associations again on request; it has no menu item.
inline constexpr int kRestoreFileAssociationsCommand = 32834;
inline constexpr std::string_view kPortfolioTypeName = "Vistrel Portfolio File";
inline constexpr std::string_view kRestoredTypeName = "Kinetto Portfolio File";
// Shown with the information icon after the restore command.
inline constexpr std::string_view kRestoreReport =
    "File associations restored.\n\nDouble-clicking on .PFO files from\nExplorer should now work";

inline constexpr std::string_view kClassesKey = "SOFTWARE\\Classes";
inline constexpr std::string_view kPortfolioClass = "r_auto_file";
inline constexpr std::string_view kPortfolioMimeType = "application/x-vistrel-portfolio";
inline constexpr std::string_view kMimePackageName = "pixelon-mime.xml";
inline constexpr std::string_view kDesktopEntryName = "vistrel.desktop";
inline constexpr std::string_view kIconName = "vistrel";

// The class keys of the portfolio type in the machine hive: the extension, the type with its
// name, icon and open command for `exe`.
void writeFileTypeKeys(HiveData& machine, std::string_view exe, std::string_view typeName);

// The desktop's counterparts of those keys: a shared-mime-info package for .pfo and .r, an
// application entry that opens them with `exe`, and the program's icon.
std::string mimePackage(std::string_view typeName);
std::string desktopEntry(const std::filesystem::path& exe);
std::string_view iconSvg();

// The folder the desktop files go under: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path desktopDataHome();
// The running program's full path.
std::filesystem::path currentExecutable();

// The system's data folders, from $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
std::vector<std::filesystem::path> systemDataDirs();
// True when a system data folder holds both the desktop entry and the MIME package, as an
// installed package puts them.
bool installedForSystem();

struct FileTypeRegistration {
    bool registryWritten = false; // false for a user who may not write the machine hive
    bool desktopWritten = false;
    bool installedForSystem = false; // the desktop files were left to the system's copies
};

// Writes the class keys and installs the desktop files under `dataHome`, unless the system
// has them installed already. Files whose content is
// already right are left alone; after a change the desktop's cache tools run when installed.
// Nothing here is ever reported to the user: the program works without the associations.
FileTypeRegistration registerFileTypes(Registry& registry, const std::filesystem::path& exe,
                                       std::string_view typeName,
                                       const std::filesystem::path& dataHome,
                                       bool runUpdateTools = true);

// The restore command: registers under the restored type name and returns kRestoreReport.
std::string_view restoreFileAssociations(Registry& registry, const std::filesystem::path& exe,
                                         const std::filesystem::path& dataHome);

// What the main view does when first shown: load the record, then register the file types.
void loadSettingsAndRegisterFileTypes(CAppSettings& settings, Registry& registry, ScreenSize screen,
                                      const std::filesystem::path& exe,
                                      const std::filesystem::path& dataHome);

} // namespace pixelon

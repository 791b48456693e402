#include <gtest/gtest.h>

#include "core/FileTypes.h"

#include "tests/support/PeerTools.h"
#include "tests/support/TempDir.h"
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace pixelon;
namespace fs = std::filesystem;

namespace {

using pixelon::test::TempDir;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const fs::path kExe = "/opt/vistrel/bin/vistrel";

} // namespace

TEST(FileTypes, WritesTheClassKeysOfThePortfolioType) {
    HiveData machine;
    machine.setValue("Software\\Norvane\\Verrin", "Refcount", std::uint32_t{1});
    writeFileTypeKeys(machine, kExe.string(), kPortfolioTypeName);
    EXPECT_EQ(
        machine.toRegText("HKEY_LOCAL_MACHINE"),
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.pfo]\r\n@=\"r_auto_file\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\r_auto_file]\r\n"
        "@=\"Vistrel Portfolio File\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\r_auto_file\\DefaultIcon]\r\n"
        "@=\"/opt/vistrel/bin/vistrel,0\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\r_auto_file\\shell]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\r_auto_file\\shell\\open]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\r_auto_file\\shell\\open\\command]\r\n"
        "@=\"/opt/vistrel/bin/vistrel \\\"%1\\\"\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Norvane]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Verrin]\r\n\"Refcount\"=dword:00000001\r\n\r\n")
        << "the existing spelling \"Software\" is kept for the shared parent key";
}

TEST(FileTypes, TheDesktopEntryQuotesAnAwkwardProgramPath) {
    EXPECT_NE(desktopEntry(kExe).find("\nExec=/opt/vistrel/bin/vistrel %f\n"), std::string::npos);
    EXPECT_NE(desktopEntry("/home/a b/100%/$x\\\"v")
                  .find("\nExec=\"/home/a b/100%%/\\\\$x\\\\\\\\\\\\\"v\" %f\n"),
              std::string::npos);
    EXPECT_NE(mimePackage("A & <B>").find("<comment>A &amp; &lt;B&gt;</comment>"),
              std::string::npos);
}

TEST(FileTypes, TheShippedDataFilesMatchWhatIsInstalled) {
    const char* source = std::getenv("PIXELON_SOURCE_DIR");
    if (!source)
        GTEST_SKIP() << "PIXELON_SOURCE_DIR is not set";
    const fs::path data = fs::path(source) / "data";
    EXPECT_EQ(readText(data / "pixelon-mime.xml"), mimePackage(kPortfolioTypeName));
    EXPECT_EQ(readText(data / "vistrel.svg"), iconSvg());
    std::string entry = desktopEntry("/X");
    entry.replace(entry.find("Exec=/X"), 7, "Exec=vistrel");
    EXPECT_EQ(readText(data / "vistrel.desktop"), entry);
}

TEST(FileTypes, RegistersInBothHivesAndTheDesktopFolders) {
    TempDir dir;
    Registry reg(dir.path / "reg" / "user.reg", dir.path / "reg" / "machine.reg");
    const fs::path data = dir.path / "share";
    const auto result = registerFileTypes(reg, kExe, kPortfolioTypeName, data, false);
    EXPECT_TRUE(result.registryWritten);
    EXPECT_TRUE(result.desktopWritten);
    EXPECT_EQ(reg.readString(Hive::LocalMachine, "SOFTWARE\\Classes\\.pfo", ""), "r_auto_file");
    EXPECT_EQ(reg.readString(Hive::LocalMachine,
                             "software\\classes\\R_AUTO_FILE\\shell\\open\\command", ""),
              "/opt/vistrel/bin/vistrel \"%1\"");
    EXPECT_TRUE(reg.keyExists(Hive::LocalMachine, "SOFTWARE\\Classes\\r_auto_file\\shell\\open"));
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "SOFTWARE\\Classes"));

    const fs::path mime = data / "mime" / "packages" / "pixelon-mime.xml";
    const fs::path entry = data / "applications" / "vistrel.desktop";
    EXPECT_EQ(readText(mime), mimePackage(kPortfolioTypeName));
    EXPECT_EQ(readText(entry), desktopEntry(kExe));
    EXPECT_TRUE(fs::exists(data / "icons" / "hicolor" / "scalable" / "apps" / "vistrel.svg"));

    // Registering again with the same program leaves the files as they are.
    const auto before = fs::last_write_time(entry);
    fs::last_write_time(entry, before - std::chrono::hours(1));
    registerFileTypes(reg, kExe, kPortfolioTypeName, data, false);
    EXPECT_EQ(fs::last_write_time(entry), before - std::chrono::hours(1));
    registerFileTypes(reg, "/elsewhere/vistrel", kPortfolioTypeName, data, false);
    EXPECT_NE(readText(entry).find("Exec=/elsewhere/vistrel %f"), std::string::npos);
}

TEST(FileTypes, AMachineHiveTheUserCannotWriteStillInstallsTheDesktopFiles) {
    TempDir dir;
    std::ofstream(dir.path / "file") << "x";
    Registry reg(dir.path / "user.reg", dir.path / "file" / "machine.reg");
    const auto result = registerFileTypes(reg, kExe, kPortfolioTypeName, dir.path / "share", false);
    EXPECT_FALSE(result.registryWritten);
    EXPECT_TRUE(result.desktopWritten);
    EXPECT_TRUE(fs::exists(dir.path / "share" / "applications" / "vistrel.desktop"));
}

TEST(FileTypes, AnInstallForTheWholeSystemIsNotCopiedIntoTheUsersFolders) {
    TempDir dir;
    const fs::path system = dir.path / "usr" / "share";
    const std::string previous = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
    const bool hadPrevious = std::getenv("XDG_DATA_DIRS") != nullptr;
    setenv("XDG_DATA_DIRS", ("relative/ignored::" + system.string() + "/").c_str(), 1);
    Registry reg(dir.path / "reg" / "user.reg", dir.path / "reg" / "machine.reg");
    const fs::path data = dir.path / "home";

    // Only the entry is there: the system install is incomplete, so the user's copies are made.
    fs::create_directories(system / "applications");
    std::ofstream(system / "applications" / "vistrel.desktop") << "[Desktop Entry]\n";
    EXPECT_FALSE(installedForSystem());
    EXPECT_FALSE(registerFileTypes(reg, kExe, kPortfolioTypeName, data, false).installedForSystem);
    EXPECT_TRUE(fs::exists(data / "applications" / "vistrel.desktop"));

    fs::create_directories(system / "mime" / "packages");
    std::ofstream(system / "mime" / "packages" / "pixelon-mime.xml") << "<mime-info/>\n";
    EXPECT_TRUE(installedForSystem());
    fs::remove_all(data);
    const auto result = registerFileTypes(reg, kExe, kPortfolioTypeName, data, false);
    EXPECT_TRUE(result.installedForSystem);
    EXPECT_TRUE(result.desktopWritten);
    EXPECT_TRUE(result.registryWritten); // the class keys are still the program's own
    EXPECT_FALSE(fs::exists(data));

    if (hadPrevious)
        setenv("XDG_DATA_DIRS", previous.c_str(), 1);
    else
        unsetenv("XDG_DATA_DIRS");
}

TEST(FileTypes, RestoreUsesTheOtherTypeNameAndReportsIt) {
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    EXPECT_EQ(restoreFileAssociations(reg, kExe, dir.path / "share"),
              "File associations restored.\n\nDouble-clicking on .PFO files from\nExplorer "
              "should now work");
    EXPECT_EQ(reg.readString(Hive::LocalMachine, "SOFTWARE\\Classes\\r_auto_file", ""),
              "Kinetto Portfolio File");
    EXPECT_NE(readText(dir.path / "share" / "mime" / "packages" / "pixelon-mime.xml")
                  .find("<comment>Kinetto Portfolio File</comment>"),
              std::string::npos);

    // The next start writes the usual name again, and loads the settings first.
    ASSERT_TRUE(reg.writeDword(Hive::CurrentUser, kSettingsKey, "ComPort", 3));
    CAppSettings settings;
    loadSettingsAndRegisterFileTypes(settings, reg, {800, 600}, kExe, dir.path / "share");
    EXPECT_EQ(settings.m_nComPort, 3);
    EXPECT_EQ(reg.readString(Hive::LocalMachine, "SOFTWARE\\Classes\\r_auto_file", ""),
              "Vistrel Portfolio File");
}

TEST(FileTypes, RunsTheMimeCacheToolWhenItIsInstalled) {
    if (std::system("command -v update-mime-database >/dev/null 2>&1") != 0)
        PIXELON_SKIP_WITHOUT_PEER("update-mime-database");
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    registerFileTypes(reg, kExe, kPortfolioTypeName, dir.path / "share", true);
    EXPECT_NE(readText(dir.path / "share" / "mime" / "globs2")
                  .find("application/x-vistrel-portfolio:*.pfo"),
              std::string::npos);
}

TEST(FileTypes, FindsTheDesktopFolderAndTheProgram) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
    EXPECT_EQ(desktopDataHome(), fs::path("/tmp/xdg-data"));
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(desktopDataHome().filename(), "share") << "a relative value is ignored";
    saved ? ::setenv("XDG_DATA_HOME", saved->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(currentExecutable().is_absolute());
}

#include <gtest/gtest.h>

#include "core/AppSettings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace pixelon;
namespace fs = std::filesystem;

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
};

// Runs `pixelon settings ARGS` against the hive folder `dir`, capturing standard output.
CommandRun settingsCommand(const fs::path& dir, const std::string& args) {
    CommandRun run;
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    const fs::path exe = bin ? fs::path(bin) / "cli" / "pixelon" : fs::path();
    if (exe.empty() || !fs::exists(exe))
        return run;
    const std::string command = "PIXELON_REGISTRY_DIR='" + dir.string() + "' timeout 20 '" +
                                exe.string() + "' settings " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        run.out.append(buf, n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

TEST(SettingsCommand, PrintsTheLoadedRecordInSaveOrder) {
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    if (!bin || !fs::exists(fs::path(bin) / "cli" / "pixelon"))
        GTEST_SKIP() << "the pixelon program is not built";
    std::string templ = (fs::temp_directory_path() / "pixelon-cli-XXXXXX").string();
    const fs::path dir = ::mkdtemp(templ.data());

    Registry reg(dir / "user.reg", dir / "machine.reg");
    CAppSettings s;
    s.m_nComPort = 2;
    s.m_fImageRatio = 0.25f;
    s.m_nMainWinX = 1500;
    s.m_crCustomColors[3] = 0x123456;
    s.m_strUserPaletteFile = "/p/two\nlines.p";
    ASSERT_TRUE(s.save(reg));

    const CommandRun run = settingsCommand(dir, "--screen 1600x1200");
    EXPECT_EQ(run.status, 0);
    std::string expected;
    for (const auto& name : CAppSettings::valueNames()) {
        std::string value = name == "ComPort"            ? "2"
                            : name == "ImageRatio"       ? "0.250"
                            : name == "MainWinX"         ? "1500"
                            : name == "UserPaletteFile"  ? "/p/two\\nlines.p"
                            : name == "CustomColor3"     ? "0x123456"
                            : name.starts_with("Custom") ? "0xFFFFFF"
                                                         : "0";
        expected += name + "=" + value + "\n";
    }
    EXPECT_EQ(run.out, expected);

    EXPECT_NE(settingsCommand(dir, "--screen 1000x1000").out.find("\nMainWinX=0\n"),
              std::string::npos);
    EXPECT_EQ(settingsCommand(dir, "--screen wide").status, 1);
    EXPECT_EQ(settingsCommand(dir, "extra").status, 1);
    fs::remove_all(dir);
}

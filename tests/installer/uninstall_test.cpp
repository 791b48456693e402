// Reference count, uninstall, path and process queries of the real libverrin.so.

#include "InstallerTestSupport.h"
#include "platform/Registry.h"

#include <cstring>

namespace pixelon::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKey = "Software\\Norvane\\Verrin";

class UninstallTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir / "tmp"); }

    void count(std::uint32_t n) {
        ASSERT_TRUE(registry.writeDword(Hive::LocalMachine, kKey, "Refcount", n));
    }
    std::optional<std::uint32_t> storedCount() const {
        return registry.readDword(Hive::LocalMachine, kKey, "Refcount");
    }
    void text(const char* name, const std::string& value) {
        ASSERT_TRUE(registry.writeString(Hive::LocalMachine, kKey, name, value));
    }

    // The component as the uninstall finds it: its folder with the helper, an uninstaller that
    // records each log it is given, and the two logs.
    void installedComponent() {
        writeScript(dir / "comp" / "RezeRazovu.exe",
                    "echo ran >> \"" + (dir / "helper.ran").string() + "\"\n");
        writeScript(dir / "comp" / "unwise.exe",
                    "echo \"$@\" >> \"" + (dir / "uninstalled").string() + "\"\n");
        writeFile(dir / "comp" / "install.log", "log");
        writeFile(dir / "comp" / "ts.log", "log");
        text("Path", (dir / "comp").string());
        text("UninstallExe", (dir / "comp" / "unwise.exe").string());
        text("UninstallLog", (dir / "comp" / "install.log").string());
        text("UninstallTSLog", (dir / "comp" / "ts.log").string());
    }

    TempFolder dir;
    ScopedEnv m_registry{"PIXELON_REGISTRY_DIR", (dir / "reg").string()};
    ScopedEnv m_tmp{"TMPDIR", (dir / "tmp").string()};
    ScopedEnv m_runtime{"XDG_RUNTIME_DIR", (dir / "run").string()};
    ScopedEnv m_limit{"VERRIN_WAIT_LIMIT", "2"};
    Registry registry = Registry::fromEnvironment();
    const Verrin& verrin = Verrin::get();
};

TEST_F(UninstallTest, MissingKeyIsACountOfZeroThatNeverGoesNegative) {
    EXPECT_EQ(verrin.getRefCounter(), 0u);
    EXPECT_EQ(verrin.uninstall(0), 0);
    EXPECT_EQ(verrin.getRefCounter(), 0u);
    count(0);
    EXPECT_EQ(verrin.uninstall(0), 0);
    EXPECT_EQ(storedCount(), 0u);
}

TEST_F(UninstallTest, OtherUsersKeepTheComponentAndLoseOneReference) {
    installedComponent();
    count(3);
    EXPECT_EQ(verrin.getRefCounter(), 3u);
    EXPECT_EQ(verrin.uninstall(1), 0);
    EXPECT_EQ(storedCount(), 2u);
    EXPECT_EQ(verrin.uninstall(0), 0);
    EXPECT_EQ(storedCount(), 1u);
    EXPECT_FALSE(fs::exists(dir / "uninstalled"));
    EXPECT_FALSE(fs::exists(dir / "helper.ran"));
}

TEST_F(UninstallTest, LastUserRunsBothUninstallersAndRemovesTheirLogsAndTheHelperCopy) {
    installedComponent();
    count(1);
    EXPECT_EQ(verrin.uninstall(0), 1);
    EXPECT_EQ(readFile(dir / "uninstalled"), (dir / "comp" / "ts.log").string() + "\n" +
                                                 (dir / "comp" / "install.log").string() + "\n");
    EXPECT_FALSE(fs::exists(dir / "comp" / "install.log"));
    EXPECT_FALSE(fs::exists(dir / "comp" / "ts.log"));
    EXPECT_FALSE(fs::exists(dir / "tmp" / "RezeRazovu.exe"));
    EXPECT_TRUE(fs::exists(dir / "comp" / "RezeRazovu.exe"));
    EXPECT_FALSE(fs::exists(dir / "helper.ran"));
}

TEST_F(UninstallTest, KillHelperFlagStartsTheCopiedHelperFirst) {
    installedComponent();
    count(1);
    EXPECT_EQ(verrin.uninstall(1), 1);
    EXPECT_TRUE(eventually([&] { return fs::exists(dir / "helper.ran"); }, 2s));
}

TEST_F(UninstallTest, LinkPlantedWhereTheHelperIsCopiedIsNotWrittenThrough) {
    installedComponent();
    count(1);
    writeFile(dir / "victim", "keep");
    fs::create_symlink(dir / "victim", dir / "tmp" / "RezeRazovu.exe");
    EXPECT_EQ(verrin.uninstall(1), 1);
    EXPECT_EQ(readFile(dir / "victim"), "keep");
    EXPECT_TRUE(eventually([&] { return fs::exists(dir / "helper.ran"); }, 2s));
}

TEST_F(UninstallTest, NothingRunsWithoutAnUninstallerOrLog) {
    installedComponent();
    count(1);
    ASSERT_TRUE(registry.deleteValue(Hive::LocalMachine, kKey, "UninstallLog"));
    ASSERT_TRUE(registry.deleteValue(Hive::LocalMachine, kKey, "UninstallTSLog"));
    EXPECT_EQ(verrin.uninstall(0), 0);

    text("UninstallLog", (dir / "comp" / "install.log").string());
    ASSERT_TRUE(registry.deleteValue(Hive::LocalMachine, kKey, "UninstallExe"));
    EXPECT_EQ(verrin.uninstall(0), 0);
    EXPECT_FALSE(fs::exists(dir / "uninstalled"));
    EXPECT_EQ(storedCount(), 1u);
}

TEST_F(UninstallTest, VerrinPathNeedsThreeCharactersAndRoomForTheTerminator) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(verrin.getVerrinPath(buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');

    text("Path", "/opt/verrin");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(verrin.getVerrinPath(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "/opt/verrin");

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(verrin.getVerrinPath(buffer, 11), 0); // 11 characters need 12 bytes
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');
    EXPECT_EQ(verrin.getVerrinPath(buffer, 12), 1);
    EXPECT_EQ(verrin.getVerrinPath(nullptr, 12), 0);
    buffer[0] = '#';
    EXPECT_EQ(verrin.getVerrinPath(buffer, 0), 0);
    EXPECT_EQ(buffer[0], '#');

    text("Path", "/o");
    EXPECT_EQ(verrin.getVerrinPath(buffer, sizeof buffer), 0);
}

TEST_F(UninstallTest, QlxWorkerIsSeenWhileItRuns) {
    EXPECT_EQ(verrin.isQlxActive(), 0);
    const fs::path worker = dir / "qlxworker";
    fs::copy_file("/bin/sleep", worker);
    const SpawnResult r = spawnProcess(worker, {"10"});
    ASSERT_TRUE(r.started());
    CProcess process(r.pid);
    EXPECT_TRUE(eventually([&] { return verrin.isQlxActive() == 1; }, 2s));
    process.kill(SIGKILL);
    ASSERT_TRUE(process.wait(2s));
    EXPECT_EQ(verrin.isQlxActive(), 0);
}

TEST_F(UninstallTest, FilesScheduledForDeletionGoWhenTheLibraryIsNextLoaded) {
    writeFile(dir / "leftover.exe", "x");
    ASSERT_TRUE(scheduleDeletion(dir / "leftover.exe"));
    ASSERT_TRUE(fs::exists(dir / "reg" / "pending-deletions"));
    EXPECT_EQ(runShell("\"" + (binaryDir() / "installer" / "verrin-cli").string() +
                       "\" refcount > /dev/null"),
              0);
    EXPECT_FALSE(fs::exists(dir / "leftover.exe"));
    EXPECT_FALSE(fs::exists(dir / "reg" / "pending-deletions"));
}

} // namespace
} // namespace pixelon::testing

// Install and InstallWise of the real libverrin.so, with small shell scripts standing in for the
// setup programs.

#include "InstallerTestSupport.h"
#include "platform/Registry.h"

#include <cstddef>
#include <cstring>

namespace pixelon::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKey = "Software\\Norvane\\Verrin";

// A long-form parameter block with its texts after the structure.
struct Block {
    VERRINPARAMS p{};
    std::uint32_t restart = 0xEEEEEEEE;
    char install[512] = {};
    char ts[512] = {};
};

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "tmp");
        fs::create_directories(dir / "work");
        m_oldCwd = fs::current_path();
        fs::current_path(dir / "work");
    }
    void TearDown() override {
        fs::current_path(m_oldCwd);
        if (fs::exists(tmp() / "pid")) {
            ::kill(std::stoi(readFile(tmp() / "pid")), SIGKILL);
        }
    }

    fs::path tmp() const { return dir / "tmp"; }
    fs::path marker(std::string_view setup, std::string_view state) const {
        return tmp() / ("szFile_" + std::string(setup) + "_EXE_" + std::string(state) + ".000");
    }

    // A setup program in `folder` that records its arguments and then runs `then`.
    void fakeSetup(const fs::path& folder, std::string_view name, std::string_view setup,
                   const std::string& then) {
        writeScript(folder / name, "echo \"$@\" >> \"$TMPDIR/" + std::string(name) +
                                       ".args\"\ntouch \"$TMPDIR/szFile_" + std::string(setup) +
                                       "_EXE_RUNNING.000\"\n" + then + "\n");
    }
    std::string completes(std::string_view setup) const {
        return "touch \"$TMPDIR/szFile_" + std::string(setup) + "_EXE_READY.000\"";
    }
    std::string aborts(std::string_view setup) const {
        return "touch \"$TMPDIR/szFile_" + std::string(setup) + "_EXE_ABORTED.000\"";
    }
    std::string args(std::string_view program) const {
        return readFile(tmp() / (std::string(program) + ".args"));
    }

    Block block(std::uint32_t size = VERRINPARAMS_SIZE_LONG) const {
        Block b;
        b.p.sizeOfStruct = size;
        b.p.LanguageId = 1033;
        b.p.bNeedRestart = offsetof(Block, restart);
        b.p.szInstallPath = offsetof(Block, install);
        std::strcpy(b.install, (dir / "inst").c_str());
        return b;
    }

    TempFolder dir;
    ScopedEnv m_registry{"PIXELON_REGISTRY_DIR", (dir / "reg").string()};
    ScopedEnv m_tmp{"TMPDIR", (dir / "tmp").string()};
    ScopedEnv m_runtime{"XDG_RUNTIME_DIR", (dir / "run").string()};
    ScopedEnv m_limit{"VERRIN_WAIT_LIMIT", "2"};
    const Verrin& verrin = Verrin::get();

private:
    fs::path m_oldCwd;
};

TEST_F(InstallTest, CompletedInstallPassesTheParameterStringAndClearsTheRestartFlag) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    Block b = block();
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(args("verrin.exe"), "/S $0$ Addref=TRUE $1$ LanguageID=1033 $2$ InstallPath=" +
                                      (dir / "inst").string() + "\n");
    EXPECT_EQ(b.restart, 0u);

    b.p.bIsUpgrade = 1;
    b.p.LanguageId = 1031;
    fs::remove(tmp() / "verrin.exe.args");
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(args("verrin.exe"), "/S $0$ Addref=FALSE $1$ LanguageID=1031 $2$ InstallPath=" +
                                      (dir / "inst").string() + "\n");
}

TEST_F(InstallTest, AbortedOrMissingSetupFails) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", aborts("VERRINSETUP"));
    Block b = block();
    EXPECT_EQ(verrin.install(&b.p), 0);

    // A setup that is there but cannot run is a failure too.
    fs::permissions(dir / "inst" / "verrin.exe", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(verrin.install(&b.p), 0);

    fs::remove(dir / "inst" / "verrin.exe");
    EXPECT_EQ(verrin.install(&b.p), 0);

    b.p.szInstallPath = 0;
    EXPECT_EQ(verrin.install(&b.p), 0);
}

TEST_F(InstallTest, StaleMarkersOfAnEarlierRunAreIgnored) {
    writeFile(marker("VERRINSETUP", "READY"), "");
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", "sleep 0.2\n" + aborts("VERRINSETUP"));
    Block b = block();
    EXPECT_EQ(verrin.install(&b.p), 0);
}

TEST_F(InstallTest, SetupThatNeverEndsFailsAtTheWaitLimit) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP",
              "echo $$ > \"$TMPDIR/pid\"\nexec sleep 30");
    Block b = block();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(verrin.install(&b.p), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 5s);
}

TEST_F(InstallTest, ReadyMarkerEndsTheWaitWhileTheSetupRunsOn) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP",
              completes("VERRINSETUP") + "\necho $$ > \"$TMPDIR/pid\"\nexec sleep 30");
    Block b = block();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1900ms);
}

TEST_F(InstallTest, UnsupportedSizeRunsNothing) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    for (std::uint32_t size : {0u, 4u, 40u, 48u}) {
        Block b = block(size);
        EXPECT_EQ(verrin.install(&b.p), 0) << size;
        EXPECT_EQ(b.restart, 0xEEEEEEEEu) << size;
    }
    EXPECT_FALSE(fs::exists(tmp() / "verrin.exe.args"));
    EXPECT_EQ(verrin.install(nullptr), 0);
}

TEST_F(InstallTest, ShortFormReadsOnlyItsNineFields) {
    // In the 36-byte form the bytes where szTSPath and bInstallTS would be belong to the caller.
    struct ShortBlock {
        std::uint32_t fields[9];
        std::uint32_t restart;
        std::uint32_t notInstallTs;
        char install[512];
    } b{};
    b.fields[0] = VERRINPARAMS_SIZE_SHORT;
    b.fields[6] = offsetof(ShortBlock, restart);
    b.fields[7] = 1033;
    b.fields[8] = offsetof(ShortBlock, install);
    b.restart = 0xEEEEEEEE;
    b.notInstallTs = 1;
    std::strcpy(b.install, (dir / "inst").c_str());
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    fakeSetup(dir / "inst", "ts.exe", "TSSETUP", completes("TSSETUP"));

    EXPECT_EQ(verrin.install(reinterpret_cast<const VERRINPARAMS*>(&b)), 1);
    EXPECT_EQ(b.restart, 0u);
    EXPECT_TRUE(fs::exists(tmp() / "verrin.exe.args"));
    EXPECT_FALSE(fs::exists(tmp() / "ts.exe.args"));
}

TEST_F(InstallTest, SecondSetupRunsFromItsFolderWithItsOwnMarkers) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    fakeSetup(dir / "tsdir", "ts.exe", "TSSETUP", completes("TSSETUP"));
    Block b = block();
    b.p.bInstallTS = 1;
    b.p.szTSPath = offsetof(Block, ts);
    std::strcpy(b.ts, (dir / "tsdir").c_str());
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(args("ts.exe"), args("verrin.exe"));
    EXPECT_TRUE(fs::exists(marker("TSSETUP", "READY")));

    // The second setup's failure is the result.
    fakeSetup(dir / "tsdir", "ts.exe", "TSSETUP", aborts("TSSETUP"));
    EXPECT_EQ(verrin.install(&b.p), 0);

    // A missing folder for it is a failure, not a run.
    b.p.szTSPath = 0;
    fs::remove(tmp() / "ts.exe.args");
    EXPECT_EQ(verrin.install(&b.p), 0);
    EXPECT_FALSE(fs::exists(tmp() / "ts.exe.args"));
}

TEST_F(InstallTest, SecondSetupIsSkippedWhenTheMainOneAborts) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", aborts("VERRINSETUP"));
    fakeSetup(dir / "tsdir", "ts.exe", "TSSETUP", completes("TSSETUP"));
    Block b = block();
    b.p.bInstallTS = 1;
    b.p.szTSPath = offsetof(Block, ts);
    std::strcpy(b.ts, (dir / "tsdir").c_str());
    EXPECT_EQ(verrin.install(&b.p), 0);
    EXPECT_FALSE(fs::exists(tmp() / "ts.exe.args"));
}

TEST_F(InstallTest, RestartIsRequestedByTheRebootFileOrValueAndBothAreConsumed) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP",
              "touch reboot\n" + completes("VERRINSETUP"));
    Block b = block();
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(b.restart, 1u);
    EXPECT_FALSE(fs::exists(dir / "work" / "reboot"));

    Registry registry = Registry::fromEnvironment();
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    ASSERT_TRUE(registry.writeDword(Hive::LocalMachine, kKey, "Reboot", 1));
    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(b.restart, 1u);
    EXPECT_FALSE(registry.readDword(Hive::LocalMachine, kKey, "Reboot"));

    EXPECT_EQ(verrin.install(&b.p), 1);
    EXPECT_EQ(b.restart, 0u);
}

// InstallWise builds the long form from installer variables named "%NAME%".
class InstallWiseTest : public InstallTest {
protected:
    int call(std::vector<std::pair<std::string, std::string>> vars) {
        std::vector<DLLCALLVARIABLE> table;
        for (auto& [name, value] : vars) {
            table.push_back({name.c_str(), value.c_str()});
        }
        DLLCALLPARAMS params{};
        params.hWnd = 0x1234;
        params.nVariables = static_cast<std::uint32_t>(table.size());
        params.pVariables = table.data();
        return verrin.installWise(&params);
    }
};

TEST_F(InstallWiseTest, VariablesBecomeTheInstallParameters) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    fakeSetup(dir / "tsdir", "ts.exe", "TSSETUP", completes("TSSETUP"));
    EXPECT_EQ(call({{"%INSTALLPATH%", (dir / "inst").string()},
                    {"%ISUPGRADE%", "TRUE"},
                    {"%LANGUAGEID%", "0x407"},
                    {"%TSPATH%", (dir / "tsdir").string()},
                    {"%INSTALLTS%", "TRUE"}}),
              1);
    EXPECT_EQ(args("verrin.exe"), "/S $0$ Addref=FALSE $1$ LanguageID=1031 $2$ InstallPath=" +
                                      (dir / "inst").string() + "\n");
    EXPECT_EQ(args("ts.exe"), args("verrin.exe"));
}

TEST_F(InstallWiseTest, MissingOrZeroLanguageFallsBackTo1033) {
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    for (const char* language : {"", "0", "German"}) {
        fs::remove(tmp() / "verrin.exe.args");
        EXPECT_EQ(call({{"%INSTALLPATH%", (dir / "inst").string()}, {"%LANGUAGEID%", language}}),
                  1);
        EXPECT_EQ(args("verrin.exe"), "/S $0$ Addref=TRUE $1$ LanguageID=1033 $2$ InstallPath=" +
                                          (dir / "inst").string() + "\n")
            << language;
    }
}

TEST_F(InstallWiseTest, ReturnsOneEvenWhenTheInstallFailsAndSurvivesBadBlocks) {
    EXPECT_EQ(verrin.installWise(nullptr), 1);
    EXPECT_EQ(call({}), 1);
    // Names without percent signs are not the variables; "TRUE" only counts in that case.
    fakeSetup(dir / "inst", "verrin.exe", "VERRINSETUP", completes("VERRINSETUP"));
    EXPECT_EQ(call({{"INSTALLPATH", (dir / "inst").string()}}), 1);
    EXPECT_FALSE(fs::exists(tmp() / "verrin.exe.args"));
    // A value far longer than any path is cut, never overrun.
    EXPECT_EQ(call({{"%INSTALLPATH%", std::string(20000, 'x')}, {"%VISIBLE%", "true"}}), 1);

    DLLCALLVARIABLE holes[] = {{nullptr, "x"}, {"%INSTALLPATH%", nullptr}};
    DLLCALLPARAMS params{};
    params.nVariables = 2;
    params.pVariables = holes;
    EXPECT_EQ(verrin.installWise(&params), 1);
}

} // namespace
} // namespace pixelon::testing

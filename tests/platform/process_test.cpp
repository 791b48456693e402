#include "platform/Process.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace pixelon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProcessFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "process-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text;
    }
    fs::path dir;
};

TEST(CommandLineTest, BlanksSeparateAndQuotesGroup) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine("/S $0$ Addref=TRUE $1$ LanguageID=1033"),
              (V{"/S", "$0$", "Addref=TRUE", "$1$", "LanguageID=1033"}));
    EXPECT_EQ(splitCommandLine("  a\t\tb  "), (V{"a", "b"}));
    EXPECT_EQ(splitCommandLine("InstallPath=\"/opt/my dir\" x"),
              (V{"InstallPath=/opt/my dir", "x"}));
    EXPECT_EQ(splitCommandLine("\"\" say\\\"hi"), (V{"", "say\"hi"}));
    EXPECT_EQ(splitCommandLine("\"unclosed quote"), (V{"unclosed quote"}));
    EXPECT_TRUE(splitCommandLine("").empty());
    EXPECT_EQ(splitCommandLine("end\\"), (V{"end\\"}));
}

TEST_F(ProcessFolder, SpawnPassesArgumentsDirectoryAndEnvironment) {
    const SpawnResult r = spawnProcess(
        "/bin/sh", {"-c", "pwd > out; echo \"$1|$PROCESS_TEST\" >> out; exit 3", "sh", "two words"},
        SpawnOptions{dir, false, {"PROCESS_TEST=set"}});
    ASSERT_TRUE(r.started());
    CProcess p(r.pid);
    const auto exit = p.wait(5s);
    ASSERT_TRUE(exit);
    EXPECT_FALSE(exit->success());
    EXPECT_EQ(exit->code, 3);
    EXPECT_EQ(read(dir / "out"), fs::canonical(dir).string() + "\ntwo words|set\n");
    EXPECT_FALSE(p.running());
}

TEST_F(ProcessFolder, WaitTimesOutOnARunningChildAndSeesItsSignal) {
    const SpawnResult r = spawnProcess("/bin/sleep", {"10"});
    ASSERT_TRUE(r.started());
    CProcess p(r.pid);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(p.wait(50ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(p.running());
    EXPECT_TRUE(p.kill(SIGTERM));
    const auto exit = p.wait(5s);
    ASSERT_TRUE(exit);
    EXPECT_TRUE(exit->signalled);
    EXPECT_EQ(exit->code, SIGTERM);
}

TEST_F(ProcessFolder, MissingProgramsReportTheirError) {
    EXPECT_EQ(spawnProcess(dir / "missing", {}).error, ENOENT);
    EXPECT_FALSE(spawnProcess("no-such-program-here", {}, SpawnOptions{{}, true, {}}).started());
    EXPECT_EQ(shellExecute(dir / "missing.exe", "/S").error, ENOENT);
}

TEST_F(ProcessFolder, ShellExecuteSplitsTheParameterString) {
    write(dir / "setup.exe",
          "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > \"$(dirname \"$0\")/args\"\n");
    fs::permissions(dir / "setup.exe", fs::perms::owner_all);
    const SpawnResult r = shellExecute(dir / "setup.exe", "/S Addref=TRUE \"Install Path=/a b\"");
    ASSERT_TRUE(r.started());
    CProcess p(r.pid);
    ASSERT_TRUE(p.wait(5s));
    EXPECT_EQ(read(dir / "args"), "[/S]\n[Addref=TRUE]\n[Install Path=/a b]\n");
}

TEST_F(ProcessFolder, ProcessListReadsExecutableOrShortName) {
    fs::create_directories(dir / "proc" / "12");
    fs::create_directories(dir / "proc" / "34");
    fs::create_directories(dir / "proc" / "self");
    fs::create_directories(dir / "proc" / "99999999999999");
    write(dir / "proc" / "12" / "comm", "qlxworker\n");
    fs::create_symlink("/opt/x/Worker.exe (deleted)", dir / "proc" / "34" / "exe");
    auto list = listProcesses(dir / "proc");
    std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.pid < b.pid; });
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].pid, 12);
    EXPECT_EQ(list[0].name, "qlxworker");
    EXPECT_EQ(list[1].name, "Worker.exe");

    const auto real = listProcesses();
    const auto self =
        std::find_if(real.begin(), real.end(), [](auto& p) { return p.pid == ::getpid(); });
    ASSERT_NE(self, real.end());
    EXPECT_EQ(self->name, fs::read_symlink("/proc/self/exe").filename().string());
    EXPECT_TRUE(listProcesses(dir / "absent").empty());
}

TEST_F(ProcessFolder, PendingDeletionsKeepWhatStillCannotBeDeleted) {
    const fs::path list = dir / "state" / "pending";
    write(dir / "a", "a");
    fs::create_directories(dir / "busy");
    write(dir / "busy" / "inside", "x"); // a folder that is not empty cannot be deleted
    EXPECT_TRUE(scheduleDeletion(dir / "a", list));
    EXPECT_TRUE(scheduleDeletion(dir / "a", list));
    EXPECT_TRUE(scheduleDeletion(dir / "busy", list));
    EXPECT_TRUE(scheduleDeletion(dir / "gone", list));
    EXPECT_FALSE(scheduleDeletion(dir / "new\nline", list));
    EXPECT_EQ(read(list), (dir / "a").string() + "\n" + (dir / "busy").string() + "\n" +
                              (dir / "gone").string() + "\n");

    EXPECT_EQ(processPendingDeletions(list), 1);
    EXPECT_FALSE(fs::exists(dir / "a"));
    EXPECT_EQ(read(list), (dir / "busy").string() + "\n");

    fs::remove(dir / "busy" / "inside");
    EXPECT_EQ(processPendingDeletions(list), 1);
    EXPECT_FALSE(fs::exists(dir / "busy"));
    EXPECT_FALSE(fs::exists(list));
    EXPECT_EQ(processPendingDeletions(list), 0);
}

TEST(PendingListTest, LocationFollowsTheEnvironment) {
    const char* oldList = std::getenv("PIXELON_PENDING_LIST");
    const char* oldDir = std::getenv("PIXELON_REGISTRY_DIR");
    const std::string savedList = oldList ? oldList : "", savedDir = oldDir ? oldDir : "";
    ::setenv("PIXELON_REGISTRY_DIR", "/r", 1);
    ::unsetenv("PIXELON_PENDING_LIST");
    EXPECT_EQ(pendingDeletionList(), fs::path("/r/pending-deletions"));
    ::setenv("PIXELON_PENDING_LIST", "/l/list", 1);
    EXPECT_EQ(pendingDeletionList(), fs::path("/l/list"));
    oldList ? ::setenv("PIXELON_PENDING_LIST", savedList.c_str(), 1)
            : ::unsetenv("PIXELON_PENDING_LIST");
    oldDir ? ::setenv("PIXELON_REGISTRY_DIR", savedDir.c_str(), 1)
           : ::unsetenv("PIXELON_REGISTRY_DIR");
}

} // namespace
} // namespace pixelon

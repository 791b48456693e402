// The debug output channel: line format, settings, filtering, and the viewer zevovo receiving
// the lines of a real process.

#include "InstallerTestSupport.h"
#include "installer/DebugChannel.h"
#include "platform/Registry.h"

#include <cstring>
#include <regex>
#include <sys/socket.h>
#include <sys/un.h>

namespace pixelon::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSettings = "SOFTWARE\\Norvane\\ZevOvo";
constexpr const char* kLevelKey = "SOFTWARE\\Norvane\\ZevOvo\\VerrinDLL";

TEST(DebugLineTest, PrefixLineEndAndLimit) {
    EXPECT_EQ(formatDebugLine("VerrinDLL", 1, 0x2a, "Refcount 3"),
              "0x002a VerrinDLL (1) :Refcount 3\r\n");
    EXPECT_EQ(formatDebugLine("VerrinDLL", 0, 0x12345, "x\n"), "0x12345 VerrinDLL (0) :x\n");
    EXPECT_EQ(formatDebugLine("VerrinDLL", kRawLine, 7, " banner "), " banner \r\n");

    // The line end still fits when the text fills the whole 8 KB buffer.
    const std::string raw = formatDebugLine("P", kRawLine, 1, std::string(20000, 'a'));
    EXPECT_EQ(raw.size(), kMaxDebugText - 1);
    EXPECT_TRUE(raw.ends_with("a\r\n"));
}

class DebugSettingsTest : public ::testing::Test {
protected:
    TempFolder dir;
    Registry registry{dir / "user.reg", dir / "machine.reg"};
    bool set(const char* key, const char* name, const char* value) {
        return registry.writeString(Hive::LocalMachine, key, name, value);
    }
};

TEST_F(DebugSettingsTest, DefaultsWhenNothingIsStored) {
    const DebugSettings s = readDebugSettings(registry, "VerrinDLL");
    EXPECT_FALSE(s.enabled);
    EXPECT_FALSE(s.visible);
    EXPECT_EQ(s.viewerPath, "ZevOvo.exe");
    EXPECT_EQ(s.level, 0);
}

TEST_F(DebugSettingsTest, DecimalStringsAndOnlyZeroOrOneForTheSwitches) {
    ASSERT_TRUE(set(kSettings, "Enabled", "1"));
    ASSERT_TRUE(set(kSettings, "Visible", "2"));
    ASSERT_TRUE(set(kSettings, "Path", "/usr/bin/zevovo"));
    ASSERT_TRUE(set(kLevelKey, "Level", "2"));
    DebugSettings s = readDebugSettings(registry, "VerrinDLL");
    EXPECT_TRUE(s.enabled);
    EXPECT_FALSE(s.visible);
    EXPECT_EQ(s.viewerPath, "/usr/bin/zevovo");
    EXPECT_EQ(s.level, 2);
    EXPECT_EQ(readDebugSettings(registry, "OtherDLL").level, 0);

    ASSERT_TRUE(set(kSettings, "Enabled", "yes"));
    ASSERT_TRUE(registry.writeDword(Hive::LocalMachine, kSettings, "Visible", 1));
    s = readDebugSettings(registry, "verrindll");
    EXPECT_FALSE(s.enabled);
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.level, 2); // key names compare without case
}

// A socket standing in for the viewer, bound in the test's folder.
class FakeViewer {
public:
    explicit FakeViewer(const fs::path& path) : m_path(path) {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path.c_str());
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        timeval t{2, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    }
    ~FakeViewer() { ::close(m_fd); }
    FakeViewer(const FakeViewer&) = delete;
    FakeViewer& operator=(const FakeViewer&) = delete;

    // The next datagram, with its terminating zero; empty when none comes.
    std::string receive(bool wait = true) {
        char buffer[16384];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, wait ? 0 : MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

private:
    fs::path m_path;
    int m_fd = -1;
};

class DebugChannelTest : public ::testing::Test {
protected:
    CDebugChannel channel(bool enabled, int level) {
        DebugSettings s;
        s.enabled = enabled;
        s.level = level;
        s.viewerPath = (dir / "viewer.sh").string();
        return CDebugChannel("VerrinDLL", s, [this] { return std::optional(dir / "sock"); });
    }
    TempFolder dir;
};

TEST_F(DebugChannelTest, LevelFilterAndTheExactDatagram) {
    FakeViewer viewer(dir / "sock");
    CDebugChannel c("VerrinDLL", DebugSettings{true, false, "unused", 1},
                    [this] { return std::optional(dir / "sock"); });
    c.start();
    // Each datagram is one line with its terminating zero.
    auto next = [&] {
        std::string d = viewer.receive();
        EXPECT_TRUE(!d.empty() && d.back() == '\0') << d;
        if (!d.empty()) {
            d.pop_back();
        }
        return d;
    };
    const std::string banner = next();
    EXPECT_TRUE(std::regex_match(
        banner, std::regex(" \\*{11} ProcessName: VerrinDLL - Level: 1  - Time: [-0-9: ]+ \r\n")))
        << banner;

    c.output(2, "dropped");
    c.output(1, "count=%i", 3);
    const std::string line = next();
    EXPECT_TRUE(std::regex_match(line, std::regex("0x[0-9a-f]{4,} VerrinDLL \\(1\\) :count=3\r\n")))
        << line;
    c.output(kRawLine, "raw");
    EXPECT_EQ(viewer.receive(), std::string("raw\r\n", 6));
    EXPECT_EQ(viewer.receive(false), "");
}

TEST_F(DebugChannelTest, DisabledChannelStartsAndSendsNothing) {
    writeScript(dir / "viewer.sh", "touch \"" + (dir / "started").string() + "\"\n");
    FakeViewer viewer(dir / "sock");
    CDebugChannel c = channel(false, 2);
    c.start();
    c.output(0, "error");
    c.output(kRawLine, "raw");
    EXPECT_EQ(viewer.receive(false), "");
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(fs::exists(dir / "started"));
}

TEST_F(DebugChannelTest, ViewerIsStartedWhenNoneListensAndLinesWithoutOneAreDropped) {
    writeScript(dir / "viewer.sh", "touch \"" + (dir / "started").string() + "\"\n");
    CDebugChannel c = channel(true, 2);
    c.start(); // waits its second for a viewer that never listens
    EXPECT_TRUE(eventually([&] { return fs::exists(dir / "started"); }, 2s));
    c.output(1, "nobody hears this");
    FakeViewer late(dir / "sock");
    c.output(1, "heard");
    EXPECT_NE(late.receive().find(":heard\r\n"), std::string::npos);
}

// The viewer program and the library in separate processes, as a user runs them.
class ZevovoTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "run");
        ::chmod((dir / "run").c_str(), 0700);
        ASSERT_TRUE(registry.writeString(Hive::LocalMachine, kSettings, "Enabled", "1"));
        ASSERT_TRUE(registry.writeString(Hive::LocalMachine, kLevelKey, "Level", "1"));
    }
    void TearDown() override {
        if (fs::exists(dir / "viewer.pid")) {
            ::kill(std::stoi(readFile(dir / "viewer.pid")), SIGTERM);
        }
        if (m_viewer) {
            m_viewer->kill(SIGTERM);
            m_viewer->wait(2s);
        }
    }
    void startViewer() {
        const SpawnResult r = spawnProcess(
            "/bin/sh", {"-c", "exec \"$0\" > \"$1\" 2>/dev/null", zevovo.string(), out.string()});
        ASSERT_TRUE(r.started());
        m_viewer.emplace(r.pid);
        ASSERT_TRUE(eventually(
            [&] { return fs::exists(dir / "run" / "DebugOut-Window.DebugOutput"); }, 3s));
    }
    int cli(const std::string& args, const fs::path& output = "/dev/null") {
        return runShell("\"" + (binaryDir() / "installer" / "verrin-cli").string() + "\" " + args +
                        " > \"" + output.string() + "\"");
    }

    TempFolder dir;
    ScopedEnv m_registry{"PIXELON_REGISTRY_DIR", (dir / "reg").string()};
    ScopedEnv m_runtime{"XDG_RUNTIME_DIR", (dir / "run").string()};
    ScopedEnv m_tmp{"TMPDIR", dir.path().string()};
    Registry registry = Registry::fromEnvironment();
    fs::path zevovo = binaryDir() / "tools" / "zevovo" / "zevovo";
    fs::path out = dir / "viewer.out";
    std::optional<CProcess> m_viewer;
};

TEST_F(ZevovoTest, PrintsEachLineOfAnInstallerProcessAtItsLevel) {
    startViewer();
    ASSERT_EQ(cli("install --size 36"), 0);
    ASSERT_TRUE(eventually(
        [&] { return readFile(out).find("Install returns 0") != std::string::npos; }, 3s));
    const std::string text = readFile(out);
    EXPECT_TRUE(text.starts_with(" *********** ProcessName: VerrinDLL - Level: 1  - Time: "))
        << text;
    EXPECT_TRUE(std::regex_search(
        text, std::regex("\r\n0x[0-9a-f]{4,} VerrinDLL \\(1\\) :VERRINPARAMS.sizeOfStruct 36\r\n")))
        << text;
    EXPECT_EQ(text.find("VERRINPARAMS.bIsUpgrade"), std::string::npos); // a level-2 line
    EXPECT_NE(text.find("VerrinDLL (0) :DoInstall has a bad StringPr"), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST_F(ZevovoTest, NothingIsSentOrStartedWhenEnabledIsAbsent) {
    ASSERT_TRUE(registry.deleteValue(Hive::LocalMachine, kSettings, "Enabled"));
    writeScript(dir / "viewer.sh", "touch \"" + (dir / "started").string() + "\"\n");
    ASSERT_TRUE(
        registry.writeString(Hive::LocalMachine, kSettings, "Path", (dir / "viewer.sh").string()));
    startViewer();
    ASSERT_EQ(cli("refcount"), 0);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(readFile(out), "");
    EXPECT_FALSE(fs::exists(dir / "started"));
}

TEST_F(ZevovoTest, LibraryStartsTheViewerFromPath) {
    writeScript(dir / "viewer.sh", "echo $$ > \"" + (dir / "viewer.pid").string() + "\"\nexec \"" +
                                       zevovo.string() + "\" --count 2 2>/dev/null\n");
    ASSERT_TRUE(
        registry.writeString(Hive::LocalMachine, kSettings, "Path", (dir / "viewer.sh").string()));
    const fs::path cliOut = dir / "cli.out";
    ASSERT_EQ(cli("refcount", cliOut), 0);
    // The viewer inherits the output of the process that started it.
    ASSERT_TRUE(eventually(
        [&] { return readFile(cliOut).find("dwRefCount=0\r\n") != std::string::npos; }, 3s))
        << readFile(cliOut);
    EXPECT_NE(readFile(cliOut).find("ProcessName: VerrinDLL"), std::string::npos);
}

TEST_F(ZevovoTest, OneViewerAtATimeAndHelp) {
    startViewer();
    EXPECT_EQ(runShell("\"" + zevovo.string() + "\" 2>/dev/null"), 1);
    EXPECT_EQ(runShell("\"" + zevovo.string() + "\" --help | grep -q DebugOut-Window"), 0);
    EXPECT_EQ(runShell("\"" + zevovo.string() + "\" --bogus 2>/dev/null"), 1);
    m_viewer->kill(SIGTERM);
    ASSERT_TRUE(m_viewer->wait(2s));
    EXPECT_FALSE(fs::exists(dir / "run" / "DebugOut-Window.DebugOutput"));
    m_viewer.reset();
}

TEST_F(ZevovoTest, VerrinCliReportsUsageAndLoadErrors) {
    ASSERT_TRUE(registry.deleteValue(Hive::LocalMachine, kSettings, "Enabled"));
    EXPECT_EQ(cli("--help | grep -q install-wise"), 0);
    EXPECT_EQ(cli("bogus 2>/dev/null"), 1);
    EXPECT_EQ(cli("install --size 2>/dev/null"), 1);
    EXPECT_EQ(cli("--lib /nonexistent/libverrin.so refcount 2>/dev/null"), 1);
    const fs::path result = dir / "path.out";
    ASSERT_TRUE(registry.writeString(Hive::LocalMachine, "Software\\Norvane\\Verrin", "Path",
                                     "/opt/verrin"));
    EXPECT_EQ(cli("path", result), 0);
    EXPECT_EQ(readFile(result), "GetVerrinPath returned 1\n/opt/verrin\n");
}

} // namespace
} // namespace pixelon::testing

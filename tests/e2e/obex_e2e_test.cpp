// OBEX sends end to end: pixelon against openobex's obex_tcp receiver (in a private network
// namespace, so port 650 is ours), through a pseudo-terminal bridged by socat, against
// phonesim's OBEX mode on a serial line and over TCP, and against scripted receivers that
// misbehave.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "tests/e2e/PhoneHarness.h"
#include "tests/support/PeerTools.h"

namespace pixelon::e2e {
namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void writeFile(const fs::path& p, std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned v = seed;
    for (auto& b : bytes) {
        v = v * 1103515245u + 12345u;
        b = char(v >> 16);
    }
    std::ofstream(p, std::ios::binary) << bytes;
}

struct Shell {
    int status = -1;
    std::string out, err;
    double seconds = 0;
};

// Runs a shell script with the bench's registry, bounded in time.
Shell runScript(const Bench& bench, const std::string& script,
                std::chrono::seconds limit = std::chrono::seconds(120)) {
    static int counter = 0;
    std::string tag = std::to_string(++counter);
    fs::path out = bench.dir() / ("sh-out" + tag), err = bench.dir() / ("sh-err" + tag);
    SpawnOptions options;
    options.extraEnvironment = {"PIXELON_REGISTRY_DIR=" + (bench.dir() / "reg").string()};
    auto start = std::chrono::steady_clock::now();
    SpawnResult r = spawnProcess(
        "/bin/sh", {"-c", "exec >" + quote(out) + " 2>" + quote(err) + "\n" + script}, options);
    Shell s;
    if (!r.started())
        return s;
    CProcess child(r.pid);
    auto exit = child.wait(limit);
    if (!exit) {
        child.kill(SIGKILL);
        child.wait(std::chrono::seconds(5));
        ADD_FAILURE() << "script did not end in time:\n" << script;
    }
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.status = exit && !exit->signalled ? exit->code : -1;
    s.out = readText(out);
    s.err = readText(err);
    return s;
}

std::string pixelon() {
    return quote((binaryDir() / "cli/pixelon").string());
}
std::string phonesim() {
    return quote((binaryDir() / "tools/phonesim/phonesim").string());
}

// The part of a script that starts obex_tcp in `folder` inside the namespace and waits until
// it listens on port 650 (0x028A), on IPv4 or on both.
std::string startObexTcp(const fs::path& folder) {
    return "ip link set lo up || exit 90\n"
           "cd " +
           quote(folder.string()) +
           " || exit 91\n"
           "obex_tcp >../obex_tcp.log 2>&1 &\nSERVER=$!\n"
           "for i in $(seq 100); do cat /proc/net/tcp /proc/net/tcp6 | grep -q ':028A 0*:0000 0A' "
           "&& break; "
           "sleep 0.05; done\n";
}
const char* stopObexTcp = "kill $SERVER 2>/dev/null; wait $SERVER 2>/dev/null\n";

// Skips unless this process may make a private network namespace.
bool namespacesUsable(std::string& why) {
    if (::geteuid() != 0) {
        why = "needs root to run obex_tcp in a private network namespace (unshare -n)";
        return false;
    }
    if (::system("command -v obex_tcp >/dev/null && command -v unshare >/dev/null") != 0) {
        why = "obex_tcp (openobex-apps) or unshare is not installed";
        test::peerMissing("obex_tcp (openobex-apps) or unshare");
        return false;
    }
    if (::system("unshare -n true 2>/dev/null") != 0) {
        why = "this machine does not allow a private network namespace";
        return false;
    }
    return true;
}

// Runs `body` in a private network namespace with obex_tcp serving `recv`.
Shell withObexTcp(const Bench& bench, const fs::path& recv, const std::string& body) {
    fs::create_directories(recv);
    std::string script = startObexTcp(recv) + body + stopObexTcp;
    std::ofstream(bench.dir() / "netns.sh") << script;
    return runScript(bench,
                     "exec unshare -n /bin/sh " + quote((bench.dir() / "netns.sh").string()));
}

#define REQUIRE_NAMESPACE()                                                                        \
    do {                                                                                           \
        std::string why;                                                                           \
        if (!namespacesUsable(why))                                                                \
            GTEST_SKIP() << why;                                                                   \
    } while (0)

TEST(ObexAgainstObexTcp, PlainFilesArriveWhole) {
    REQUIRE_NAMESPACE();
    // 249 x 4 bytes (the empty End-of-Body), over 600 bytes, and 1 MB.
    for (std::size_t size : {std::size_t(996), std::size_t(747), std::size_t(1) << 20}) {
        Bench bench("obex-tcp");
        fs::path file = bench.dir() / ("file-" + std::to_string(size) + ".bin");
        writeFile(file, size, unsigned(size));
        fs::path recv = bench.dir() / "recv";
        Shell s = withObexTcp(bench, recv,
                              pixelon() + " obex push " + quote(file.string()) +
                                  " --to tcp:127.0.0.1 --name sent.dat; echo status=$?\n");
        EXPECT_NE(s.out.find("status=0"), std::string::npos) << s.out << s.err;
        EXPECT_NE(s.out.find("Finished sending file"), std::string::npos) << s.out;
        ASSERT_TRUE(fs::exists(recv / "sent.dat")) << size << "\n" << s.out << s.err;
        EXPECT_EQ(readText(recv / "sent.dat"), readText(file)) << size;
    }
}

TEST(ObexAgainstObexTcp, PictureArrivesAsTheExportWritesIt) {
    REQUIRE_NAMESPACE();
    Bench bench("obex-picture");
    fs::path demo = fs::path(PIXELON_TEST_SOURCE_DIR) / "samples/demo.pfo";
    fs::path exported = bench.dir() / "exported.gif";
    fs::path recv = bench.dir() / "recv";
    Shell s = withObexTcp(bench, recv,
                          pixelon() + " export " + quote(demo.string()) +
                              " --id 4097 --format gif --phone-type 1 --app-type 0 -o " +
                              quote(exported.string()) + " >/dev/null\n" + pixelon() +
                              " phone send " + quote(demo.string()) +
                              " --id 4097 --phone-type 1 --to tcp:127.0.0.1:650; echo "
                              "status=$?\n");
    EXPECT_NE(s.out.find("status=0"), std::string::npos) << s.out << s.err;
    EXPECT_NE(s.out.find("Removed temporary GIF file, picture sent!"), std::string::npos) << s.out;
    ASSERT_TRUE(fs::exists(recv / "picture.gif")) << s.out << s.err;
    EXPECT_EQ(readText(recv / "picture.gif"), readText(exported));
    EXPECT_FALSE(fs::exists(bench.dir() / "picture.gif"));
}

TEST(ObexAgainstObexTcp, ReceiverThatDisappearsEndsTheSendWithinSeconds) {
    REQUIRE_NAMESPACE();
    Bench bench("obex-gone");
    fs::path file = bench.dir() / "big.bin";
    writeFile(file, std::size_t(48) << 20, 7);
    fs::path recv = bench.dir() / "recv";
    Shell s = withObexTcp(bench, recv,
                          pixelon() + " obex push " + quote(file.string()) +
                              " --to tcp:127.0.0.1 & PUSH=$!\n"
                              "sleep 0.5\nkill -9 $SERVER\nSTART=$(date +%s%N)\n"
                              "wait $PUSH; echo status=$?\n"
                              "echo ms=$(( ($(date +%s%N) - START) / 1000000 ))\n");
    EXPECT_NE(s.out.find("status=1"), std::string::npos) << s.out << s.err;
    EXPECT_NE(s.out.find("Obex Put Failed"), std::string::npos) << s.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(s.out, m, std::regex("ms=(\\d+)"))) << s.out;
    EXPECT_LT(std::stol(m[1]), 5000) << s.out;
    EXPECT_FALSE(fs::exists(recv / "big.bin"));
}

TEST(ObexAgainstObexTcp, SerialLineThroughSocat) {
    REQUIRE_NAMESPACE();
    if (::system("command -v socat >/dev/null") != 0)
        PIXELON_SKIP_WITHOUT_PEER("socat");
    Bench bench("obex-socat");
    fs::path file = bench.dir() / "tone.imy";
    writeFile(file, 1000, 3);
    fs::path recv = bench.dir() / "recv", pty = bench.dir() / "pty";
    Shell s = withObexTcp(bench, recv,
                          "socat pty,raw,echo=0,link=" + quote(pty.string()) +
                              " TCP:127.0.0.1:650 & SOCAT=$!\n"
                              "for i in $(seq 100); do [ -e " +
                              quote(pty.string()) + " ] && break; sleep 0.05; done\n" + pixelon() +
                              " obex push " + quote(file.string()) + " --to serial-direct:" +
                              quote(pty.string()) + "; echo status=$?\nkill $SOCAT 2>/dev/null\n");
    EXPECT_NE(s.out.find("status=0"), std::string::npos) << s.out << s.err;
    ASSERT_TRUE(fs::exists(recv / "tone.imy")) << s.out << s.err;
    EXPECT_EQ(readText(recv / "tone.imy"), readText(file));
}

TEST(ObexWithPhonesim, SerialCableSwitchesToObexAndBack) {
    Bench bench("obex-phonesim");
    bench.phone(1, {"--baud", "115200"});
    fs::path file = bench.dir() / "card.vcf";
    writeFile(file, 3000, 11);
    Shell s = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                   " --to serial:" + quote(bench.port(1).string()) + " --log " +
                                   quote((bench.dir() / "push.log").string()));
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    fs::path saved = bench.dir() / "saved1/card.vcf";
    ASSERT_TRUE(fs::exists(saved)) << s.out << s.err;
    EXPECT_EQ(readText(saved), readText(file));
    // The AT switch and the return to AT commands are in the communications log.
    std::string log = readText(bench.dir() / "push.log");
    EXPECT_NE(log.find("AT*EOBEX"), std::string::npos) << log;
    EXPECT_NE(log.find("Back in AT mode - Found \"OK\""), std::string::npos) << log;

    // An EMS picture in three parts, last part first.
    fs::path demo = fs::path(PIXELON_TEST_SOURCE_DIR) / "samples/demo.pfo";
    s = runScript(bench, pixelon() + " phone send " + quote(demo.string()) +
                             " --id 4096 --phone-type 0 --app-type ems --to serial:" +
                             quote(bench.port(1).string()));
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    EXPECT_TRUE(fs::exists(bench.dir() / "saved1/EMS1.wbmp")) << s.out;
}

// Reads the port phonesim listens on from its first line.
int phonesimPort(const fs::path& errFile) {
    for (int i = 0; i < 200; ++i) {
        std::smatch m;
        std::string text = readText(errFile);
        if (std::regex_search(text, m, std::regex("127\\.0\\.0\\.1:(\\d+) ready")))
            return std::stoi(m[1]);
        usleep(20000);
    }
    return 0;
}

TEST(ObexWithPhonesim, TcpReceiverThatUnplugsAndOneThatIsSilent) {
    Bench bench("obex-unplug");
    fs::path file = bench.dir() / "movie.thm";
    writeFile(file, 100000, 5);
    fs::path err = bench.dir() / "sim.err";
    SpawnResult sim = spawnProcess(
        "/bin/sh",
        {"-c", "exec " + phonesim() + " --obex-tcp 0 --unplug-after 20000 --save-dir " +
                   quote(bench.dir().string()) + " --timeout 60 2>" + quote(err.string())});
    ASSERT_TRUE(sim.started());
    CProcess simProcess(sim.pid);
    int port = phonesimPort(err);
    ASSERT_GT(port, 0) << readText(err);
    Shell s = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                   " --to tcp:127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(s.status, 1) << s.out << s.err;
    EXPECT_LT(s.seconds, 5.0);
    EXPECT_NE(s.out.find("Obex Put Failed"), std::string::npos) << s.out;
    EXPECT_NE(s.err.find("failed"), std::string::npos) << s.err;
    simProcess.kill(SIGTERM);
    simProcess.wait(std::chrono::seconds(5));

    // A receiver that takes the connection and never answers.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), len), 0);
    ASSERT_EQ(::listen(listener, 2), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    s = runScript(bench,
                  pixelon() + " obex push " + quote(file.string()) +
                      " --timeout 2 --to tcp:127.0.0.1:" + std::to_string(ntohs(a.sin_port)));
    ::close(listener);
    EXPECT_EQ(s.status, 1) << s.out << s.err;
    EXPECT_LT(s.seconds, 6.0);
    EXPECT_NE(s.out.find("OBEX connect:  failed.\nOBEX: no answer from the receiver within 2 "
                         "seconds"),
              std::string::npos)
        << s.out;
}

TEST(ObexWithPhonesim, TimesFor100kB) {
    Bench bench("obex-timing");
    fs::path file = bench.dir() / "100k.bin";
    writeFile(file, 100000, 9);
    fs::path err = bench.dir() / "sim.err";
    SpawnResult sim =
        spawnProcess("/bin/sh", {"-c", "exec " + phonesim() + " --obex-tcp 0 --save-dir " +
                                           quote((bench.dir() / "tcp").string()) +
                                           " --timeout 60 2>" + quote(err.string())});
    ASSERT_TRUE(sim.started());
    CProcess simProcess(sim.pid);
    fs::create_directories(bench.dir() / "tcp");
    int port = phonesimPort(err);
    ASSERT_GT(port, 0);
    Shell tcp = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                     " --to tcp:127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(tcp.status, 0) << tcp.out << tcp.err;
    EXPECT_EQ(readText(bench.dir() / "tcp/100k.bin"), readText(file));
    simProcess.kill(SIGTERM);
    simProcess.wait(std::chrono::seconds(5));

    bench.phone(1, {"--baud", "115200"});
    Shell serial = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                        " --to serial:" + quote(bench.port(1).string()));
    EXPECT_EQ(serial.status, 0) << serial.out << serial.err;
    EXPECT_EQ(readText(bench.dir() / "saved1/100k.bin"), readText(file));
    // 100 kB at 11520 bytes a second cannot take less than about 8.7 s.
    EXPECT_GT(serial.seconds, 8.0);
    RecordProperty("tcp_seconds", std::to_string(tcp.seconds));
    RecordProperty("pty_115200_seconds", std::to_string(serial.seconds));
    std::printf("100 kB push: TCP loopback %.2f s, pty at 115200 baud %.2f s\n", tcp.seconds,
                serial.seconds);
}

// A receiver on a loopback port that answers from a script: `connectAnswer` to CONNECT, the
// codes in `putCodes` to the PUTs in turn (Continue when the list runs out), Success to
// anything else. It serves one connection and counts the PUTs.
class ScriptedReceiver {
public:
    ScriptedReceiver(std::vector<std::uint8_t> connectAnswer, std::vector<std::uint8_t> putCodes)
        : m_connect(std::move(connectAnswer)), m_codes(std::move(putCodes)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
            ::listen(m_listener, 2) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedReceiver() {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    std::string address() const { return "tcp:127.0.0.1:" + std::to_string(port); }

    int port = 0;
    std::atomic<int> puts{0};

private:
    bool readable(int fd) {
        for (int i = 0; i < 200 && !m_stop; ++i) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0)
                return true;
        }
        return false;
    }
    bool readExactly(int fd, std::uint8_t* to, std::size_t n) {
        while (n > 0) {
            if (!readable(fd))
                return false;
            ssize_t got = ::read(fd, to, n);
            if (got <= 0)
                return false;
            to += got;
            n -= std::size_t(got);
        }
        return true;
    }
    void serve() {
        if (!readable(m_listener))
            return;
        int fd = ::accept(m_listener, nullptr, nullptr);
        std::vector<std::uint8_t> packet(0x10000);
        while (fd >= 0 && readExactly(fd, packet.data(), 3)) {
            const std::size_t length = std::size_t(packet[1] << 8 | packet[2]);
            if (length < 3 || !readExactly(fd, packet.data() + 3, length - 3))
                break;
            std::vector<std::uint8_t> answer = {0xA0, 0x00, 0x03};
            if (packet[0] == 0x80) {
                answer = m_connect;
            } else if ((packet[0] & 0x7F) == 0x02) {
                const std::size_t i = std::size_t(puts++);
                answer[0] = i < m_codes.size() ? m_codes[i] : 0x90;
            }
            if (::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0 || packet[0] == 0x81)
                break;
        }
        if (fd >= 0)
            ::close(fd);
    }

    std::vector<std::uint8_t> m_connect, m_codes;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

const std::vector<std::uint8_t> ConnectSuccess = {0xA0, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00};

TEST(ObexMisbehavingReceiver, SuccessBeforeTheLastBlockStopsTheSend) {
    Bench bench("obex-early");
    fs::path file = bench.dir() / "song.mid";
    writeFile(file, 1000, 13);
    // Continue to the name, then Success to the first of four body blocks.
    ScriptedReceiver receiver(ConnectSuccess, {0x90, 0xA0});
    ASSERT_GT(receiver.port, 0);
    Shell s = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                   " --timeout 3 --to " + receiver.address());
    EXPECT_EQ(s.status, 1) << s.out << s.err;
    EXPECT_NE(s.out.find("OBEX: the receiver ended the transfer early"), std::string::npos)
        << s.out;
    EXPECT_NE(s.out.find("Obex Put Failed"), std::string::npos) << s.out;
    EXPECT_EQ(s.out.find("Finished sending file"), std::string::npos) << s.out;
    EXPECT_LT(s.seconds, 3.0);
    EXPECT_EQ(receiver.puts, 2);
}

TEST(ObexMisbehavingReceiver, ContinueToTheLastBlockIsNoFinishedSend) {
    Bench bench("obex-continue");
    fs::path file = bench.dir() / "note.vnt";
    writeFile(file, 100, 17);
    ScriptedReceiver receiver(ConnectSuccess, {});
    Shell s = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                   " --timeout 3 --to " + receiver.address());
    EXPECT_EQ(s.status, 1) << s.out << s.err;
    EXPECT_NE(s.out.find("OBEX: the receiver did not confirm the object (response 0x90 "
                         "(Continue) to the last packet)"),
              std::string::npos)
        << s.out;
    EXPECT_EQ(s.out.find("Finished sending file"), std::string::npos) << s.out;
    EXPECT_EQ(receiver.puts, 2);
}

TEST(ObexMisbehavingReceiver, BareConnectRefusalShowsItsCode) {
    Bench bench("obex-refused");
    fs::path file = bench.dir() / "note.vnt";
    writeFile(file, 100, 19);
    ScriptedReceiver receiver({0xC3, 0x00, 0x03}, {});
    Shell s = runScript(bench, pixelon() + " obex push " + quote(file.string()) +
                                   " --timeout 3 --to " + receiver.address());
    EXPECT_EQ(s.status, 1) << s.out << s.err;
    EXPECT_NE(s.out.find("OBEX connect:  failed.\nOBEX CONNECT refused: response 0xC3 "
                         "(Forbidden)"),
              std::string::npos)
        << s.out;
    EXPECT_EQ(s.out.find("malformed"), std::string::npos) << s.out;
    EXPECT_EQ(receiver.puts, 0);
}

TEST(ObexWithPhonesim, LostFilesAreRefusedLinksKeptAndSilentClientsDropped) {
    Bench bench("obex-store");
    fs::path recv = bench.dir() / "recv", err = bench.dir() / "sim.err";
    fs::create_directories(recv);
    // Files of at most 8 x 512 bytes fit: a bigger one meets a full disk.
    SpawnResult sim = spawnProcess(
        "/bin/sh", {"-c", "ulimit -f 8; exec " + phonesim() + " --obex-tcp 0 --save-dir " +
                              quote(recv.string()) + " --idle-timeout 2 --timeout 60 2>" +
                              quote(err.string())});
    ASSERT_TRUE(sim.started());
    CProcess simProcess(sim.pid);
    int port = phonesimPort(err);
    ASSERT_GT(port, 0) << readText(err);
    const std::string to = " --timeout 3 --to tcp:127.0.0.1:" + std::to_string(port);

    // A client that connects and says nothing does not hold up the others.
    int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);

    fs::path big = bench.dir() / "big.thm";
    writeFile(big, 10000, 23);
    Shell full = runScript(bench, pixelon() + " obex push " + quote(big.string()) + to);
    EXPECT_EQ(full.status, 1) << full.out << full.err;
    EXPECT_NE(full.out.find("OBEX PUT refused: response 0xE0 (Database Full)"), std::string::npos)
        << full.out;
    EXPECT_EQ(full.out.find("Finished sending file"), std::string::npos) << full.out;
    EXPECT_LT(full.seconds, 1.5); // well before the silent client's idle bound

    fs::path small = bench.dir() / "card.vcf";
    writeFile(small, 300, 29);
    Shell longName = runScript(bench, pixelon() + " obex push " + quote(small.string()) +
                                          " --name " + std::string(256, 'n') + to);
    EXPECT_EQ(longName.status, 1) << longName.out << longName.err;
    EXPECT_NE(longName.out.find("response 0xC0 (Bad Request)"), std::string::npos) << longName.out;

    // A link planted in the folder is replaced, and the file it pointed at is kept.
    fs::path outside = bench.dir() / "outside.txt";
    std::ofstream(outside) << "keep";
    fs::create_symlink(outside, recv / "card.vcf");
    Shell linked = runScript(bench, pixelon() + " obex push " + quote(small.string()) + to);
    EXPECT_EQ(linked.status, 0) << linked.out << linked.err;
    EXPECT_EQ(readText(outside), "keep");
    EXPECT_FALSE(fs::is_symlink(recv / "card.vcf"));
    EXPECT_EQ(readText(recv / "card.vcf"), readText(small));

    // Only the stored file is in the folder; the receiver said why the others were not kept.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(recv))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"card.vcf"});
    std::string log = readText(err);
    EXPECT_NE(log.find("received \"big.thm\" (10000 bytes), not stored: File too large; "
                       "answered 0xE0 (Database Full)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("not stored: File name too long; answered 0xC0 (Bad Request)"),
              std::string::npos)
        << log;

    // The silent client was cut off after two idle seconds.
    pollfd p{silent, POLLIN, 0};
    char byte;
    EXPECT_EQ(::poll(&p, 1, 4000), 1);
    EXPECT_EQ(::read(silent, &byte, 1), 0);
    ::close(silent);
    EXPECT_NE(readText(err).find("closed after 2 seconds without data"), std::string::npos);
    simProcess.kill(SIGTERM);
    simProcess.wait(std::chrono::seconds(5));
}

} // namespace
} // namespace pixelon::e2e

// The command line's progress line: drawn in place on a terminal, never into a pipe, and silenced
// by --quiet. The commands run on a pseudo-terminal as a user's shell would start them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/ProgressLine.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/support/PixelonProgram.h"
#include "tests/support/TempDir.h"

namespace pixelon::cli {
namespace {

// Everything readable from `fd` until the writer side closes or `seconds` pass.
std::string drain(int fd, int seconds) {
    std::string out;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, seconds * 1000) <= 0)
            break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // EIO once the last terminal user has gone
        out.append(buffer, std::size_t(n));
    }
    return out;
}

struct Pty {
    int master = -1, slave = -1;
    Pty() { EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
    ~Pty() {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

TEST(ProgressLine, FormatsCountPercentAndText) {
    EXPECT_EQ(ProgressLine::format("Importing files...", "b.gif", 3, 0, 10, 79),
              "Importing files... 3/10 30% b.gif");
    // Positions outside the range are shown at its ends; no range shows no count.
    EXPECT_EQ(ProgressLine::format("Merging", "", 12, 2, 7, 79), "Merging 5/5 100%");
    EXPECT_EQ(ProgressLine::format("Merging", "", -4, 2, 7, 79), "Merging 0/5 0%");
    EXPECT_EQ(ProgressLine::format("Sending", "x", 0, 0, 0, 79), "Sending x");
    // Never wider than the terminal, never cutting a character in two, never raw control bytes.
    EXPECT_EQ(ProgressLine::format("T", "\xC3\xA9\xC3\xA9", 1, 0, 2, 12), "T 1/2 50% \xC3\xA9");
    EXPECT_EQ(ProgressLine::format("T", "a\x1b[2Jb", 0, 0, 0, 79), "T a\\x1B[2Jb");
}

TEST(ProgressLine, DrawsInPlaceOnATerminalOnly) {
    Pty pty;
    ProgressLine line(pty.slave);
    line.enable(true);
    ASSERT_TRUE(line.enabled());
    line.setSubject("font.bdf");
    line.Open("Parsing", "", 0, 4);
    line.Step(2);
    line.SetText("a.gif");
    line.Close();
    const std::string drawn = drain(pty.master, 1);
    EXPECT_NE(drawn.find("\rParsing 0/4 0% font.bdf\x1b[K"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("\rParsing 2/4 50% a.gif\x1b[K"), std::string::npos) << drawn;
    // Closing erases the line, so what follows starts at the left margin.
    EXPECT_EQ(drawn.substr(drawn.size() - 4), "\r\x1b[K");

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ProgressLine piped(pipeEnds[1]);
    piped.enable(true);
    EXPECT_FALSE(piped.enabled());
    piped.Open("Parsing", "", 0, 4);
    piped.SetText("a.gif");
    piped.Close();
    ::close(pipeEnds[1]);
    EXPECT_EQ(drain(pipeEnds[0], 1), "");
    ::close(pipeEnds[0]);

    ProgressLine quiet(pty.slave);
    quiet.enable(false);
    quiet.Open("Parsing", "", 0, 4);
    quiet.Close();
    EXPECT_EQ(drain(pty.master, 0), "");
}

// Runs the built pixelon with standard error on a pseudo-terminal and standard output in a file.
class ProgressCli : public ::testing::Test {
protected:
    void SetUp() override {
        program = test::builtPixelon();
        if (program.empty())
            GTEST_SKIP() << "pixelon not built";
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (std::system("command -v convert >/dev/null") != 0)
            GTEST_SKIP() << "ImageMagick is not installed";
        // Three black-and-white GIF files.
        for (const char* name : {"a.gif", "b.gif", "c.gif"})
            ASSERT_EQ(
                std::system(("convert -size 3x2 pattern:gray50 -colors 2 " + p(name)).c_str()), 0);
    }
    std::string p(const std::string& name) const { return (dir.path / name).string(); }

    // The bytes the terminal received; the exit status in `status`.
    std::string onTerminal(std::vector<std::string> args, int& status) {
        Pty pty;
        args.insert(args.begin(), program);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(p("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(pty.slave, 2);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pty.slave);
        pty.slave = -1;
        const std::string drawn = drain(pty.master, 60);
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return drawn;
    }
    std::string piped(const std::string& arguments) {
        EXPECT_EQ(test::runPixelon(program, dir.path, arguments, "QT_QPA_PLATFORM=offscreen"), 0);
        std::ifstream in(p("err.txt"));
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string program;
    test::TempDir dir;
};

TEST_F(ProgressCli, LongCommandsShowProgressOnATerminal) {
    int status = -1;
    std::string drawn =
        onTerminal({"import", p("g.pfo"), p("a.gif"), p("b.gif"), p("c.gif")}, status);
    ASSERT_EQ(status, 0) << drawn;
    EXPECT_NE(drawn.find("\rImporting files... 0/3 0% a.gif"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("% c.gif"), std::string::npos) << drawn;
    // The line is erased at the end: nothing is left on the terminal.
    EXPECT_EQ(drawn.substr(drawn.size() - 4), "\r\x1b[K");

    drawn = onTerminal({"merge", p("g.pfo"), p("g.pfo"), "-o", p("m.pfo")}, status);
    ASSERT_EQ(status, 0) << drawn;
    EXPECT_NE(drawn.find("\rMerging files..."), std::string::npos) << drawn;

    drawn = onTerminal({"sheet", p("g.pfo"), "-o", p("s.gif")}, status);
    ASSERT_EQ(status, 0) << drawn;
    EXPECT_NE(drawn.find("% Building Contact Sheet..."), std::string::npos) << drawn;

    ASSERT_EQ(test::runPixelon(program, dir.path, "bdf-export " + p("g.pfo") + " -o " + p("g.bdf")),
              0);
    drawn = onTerminal({"bdf", p("g.bdf"), p("f.pfo")}, status);
    ASSERT_EQ(status, 0) << drawn;
    EXPECT_NE(drawn.find("\rParsing BDF file... 0/"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("\rImporting glyphs..."), std::string::npos) << drawn;

    drawn = onTerminal({"print", p("g.pfo"), "-o", p("g.pdf")}, status);
    ASSERT_EQ(status, 0) << drawn;
    EXPECT_NE(drawn.find("\rPrinting... 0/"), std::string::npos) << drawn;
}

TEST_F(ProgressCli, QuietOrPipedStandardErrorStaysClean) {
    int status = -1;
    EXPECT_EQ(onTerminal({"import", p("g.pfo"), p("a.gif"), p("b.gif"), "--quiet"}, status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(onTerminal({"merge", p("g.pfo"), p("g.pfo"), "-o", p("m.pfo"), "--quiet"}, status),
              "");
    EXPECT_EQ(onTerminal({"sheet", p("g.pfo"), "-o", p("s.gif"), "--quiet"}, status), "");
    EXPECT_EQ(onTerminal({"print", p("g.pfo"), "-o", p("g.pdf"), "--quiet"}, status), "");
    EXPECT_EQ(status, 0);

    EXPECT_EQ(piped("import " + p("h.pfo") + " " + p("a.gif") + " " + p("c.gif")), "");
    EXPECT_EQ(piped("merge " + p("h.pfo") + " " + p("h.pfo") + " -o " + p("hm.pfo")), "");
    EXPECT_EQ(piped("sheet " + p("h.pfo") + " -o " + p("t.bmp")), "");
    EXPECT_EQ(piped("print " + p("h.pfo") + " -o " + p("h.pdf")), "");
}

} // namespace
} // namespace pixelon::cli

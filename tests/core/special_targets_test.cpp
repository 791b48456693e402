// The writers of the command line given targets that are not plain files: a FIFO, a device,
// a folder. A device or FIFO takes the data and stays what it was; a folder is refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <iostream>

#include "PortfolioTestUtil.h"
#include "tests/support/PixelonProgram.h"
#include "tests/support/SpawnedProgram.h"

using namespace pixelon;
using namespace pixelon::test;
namespace fs = std::filesystem;

namespace {

// A portfolio of 8 x 8 glyphs with the given IDs, each with a diagonal of ink.
void writeGlyphs(const fs::path& path, const std::string& name, std::initializer_list<int> ids) {
    CPortfolio folio;
    folio.m_strName = name;
    for (int id : ids) {
        auto p = std::make_unique<CPicture>();
        p->Create(8, 8, id);
        p->m_nDepth = 1;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                p->SetPixel(x, y, x == y ? 0 : 3);
        folio.m_pictures.push_back(std::move(p));
    }
    RecordingFeedback feedback;
    ASSERT_TRUE(folio.WriteFile(path, feedback));
}

bool isFifo(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}
bool isCharacterDevice(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

class SpecialTargets : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = builtPixelon();
        if (m_program.empty())
            GTEST_SKIP() << "pixelon is not built";
        writeGlyphs(dir / "a.pfo", "Ours", {0x41, 0x42});
        writeGlyphs(dir / "b.pfo", "Theirs", {0x43});
    }

    // Runs pixelon with `args` writing into the FIFO `fifo`, reading what arrives until the
    // program ends. A program that replaced the FIFO instead never opens it: then nothing
    // arrives and the status tells.
    std::pair<int, std::string> runIntoFifo(const std::vector<std::string>& args,
                                            const fs::path& fifo) {
        // Opened before the writer, without blocking: until a writer comes a read gives 0.
        const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(reader, 0);
        std::vector<std::string> argv{m_program};
        argv.insert(argv.end(), args.begin(), args.end());
        const pid_t child = spawnProgram(argv, {dir.path(), {}});
        std::string data;
        int status = -2;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            char buffer[65536];
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0) {
                data.append(buffer, std::size_t(n));
                continue;
            }
            if (status != -2)
                break; // the program has ended and everything it wrote is read
            int raw = 0;
            if (::waitpid(child, &raw, WNOHANG) == child)
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            else if (std::chrono::steady_clock::now() > end)
                status = waitForChild(child, std::chrono::milliseconds(0));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::close(reader);
        return {status, data};
    }
    int run(const std::vector<std::string>& args) {
        std::vector<std::string> argv{m_program};
        argv.insert(argv.end(), args.begin(), args.end());
        return waitForChild(spawnProgram(argv, {dir.path(), {}}));
    }
    std::string err() const { return readText(dir / "err.txt"); }

    TempDir dir;
    std::string m_program;
};

} // namespace

TEST_F(SpecialTargets, FifosTakeTheDataAndStayFifos) {
    // What each writer puts into a plain file, to compare with what the FIFO carries.
    ASSERT_EQ(run({"fnt", "a.pfo", "-o", "plain.fnt"}), 0) << err();
    ASSERT_EQ(run({"sheet", "a.pfo", "-o", "plain.gif"}), 0) << err();

    struct Case {
        std::vector<std::string> args;
        std::string fifo;
        std::string plain; // the same output in a plain file; empty for the portfolio
    };
    for (const Case& c : {Case{{"merge", "a.pfo", "b.pfo", "-o", "merged.pfo"}, "merged.pfo", ""},
                          Case{{"fnt", "a.pfo", "-o", "font.fnt"}, "font.fnt", "plain.fnt"},
                          Case{{"sheet", "a.pfo", "-o", "sheet.gif"}, "sheet.gif", "plain.gif"}}) {
        SCOPED_TRACE(c.args[0]);
        ASSERT_EQ(::mkfifo((dir / c.fifo).c_str(), 0644), 0);
        auto [status, data] = runIntoFifo(c.args, dir / c.fifo);
        EXPECT_EQ(status, 0) << err();
        EXPECT_TRUE(isFifo(dir / c.fifo)) << "the FIFO was replaced";
        if (!c.plain.empty()) {
            EXPECT_EQ(data, readText(dir / c.plain));
        } else {
            CPortfolio merged;
            RecordingFeedback feedback;
            ASSERT_TRUE(readText(merged, data, feedback)) << data.size();
            EXPECT_EQ(merged.m_strName, "Ours");
            EXPECT_EQ(merged.Count(), 3);
        }
    }
}

TEST_F(SpecialTargets, DevicesStayDevices) {
    // /dev/null, written by a user who may not replace it: a faulty writer fails here rather
    // than replacing the system's device.
    giveToUnprivileged(dir.path());
    std::vector<std::string> argv{m_program, "merge", "a.pfo", "b.pfo", "-o", "/dev/null"};
    SpawnOptions options{dir.path(), {}};
    options.unprivileged = true;
    EXPECT_EQ(waitForChild(spawnProgram(argv, options)), 0) << err();
    EXPECT_TRUE(isCharacterDevice("/dev/null"));
    argv = {m_program, "fnt", "a.pfo", "-o", "/dev/null"};
    EXPECT_EQ(waitForChild(spawnProgram(argv, options)), 0) << err();
    EXPECT_TRUE(isCharacterDevice("/dev/null"));

    // Device nodes of the test's own (the null device's numbers), where nodes may be made.
    for (const char* name : {"null", "null.gif"}) {
        if (::mknod((dir / name).c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            std::cout << "[ NOTE     ] no device node could be made here (" << std::strerror(errno)
                      << "); only /dev/null was tried\n";
            return;
        }
    }
    EXPECT_EQ(run({"merge", "a.pfo", "b.pfo", "-o", "null"}), 0) << err();
    EXPECT_TRUE(isCharacterDevice(dir / "null"));
    EXPECT_EQ(run({"sheet", "a.pfo", "-o", "null.gif"}), 0) << err();
    EXPECT_TRUE(isCharacterDevice(dir / "null.gif"));
}

TEST_F(SpecialTargets, FoldersAreRefusedWithTheUsualMessage) {
    for (const char* name : {"merged.pfo", "font.fnt", "sheet.gif"})
        fs::create_directory(dir / name);
    // Each writer's own message for a file it cannot create.
    EXPECT_EQ(run({"merge", "a.pfo", "b.pfo", "-o", "merged.pfo"}), 1);
    EXPECT_EQ(err(), "merged.pfo: Unable to save file.\nAll or part of the path is invalid.\n"
                     "pixelon: merged.pfo not written\n");
    EXPECT_EQ(run({"fnt", "a.pfo", "-o", "font.fnt"}), 1);
    EXPECT_EQ(err(), "Unable to save file.\nAll or part of the path is invalid.\n");
    EXPECT_EQ(run({"sheet", "a.pfo", "-o", "sheet.gif"}), 1);
    EXPECT_EQ(err(), "Unable to save file.\nsheet.gif\n");
    for (const char* name : {"merged.pfo", "font.fnt", "sheet.gif"}) {
        EXPECT_TRUE(fs::is_directory(dir / name)) << name;
        EXPECT_TRUE(fs::is_empty(dir / name)) << name;
    }
}

// A save interrupted by a signal that ends the program (Ctrl+C, kill, a closed terminal) must
// leave the previous file and nothing else: the hidden file it was writing is removed.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "PortfolioTestUtil.h"
#include "core/AtomicFile.h"
#include "core/TemporaryFiles.h"

using namespace pixelon;
using namespace pixelon::test;
namespace fs = std::filesystem;

namespace {

// Starts `count` saves to files in `dir` in a child that has the handlers installed and ends
// it with `signal` while they are half written. The child's wait status.
int interruptedSaves(const fs::path& dir, int count, int signal) {
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            RemoveTemporaryFilesOnSignals();
            std::vector<std::unique_ptr<AtomicFile>> files;
            const std::uint8_t half[] = {'n', 'e', 'w'};
            for (int i = 0; i < count; ++i) {
                files.push_back(std::make_unique<AtomicFile>(dir / ("f" + std::to_string(i))));
                files.back()->write(half);
            }
            ::raise(signal);
        } catch (...) {
        }
        ::_exit(0); // reached only when the signal did not end the child
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(InterruptedSave, TheSignalRemovesTheHiddenFilesAndStillEndsTheProgram) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempDir dir;
        writeText(dir / "f0", "old");
        // More saves at once than are ever open together, so that none is forgotten.
        const int status = interruptedSaves(dir.path(), 3, signal);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the program ends as the signal says";
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"f0"});
        EXPECT_EQ(readText(dir / "f0"), "old");
    }
}

TEST(InterruptedSave, FinishedAndAbandonedSavesAreNoLongerTracked) {
    TempDir dir;
    writeText(dir / "kept", "old");
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            RemoveTemporaryFilesOnSignals();
            // Many saves one after another, as a long batch makes: each gives its place back.
            for (int i = 0; i < 200; ++i) {
                AtomicFile file(dir / "kept");
                const std::uint8_t bytes[] = {'n', 'e', 'w'};
                file.write(bytes);
                if (i % 2 == 0)
                    file.commit();
            }
            AtomicFile last(dir / "last");
            ::raise(SIGTERM);
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    // The committed file stays; the save under way when the signal came leaves nothing.
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"kept"});
    EXPECT_EQ(readText(dir / "kept"), "new");
}

TEST(InterruptedSave, ASignalIgnoredWhenTheProgramStartsStaysIgnored) {
    // A program started with SIGHUP ignored (nohup) must go on when the terminal closes.
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            ::signal(SIGHUP, SIG_IGN);
            RemoveTemporaryFilesOnSignals();
            AtomicFile file(dir / "f");
            ::raise(SIGHUP);
            const std::uint8_t bytes[] = {'o', 'k'};
            file.write(bytes);
            file.commit();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(7);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(readText(dir / "f"), "ok");
}

// A signal that arrives between the hidden file's creation and its recording would leave the
// file: while it is made, the signals wait, and the waiting one then removes it.
TEST(InterruptedSave, ASignalWhileTheFileIsMadeWaitsUntilItIsRecorded) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        RemoveTemporaryFilesOnSignals();
        TerminationSignalsHeld held;
        ::raise(SIGTERM); // held back: the child goes on, and leaves a file it does not record
        ::close(::open((dir.path() / "went-on").c_str(), O_CREAT | O_WRONLY, 0600));
        const int fd = ::open((dir.path() / ".f.tmp").c_str(), O_CREAT | O_WRONLY, 0600);
        RecordTemporaryFile((dir.path() / ".f.tmp").c_str());
        if (fd < 0)
            ::_exit(2);
        held.Release(); // the signal is handled now
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"went-on"});
}

TEST(InterruptedSave, AFileBeyondTheSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    // With ulimit -f the kernel sends SIGXFSZ on the write that crosses the limit; the save
    // must fail as on a full disk, remove its hidden file and keep the previous one.
    TempDir dir;
    writeText(dir / "f", "old");
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        RemoveTemporaryFilesOnSignals();
        int error = 0;
        try {
            AtomicFile file(dir / "f");
            const std::vector<std::uint8_t> bytes(10000, 'x');
            file.write(bytes);
            file.commit();
        } catch (const EFileError& e) {
            error = e.Errno();
        }
        ::_exit(error == EFBIG ? 7 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 7) << "the write reports EFBIG";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"f"});
    EXPECT_EQ(readText(dir / "f"), "old");
}

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PortfolioTestUtil.h"
#include "core/AtomicFile.h"
#include "tests/support/Unprivileged.h"

using namespace pixelon;
using namespace pixelon::test;
namespace fs = std::filesystem;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void save(const fs::path& path, const std::string& text) {
    AtomicFile::writeAll(path, bytesOf(text));
}

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST(AtomicFile, WritesThroughLinksAndKeepsTheModeOfTheReplacedFile) {
    TempDir dir;
    fs::create_directory(dir / "real");
    writeText(dir / "real" / "pic.gif", "old");
    ::chmod((dir / "real" / "pic.gif").c_str(), 0600);
    // A chain of two links, the first relative to its own folder.
    fs::create_symlink("real/pic.gif", dir / "middle.gif");
    fs::create_symlink(dir / "middle.gif", dir / "outer.gif");

    save(dir / "outer.gif", "new contents");
    EXPECT_TRUE(fs::is_symlink(dir / "outer.gif"));
    EXPECT_TRUE(fs::is_symlink(dir / "middle.gif"));
    EXPECT_EQ(readText(dir / "real" / "pic.gif"), "new contents");
    EXPECT_EQ(modeOf(dir / "real" / "pic.gif"), 0600u);
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{"pic.gif"});

    // A link to a file not there yet creates the target.
    fs::create_symlink("real/later.gif", dir / "later.gif");
    save(dir / "later.gif", "x");
    EXPECT_TRUE(fs::is_symlink(dir / "later.gif"));
    EXPECT_EQ(readText(dir / "real" / "later.gif"), "x");

    // A new file gets the usual mode from the umask, not mkstemp's private 0600.
    const mode_t mask = ::umask(022);
    save(dir / "fresh.gif", "y");
    ::umask(mask);
    EXPECT_EQ(modeOf(dir / "fresh.gif"), 0644u);
}

TEST(AtomicFile, KeepsTheOwnerWherePermitted) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser may give a file away";
    TempDir dir;
    writeText(dir / "theirs.jpg", "old");
    ASSERT_EQ(::chown((dir / "theirs.jpg").c_str(), UnprivilegedId, UnprivilegedId), 0);
    save(dir / "theirs.jpg", "new");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "theirs.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, UnprivilegedId);
    EXPECT_EQ(info.st_gid, UnprivilegedId);
}

TEST(AtomicFile, TheTemporaryFileNeverReusesAnExistingNameOrLink) {
    TempDir dir;
    writeText(dir / "victim", "precious");
    writeText(dir / "out.jpg", "old");
    // Names a fixed-name scheme would have used, planted beforehand.
    fs::create_symlink(dir / "victim", dir / "out.jpg.tmp~");
    writeText(dir / "out.jpg~", "someone's file");
    save(dir / "out.jpg", "new");
    EXPECT_EQ(readText(dir / "out.jpg"), "new");
    EXPECT_EQ(readText(dir / "victim"), "precious");
    EXPECT_TRUE(fs::is_symlink(dir / "out.jpg.tmp~"));
    EXPECT_EQ(readText(dir / "out.jpg~"), "someone's file");
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"out.jpg", "out.jpg.tmp~", "out.jpg~", "victim"}));

    // Without commit nothing changes and the temporary file is gone.
    {
        AtomicFile file(dir / "out.jpg");
        file.write(bytesOf("half"));
    }
    EXPECT_EQ(readText(dir / "out.jpg"), "new");
    EXPECT_EQ(namesIn(dir.path()).size(), 4u);
}

TEST(AtomicFile, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    TempDir dir;
    writeText(dir / "open.pfo", "a long previous content");
    writeText(dir / "locked.pfo", "locked");
    ::chmod((dir / "locked.pfo").c_str(), 0444);
    giveToUnprivileged(dir / "open.pfo");
    giveToUnprivileged(dir / "locked.pfo");
    giveToUnprivileged(dir.path());
    ::chmod(dir.path().c_str(), 0555);

    std::string result = runUnprivileged([&]() -> std::string {
        try {
            AtomicFile file(dir / "open.pfo");
            if (!file.inPlace())
                return "the folder took a temporary file";
            file.write(bytesOf("short"));
            file.commit();
        } catch (const EString& e) {
            return std::string("in place: ") + e.what();
        }
        if (readText(dir / "open.pfo") != "short")
            return "in place: the old tail stayed: " + readText(dir / "open.pfo");
        // A file that is not writable, and a new file, still fail.
        for (const char* name : {"locked.pfo", "new.pfo"}) {
            try {
                save(dir / name, "x");
                return std::string(name) + " was written";
            } catch (const EFileError& e) {
                if (std::string(e.what()) != "The file could not be accessed.")
                    return std::string(name) + ": " + e.what();
            }
        }
        return {};
    });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(result, "");
    EXPECT_EQ(readText(dir / "locked.pfo"), "locked");
    EXPECT_FALSE(fs::exists(dir / "new.pfo"));
}

TEST(AtomicFile, FailuresCarryTheirCause) {
    TempDir dir;
    try {
        save(dir / "missing" / "x.gif", "x");
        FAIL() << "a missing folder was accepted";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "All or part of the path is invalid.");
        EXPECT_EQ(e.Errno(), ENOTDIR);
    }
    EXPECT_THROW(save(dir.path(), "x"), EFileError);
}

TEST(AtomicFile, APipeIsWrittenIntoAndNeverReplacedByAFile) {
    TempDir dir;
    const fs::path fifo = dir / "out.ppm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reader is there before the save opens the pipe; the contents fit its buffer.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    {
        AtomicFile file(fifo);
        EXPECT_TRUE(file.direct());
        file.write(bytesOf("through the pipe"));
        file.commit();
    }
    char got[64] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    EXPECT_EQ(std::string(got, std::size_t(std::max<ssize_t>(n, 0))), "through the pipe");
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.ppm"});

    // A link to the pipe reaches it the same way.
    fs::create_symlink("out.ppm", dir / "link.ppm");
    const int again = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(again, 0);
    save(dir / "link.ppm", "linked");
    const ssize_t m = ::read(again, got, sizeof got);
    ::close(again);
    EXPECT_EQ(std::string(got, std::size_t(std::max<ssize_t>(m, 0))), "linked");
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

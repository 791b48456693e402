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

// A read-only folder holding files the unprivileged user may write, and a cache folder of
// that user's own (XDG_CACHE_HOME) for the copies of files rewritten in place.
struct ReadOnlyFolder {
    TempDir dir;
    TempDir cache;
    explicit ReadOnlyFolder(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, text] : files) {
            writeText(dir / name, text);
            giveToUnprivileged(dir / name);
        }
        giveToUnprivileged(dir.path());
        giveToUnprivileged(cache.path());
        ::chmod(dir.path().c_str(), 0555);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    ~ReadOnlyFolder() { ::chmod(dir.path().c_str(), 0755); }
    fs::path copyFolder() const { return cache.path() / "pixelon"; }
    // In the unprivileged child: the copies go to this test's cache folder.
    void useCache() const { ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1); }
};

TEST(AtomicFile, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    ReadOnlyFolder folder({{"open.pfo", "a long previous content"}, {"locked.pfo", "locked"}});
    TempDir& dir = folder.dir;
    ::chmod((dir / "locked.pfo").c_str(), 0444);

    std::string result = runUnprivileged([&]() -> std::string {
        folder.useCache();
        try {
            AtomicFile file(dir / "open.pfo");
            if (!file.inPlace())
                return "the folder took a temporary file";
            // A whole copy of the previous file is kept, named after it, before any write.
            if (file.keptCopy() != folder.copyFolder() / "open.pfo" ||
                readText(file.keptCopy()) != "a long previous content")
                return "no whole copy was kept: " + file.keptCopy().string();
            file.write(bytesOf("short"));
            file.commit();
            if (fs::exists(folder.copyFolder() / "open.pfo"))
                return "the copy stayed after a good save";
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
    EXPECT_EQ(result, "");
    EXPECT_EQ(readText(dir / "locked.pfo"), "locked");
    EXPECT_FALSE(fs::exists(dir / "new.pfo"));
    EXPECT_TRUE(namesIn(folder.copyFolder()).empty());
}

TEST(AtomicFile, AFailedInPlaceSavePutsThePreviousFileBack) {
    ReadOnlyFolder folder({{"a.pfo", "the previous contents of a"}, {"b.pfo", "previous b"}});
    TempDir& dir = folder.dir;
    std::string result = runUnprivileged([&]() -> std::string {
        folder.useCache();
        // Given up halfway, as a writer that throws does: the old contents come back whole.
        {
            AtomicFile file(dir / "a.pfo");
            file.write(bytesOf("NEW"));
        }
        if (readText(dir / "a.pfo") != "the previous contents of a")
            return "not put back: " + readText(dir / "a.pfo");
        if (!AtomicFile::takeKeptCopyNote().empty() || fs::exists(folder.copyFolder() / "a.pfo"))
            return "the copy stayed after it was put back";
        // When even that fails, the copy stays and the failure says where it is.
        fs::path kept;
        {
            AtomicFile file(dir / "b.pfo");
            kept = file.keptCopy();
            file.write(bytesOf("a much longer new contents"));
            ::chmod(kept.c_str(), 0); // the copy can no longer be read back
        }
        ::chmod(kept.c_str(), 0600);
        const std::string note = AtomicFile::takeKeptCopyNote();
        if (note != "\nA whole copy of the previous file is kept in " + kept.string())
            return "note: " + note;
        if (readText(kept) != "previous b")
            return "the kept copy is not whole";
        return {};
    });
    EXPECT_EQ(result, "");
}

TEST(AtomicFile, NoInPlaceRewriteWithoutACopy) {
    ReadOnlyFolder folder({{std::string("a.pfo"), std::string("precious")}});
    // A cache folder the user may not write: the save is refused and the file stays.
    ::chmod(folder.cache.path().c_str(), 0500);
    std::string result = runUnprivileged([&]() -> std::string {
        folder.useCache();
        try {
            save(folder.dir / "a.pfo", "new");
            return "written without a copy";
        } catch (const EFileError& e) {
            const std::string expected =
                "The file could not be accessed.\nThe folder refuses new files and no copy of "
                "the previous file could be kept in " +
                folder.copyFolder().string() + ", so it was not rewritten in place.";
            return e.what() == expected ? std::string() : std::string(e.what());
        }
    });
    ::chmod(folder.cache.path().c_str(), 0700);
    EXPECT_EQ(result, "");
    EXPECT_EQ(readText(folder.dir / "a.pfo"), "precious");
}

TEST(AtomicFile, DevicesAndFifosAreWrittenDirectlyAndFoldersRefused) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    // A reader is waiting, so opening the FIFO for writing does not block.
    const int reader = ::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        AtomicFile file(dir / "pipe");
        EXPECT_TRUE(file.direct());
        file.write(bytesOf("through the pipe"));
        file.commit();
    }
    char buffer[64] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
    EXPECT_EQ(std::string(buffer), "through the pipe");
    ::close(reader);
    struct stat info {};
    ASSERT_EQ(::lstat((dir / "pipe").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"pipe"});

    // A link to a device is written through to it. Run without superuser rights, so that a
    // faulty save could never replace the system's device.
    fs::create_symlink("/dev/null", dir / "null");
    giveToUnprivileged(dir.path());
    EXPECT_EQ(runUnprivileged([&]() -> std::string {
                  try {
                      save(dir / "null", "gone");
                  } catch (const EString& e) {
                      return e.what();
                  }
                  return {};
              }),
              "");
    EXPECT_TRUE(fs::is_symlink(dir / "null"));
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    fs::create_directory(dir / "folder");
    try {
        save(dir / "folder", "x");
        ADD_FAILURE() << "a folder was written";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "All or part of the path is invalid.");
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
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

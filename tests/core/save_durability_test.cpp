// What a real save through the command line leaves behind when it is killed, when the disk
// fills up, and which system calls make it durable: for the usual path (a temporary file
// renamed over the old one) and for the in-place path (a read-only folder, a writable file),
// which runs as an unprivileged user because the superuser may write any folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>

#include "PortfolioTestUtil.h"
#include "tests/support/PixelonProgram.h"
#include "tests/support/SpawnedProgram.h"

using namespace pixelon;
using namespace pixelon::test;
namespace fs = std::filesystem;

namespace {

// A portfolio of `count` 64 x 64 colour pictures from `firstId` on: about 32 KB of text each.
void writeColourPortfolio(const fs::path& path, int firstId, int count) {
    CPortfolio folio;
    folio.m_strName = "Colours";
    for (int i = 0; i < count; ++i) {
        auto p = std::make_unique<CPicture>();
        p->Create(64, 64, firstId + i);
        p->m_nDepth = 16;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                p->SetPixel(x, y, std::uint16_t(x * 977 + y * 31 + i * 7));
        folio.m_pictures.push_back(std::move(p));
    }
    RecordingFeedback feedback;
    ASSERT_TRUE(folio.WriteFile(path, feedback));
}

// The file without its fourth line (the time of writing), so two writes compare equal.
std::string withoutTime(const std::string& text) {
    std::size_t start = 0;
    for (int line = 0; line < 3; ++line) {
        start = text.find('\n', start);
        if (start == std::string::npos)
            return text;
        ++start;
    }
    const std::size_t end = text.find('\n', start);
    return end == std::string::npos ? text : text.substr(0, start) + text.substr(end + 1);
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    return files;
}

// The scene of one save: `target.pfo` (a copy of big.pfo, 6 MB) to be replaced by the merge
// of big.pfo and small.pfo, in a folder that is read-only for the in-place path; the cache
// folder (XDG_CACHE_HOME) where the in-place path keeps its copy.
class SaveScene : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = builtPixelon();
        if (m_program.empty())
            GTEST_SKIP() << "pixelon is not built";
        // Pictures before every one of big.pfo, so the new file differs from its first lines.
        writeColourPortfolio(dir / "big.pfo", 0x100, 200);
        writeColourPortfolio(dir / "small.pfo", 0x10, 3);
        m_old = readText(dir / "big.pfo");
        giveToUnprivileged(cache.path());
    }
    void TearDown() override { ::chmod(dir.path().c_str(), 0755); }

    void resetTarget(bool inPlace) {
        ::chmod(dir.path().c_str(), 0755);
        writeText(dir / "target.pfo", m_old);
        for (const fs::path& f : filesIn(cache.path()))
            fs::remove(f);
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().starts_with(".target.pfo."))
                fs::remove(entry.path());
        // The program's output files exist before the folder becomes read-only.
        writeText(dir / "out.txt", "");
        writeText(dir / "err.txt", "");
        if (inPlace) {
            giveToUnprivileged(dir / "target.pfo");
            giveToUnprivileged(dir.path());
            ::chmod(dir.path().c_str(), 0555);
        }
    }
    SpawnOptions options(bool inPlace) const {
        SpawnOptions o{dir.path(), {}};
        o.environment = {{"XDG_CACHE_HOME", cache.path().string()}};
        o.unprivileged = inPlace;
        return o;
    }
    pid_t startMerge(const SpawnOptions& o) {
        return spawnProgram({m_program, "merge", "big.pfo", "small.pfo", "-o", "target.pfo"}, o);
    }
    // Whether some file of the cache folder holds the whole old file.
    bool oldKeptInCache() const {
        for (const fs::path& f : filesIn(cache.path()))
            if (readText(f) == m_old)
                return true;
        return false;
    }

    TempDir dir;
    TempDir cache;
    std::string m_program;
    std::string m_old;
};

} // namespace

// Kills the save at moments spread over the time it writes (from the first byte that reaches
// the disk to its end). Afterwards the file is the old one or the new one; when it is neither
// (the in-place path, killed while writing), a whole copy of the old one is in the cache folder.
TEST_F(SaveScene, AKilledSaveNeverLeavesAMixedFileWithoutAWholeCopy) {
    using Clock = std::chrono::steady_clock;
    // The file's first bytes, which a save changes first (they name the file written).
    const std::string head = m_old.substr(0, 64);
    auto writing = [&](bool inPlace) {
        if (inPlace) {
            std::string now(head.size(), '\0');
            std::ifstream(dir / "target.pfo", std::ios::binary)
                .read(now.data(), std::streamsize(now.size()));
            return now != head;
        }
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().starts_with(".target.pfo."))
                return true;
        return false;
    };
    // Starts the save and waits until it writes; the moment, or nothing when it ended first.
    auto startAndWaitForWriting = [&](bool inPlace,
                                      pid_t& child) -> std::optional<Clock::time_point> {
        child = startMerge(options(inPlace));
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < end) {
            if (writing(inPlace))
                return Clock::now();
            if (int status = 0; ::waitpid(child, &status, WNOHANG) == child) {
                child = -1;
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return std::nullopt;
    };
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "temporary file and rename");
        resetTarget(inPlace);
        pid_t child = -1;
        const auto started = startAndWaitForWriting(inPlace, child);
        ASSERT_TRUE(started) << "the save never wrote: " << readText(dir / "err.txt");
        ASSERT_EQ(waitForChild(child), 0) << readText(dir / "err.txt");
        const auto writeTime = Clock::now() - *started;
        const std::string fresh = withoutTime(readText(dir / "target.pfo"));
        ASSERT_NE(fresh, withoutTime(m_old));
        EXPECT_TRUE(filesIn(cache.path()).empty()) << "a good save keeps no copy";

        // Most of the measured time is the final fsync, when the new contents are all written.
        constexpr int kills = 16;
        int oldFiles = 0, newFiles = 0, mixedWithCopy = 0, mixedWithoutCopy = 0;
        for (int k = 0; k < kills; ++k) {
            resetTarget(inPlace);
            const auto at = startAndWaitForWriting(inPlace, child);
            if (at) {
                std::this_thread::sleep_until(*at + writeTime * k * 2 / (3 * kills));
                ::kill(child, SIGKILL);
                waitForChild(child);
            }
            const std::string now = readText(dir / "target.pfo");
            if (now == m_old) {
                ++oldFiles;
            } else if (withoutTime(now) == fresh) {
                ++newFiles;
            } else if (oldKeptInCache()) {
                ++mixedWithCopy;
            } else {
                ++mixedWithoutCopy;
            }
        }
        std::cout << "[ KILLS    ] " << (inPlace ? "in place" : "rename") << ": " << kills
                  << " kills over " << std::chrono::duration<double>(writeTime).count()
                  << " s of writing: " << oldFiles << " old, " << newFiles << " new, "
                  << mixedWithCopy << " cut with a whole copy kept\n";
        EXPECT_EQ(mixedWithoutCopy, 0);
        if (inPlace) {
            EXPECT_GT(mixedWithCopy, 0) << "no kill met the write";
        } else {
            EXPECT_EQ(mixedWithCopy, 0);
        }
    }
}

// A disk that fills up (a file size limit, which binds the superuser too) fails the save with
// "The disk is full." and leaves the old file whole, with nothing left behind.
TEST_F(SaveScene, AFullDiskKeepsTheOldFile) {
    const auto size = static_cast<long long>(m_old.size());
    struct Case {
        bool inPlace;
        long long limit;
        std::string message;
    };
    const std::string notWritten = "pixelon: target.pfo not written\n";
    const std::string full = "target.pfo: Unable to save file.\nThe disk is full.\n" + notWritten;
    for (const Case& c : {
             Case{false, size / 2, full},
             // Room for the copy of the old file, not for the larger new one: the old contents
             // are put back and the copy removed.
             Case{true, size + 4096, full},
             // Not even room for the copy: the file is not touched.
             Case{true, size / 2,
                  "target.pfo: Unable to save file.\nThe disk is full.\nThe folder refuses new "
                  "files and no copy of the previous file could be kept in " +
                      (cache.path() / "pixelon").string() +
                      ", so it was not rewritten in place.\n" + notWritten},
         }) {
        SCOPED_TRACE(std::string(c.inPlace ? "in place, " : "rename, ") + std::to_string(c.limit));
        resetTarget(c.inPlace);
        SpawnOptions o = options(c.inPlace);
        o.fileSizeLimit = c.limit;
        EXPECT_EQ(waitForChild(startMerge(o)), 1);
        EXPECT_EQ(readText(dir / "err.txt"), c.message);
        EXPECT_TRUE(readText(dir / "target.pfo") == m_old) << "the old file was changed";
        EXPECT_TRUE(filesIn(cache.path()).empty());
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"big.pfo", "err.txt", "out.txt", "small.pfo",
                                                   "target.pfo"}));
    }

    // The other writers of the command line, each over a file it wrote before.
    resetTarget(false);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fnt", "big.pfo", "-o", "out.fnt"},
          std::vector<std::string>{"sheet", "big.pfo", "-o", "out.gif"},
          std::vector<std::string>{"sheet", "big.pfo", "-o", "out.bmp"},
          std::vector<std::string>{"dump", "big.pfo", "--id", "0x100", "-o", "out.ppm"}}) {
        SCOPED_TRACE(args[0] + " " + args.back());
        std::vector<std::string> argv{m_program};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_EQ(waitForChild(spawnProgram(argv, {dir.path(), {}})), 0)
            << readText(dir / "err.txt");
        const std::string before = readText(dir / args.back());
        SpawnOptions o{dir.path(), {}};
        o.fileSizeLimit = static_cast<long long>(before.size()) / 2;
        EXPECT_EQ(waitForChild(spawnProgram(argv, o)), 1);
        // The contact sheet names the file, as its message always does; the others the reason.
        const std::string expected =
            args[0] == "sheet" ? "Unable to save file.\n" + args.back() : "The disk is full.";
        EXPECT_NE(readText(dir / "err.txt").find(expected), std::string::npos)
            << readText(dir / "err.txt");
        EXPECT_TRUE(readText(dir / args.back()) == before);
    }
}

namespace {

// One traced system call: its name, the paths of its descriptor (from strace -y) or its
// quoted path arguments.
struct Call {
    std::string name;
    std::string fdPath;
    std::vector<std::string> paths;
};

std::vector<Call> parseTrace(const fs::path& log) {
    std::vector<Call> calls;
    std::ifstream in(log);
    static const std::regex head(R"(^\d+\s+(\w+)\((.*)$)");
    static const std::regex fd(R"(^(?:AT_FDCWD|-?\d+)<([^>]*)>)");
    static const std::regex quoted(R"re("([^"]*)")re");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, head))
            continue;
        Call call{m[1], {}, {}};
        const std::string args = m[2];
        if (std::smatch f; std::regex_search(args, f, fd))
            call.fdPath = f[1];
        for (auto it = std::sregex_iterator(args.begin(), args.end(), quoted);
             it != std::sregex_iterator(); ++it)
            call.paths.push_back((*it)[1]);
        // A failed call did nothing.
        if (line.find(" = -1 ") != std::string::npos)
            continue;
        calls.push_back(call);
    }
    return calls;
}

// Index of the first (or last) call matching, or -1.
template <class Match> int firstCall(const std::vector<Call>& calls, Match match) {
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (match(calls[i]))
            return int(i);
    return -1;
}
template <class Match> int lastCall(const std::vector<Call>& calls, Match match) {
    for (std::size_t i = calls.size(); i-- > 0;)
        if (match(calls[i]))
            return int(i);
    return -1;
}

bool isSync(const Call& c) {
    return c.name == "fsync" || c.name == "fdatasync";
}
bool isRename(const Call& c) {
    return c.name == "rename" || c.name == "renameat" || c.name == "renameat2";
}

} // namespace

// The system calls of a real save, observed by strace: the data reaches the disk before the
// new file takes the old one's place (the rename), and for the in-place path the whole copy
// of the old file reaches the disk before the file is touched, and the new contents before
// the copy is removed.
TEST_F(SaveScene, TheDataIsOnTheDiskBeforeItReplacesTheOldFile) {
    if (std::system("strace -V >/dev/null 2>&1") != 0) {
        if (std::getenv("CI"))
            FAIL() << "strace is not installed (scripts/setup-debian.sh installs it)";
        GTEST_SKIP() << "strace is not installed";
    }
    const fs::path log = cache.path().parent_path() / (cache.path().filename().string() + ".log");
    const std::string target = (fs::canonical(dir.path()) / "target.pfo").string();
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "temporary file and rename");
        resetTarget(inPlace);
        std::vector<std::string> argv{"/usr/bin/strace",
                                      "-f",
                                      "-y",
                                      "-qq",
                                      "-s",
                                      "256",
                                      "-o",
                                      log.string(),
                                      "-e",
                                      "trace=openat,write,fsync,fdatasync,rename,renameat,"
                                      "renameat2,link,linkat,unlink,unlinkat"};
        if (inPlace && ::geteuid() == 0)
            argv.insert(argv.begin() + 1, {"-u", "nobody"});
        argv.push_back(m_program);
        for (const char* a : {"merge", "big.pfo", "small.pfo", "-o", "target.pfo"})
            argv.push_back(a);
        if (::access(argv[0].c_str(), X_OK) != 0)
            argv[0] = "/bin/strace";
        SpawnOptions o = options(false); // strace itself drops root with -u
        ASSERT_EQ(waitForChild(spawnProgram(argv, o)), 0) << readText(dir / "err.txt");
        ASSERT_EQ(withoutTime(readText(dir / "target.pfo")).size() > m_old.size(), true);
        const std::vector<Call> calls = parseTrace(log);
        auto writesTo = [](const std::string& path) {
            return [path](const Call& c) { return c.name == "write" && c.fdPath == path; };
        };
        auto syncs = [](const std::string& path) {
            return [path](const Call& c) { return isSync(c) && c.fdPath == path; };
        };
        if (!inPlace) {
            const int rename = firstCall(calls, [](const Call& c) {
                return isRename(c) && c.paths.size() == 2 &&
                       fs::path(c.paths[1]).filename() == "target.pfo";
            });
            ASSERT_GE(rename, 0) << "no rename over the target";
            const std::string temporary = (fs::canonical(dir.path()) /
                                           fs::path(calls[std::size_t(rename)].paths[0]).filename())
                                              .string();
            const int lastWrite = lastCall(calls, writesTo(temporary));
            const int sync = lastCall(calls, syncs(temporary));
            ASSERT_GE(lastWrite, 0) << temporary;
            EXPECT_GT(sync, lastWrite) << "the temporary file is not synced after its last write";
            EXPECT_LT(sync, rename) << "the temporary file is renamed before it is synced";
            // The rename itself is made durable by syncing the folder.
            EXPECT_GT(lastCall(calls, syncs(fs::canonical(dir.path()).string())), rename);
        } else {
            const std::string copy = (cache.path() / "pixelon" / "target.pfo").string();
            EXPECT_LT(firstCall(calls, [](const Call& c) { return isRename(c); }), 0);
            const int named = firstCall(calls, [&](const Call& c) {
                return (c.name == "link" || c.name == "linkat" || isRename(c)) &&
                       !c.paths.empty() && c.paths.back() == copy;
            });
            ASSERT_GE(named, 0) << "no copy of the old file was kept";
            const std::string temporaryCopy =
                (cache.path() / "pixelon" / fs::path(calls[std::size_t(named)].paths[0]).filename())
                    .string();
            const int copySynced = lastCall(calls, syncs(temporaryCopy));
            const int firstWrite = firstCall(calls, writesTo(target));
            const int lastWrite = lastCall(calls, writesTo(target));
            const int synced = lastCall(calls, syncs(target));
            const int removed = firstCall(calls, [&](const Call& c) {
                return (c.name == "unlink" || c.name == "unlinkat") && !c.paths.empty() &&
                       c.paths.back() == copy;
            });
            ASSERT_GE(firstWrite, 0) << "the target was not written in place";
            EXPECT_GE(copySynced, 0) << "the copy is never synced";
            EXPECT_LT(copySynced, named) << "the copy is named before it is synced";
            EXPECT_LT(named, firstWrite) << "the target is written before the copy is whole";
            EXPECT_GT(synced, lastWrite) << "the target is not synced after its last write";
            EXPECT_GT(removed, synced) << "the copy is removed before the target is synced";
            EXPECT_FALSE(fs::exists(copy));
        }
    }
    fs::remove(log);
}

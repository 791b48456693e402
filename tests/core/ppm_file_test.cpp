// Writing and reading PPM files: new files directly, existing ones through the atomic path.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/Ppm.h"

namespace pixelon {
namespace {

namespace fs = std::filesystem;

class PpmFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("pixelon-ppmfile-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static Surface picture(int width, int height) {
        Surface s(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                s.setPixel(x, y, rgb(x * 7, y * 13, x ^ y));
        return s;
    }
    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path m_dir;
};

TEST_F(PpmFile, NewFilesAreWrittenWholeWithTheUsualMode) {
    const Surface s = picture(301, 97);
    const fs::path path = m_dir / "new.ppm";
    const mode_t mask = ::umask(022);
    cli::writePpm(path, s);
    ::umask(mask);
    EXPECT_EQ(contents(path), cli::encodePpm(s));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(cli::readPpm(path), s);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(PpmFile, ExistingFilesAndLinksAreReplaced) {
    const fs::path path = m_dir / "old.ppm";
    { std::ofstream(path) << "previous contents"; }
    cli::writePpm(path, picture(5, 4));
    EXPECT_EQ(cli::readPpm(path), picture(5, 4));

    // A link whose target does not exist yet is not written through by the direct path.
    const fs::path link = m_dir / "link.ppm";
    fs::create_symlink(m_dir / "target.ppm", link);
    cli::writePpm(link, picture(3, 2));
    EXPECT_EQ(cli::readPpm(link), picture(3, 2));
}

TEST_F(PpmFile, FailedWritesLeaveNothingBehind) {
    EXPECT_THROW(cli::writePpm(m_dir / "missing" / "x.ppm", picture(2, 2)), cli::PpmError);
    EXPECT_FALSE(fs::exists(m_dir / "missing"));

    // A write cut short (here by a file size limit, which binds root too) fails and removes
    // the part written; run in a child so the limit stays there.
    const fs::path path = m_dir / "cut.ppm";
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            cli::writePpm(path, picture(100, 100));
        } catch (const cli::PpmError&) {
            ::_exit(fs::exists(path) ? 2 : 0);
        }
        ::_exit(1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(PpmFile, ReadsWholeFilesOfAnySizeAndRefusesOthers) {
    // Larger than one read buffer, and the smallest possible one.
    for (const Surface& s : {picture(700, 300), picture(1, 1)}) {
        cli::writePpm(m_dir / "a.ppm", s);
        EXPECT_EQ(cli::readPpm(m_dir / "a.ppm"), s);
        fs::remove(m_dir / "a.ppm");
    }
    EXPECT_THROW(cli::readPpm(m_dir / "none.ppm"), cli::PpmError);
    { std::ofstream(m_dir / "empty.ppm"); }
    EXPECT_THROW(cli::readPpm(m_dir / "empty.ppm"), cli::PpmError);
    EXPECT_THROW(cli::readPpm(m_dir), cli::PpmError); // a folder

    // A pipe has no size to read at once; it is read to its end.
    const fs::path fifo = m_dir / "fifo.ppm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = cli::encodePpm(picture(200, 100));
    const pid_t child = ::fork();
    if (child == 0) {
        std::ofstream(fifo, std::ios::binary) << bytes;
        ::_exit(0);
    }
    EXPECT_EQ(cli::readPpm(fifo), picture(200, 100));
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST_F(PpmFile, EightBitRastersDecodeAsTheGeneralPathDoes) {
    // The same pixels as binary maxval 255 (the direct copy) and as plain text.
    const Surface s = picture(17, 9);
    std::string plain = "P3\n17 9\n255\n";
    for (Colour c : s.pixels())
        plain += std::to_string(redOf(c)) + " " + std::to_string(greenOf(c)) + " " +
                 std::to_string(blueOf(c)) + "\n";
    EXPECT_EQ(cli::decodePpm(cli::encodePpm(s)), cli::decodePpm(plain));
    EXPECT_EQ(cli::decodePpm(plain), s);
}

} // namespace
} // namespace pixelon

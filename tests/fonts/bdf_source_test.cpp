#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "fonts/Bdf.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

// A value in kB from /proc/self/status ("VmRSS", "VmHWM"); -1 where the system has none.
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Starts the peak resident size afresh; false where the system cannot.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

// Writes `line` again and again into the FIFO until its reader goes away.
std::thread endlessWriter(const std::filesystem::path& fifo, std::string line) {
    return std::thread([fifo, line = std::move(line)] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        std::string block;
        while (block.size() < 65536)
            block += line;
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    });
}

TEST(BdfSource, ASourceWithoutEndStopsAtTheBoundHoldingLittleMore) {
    std::signal(SIGPIPE, SIG_IGN);
    test::TempDir dir;
    const auto fifo = dir.path / "endless.bdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    constexpr std::size_t bound = std::size_t(32) << 20;
    const long before = statusKb("VmRSS");
    const bool peakKnown = before > 0 && resetPeak();

    std::thread writer = endlessWriter(fifo, "STARTCHAR\n");
    CBDF font;
    int flags = 0;
    std::string failure;
    EXPECT_FALSE(font.ParseFile(fifo, flags, {}, &failure, bound));
    writer.join();
    EXPECT_EQ(failure, "Unsupported data: a file larger than 33554432 bytes");
    EXPECT_EQ(font.GlyphCount(), 0);
    if (!peakKnown)
        GTEST_SKIP() << "no peak resident size to measure";
    // What was read is held once: not a doubled buffer beside its previous copy.
    const long grown = statusKb("VmHWM") - before;
    EXPECT_LT(grown, long(bound / 1024) * 3 / 2) << grown << " kB";
}

TEST(BdfSource, AFontFromAPipeReadsWhole) {
    std::signal(SIGPIPE, SIG_IGN);
    test::TempDir dir;
    const auto fifo = dir.path / "font.bdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // More than one read block, so the buffer is filled across several reads.
    std::string text = "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 0\n";
    for (int i = 0; i < 300000; ++i)
        text += "COMMENT padding\n";
    text += "CHARS 2\nSTARTCHAR A\nENCODING 65\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\n"
            "STARTCHAR B\nENCODING 66\nBBX 8 1 0 0\nBITMAP\n81\nENDCHAR\nENDFONT\n";
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t put =
                ::write(fd, text.data() + at, std::min<std::size_t>(4096, text.size() - at));
            if (put <= 0)
                break;
            at += std::size_t(put);
        }
        ::close(fd);
    });
    CBDF font;
    int flags = 0;
    std::string failure;
    EXPECT_TRUE(font.ParseFile(fifo, flags, {}, &failure, text.size())) << failure;
    writer.join();
    ASSERT_EQ(font.GlyphCount(), 2);
    EXPECT_EQ(font.Glyph(1)->code, 66);
    EXPECT_EQ(flags, 0);
}

} // namespace
} // namespace pixelon

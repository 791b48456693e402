#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "codec_test_util.h"
#include "tests/support/PixelonProgram.h"

namespace pixelon {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v);
    put16(b, v >> 16);
}

// A BMP whose header announces width x height at `bits` bits, followed by `rows` bytes.
Bytes bmpHeader(std::uint32_t width, std::uint32_t height, int bits, std::size_t rows) {
    Bytes b = {'B', 'M'};
    put32(b, std::uint32_t(54 + rows));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, width);
    put32(b, height);
    put16(b, 1);
    put16(b, std::uint32_t(bits));
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    b.resize(54 + rows, 0x77);
    return b;
}

// The built pixelon under a 1 GB address-space limit, so a runaway allocation fails at once
// instead of taking the machine's memory.
class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        program = test::builtPixelon();
        if (program.empty())
            GTEST_SKIP() << "pixelon not built";
    }
    int pixelon(const std::string& arguments) {
        const auto start = std::chrono::steady_clock::now();
        const int status = test::runPixelon(program, dir.path(), arguments, "ulimit -v 1000000;");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return status;
    }
    std::string err() {
        const Bytes b = test::readBytes(dir / "err.txt");
        return {b.begin(), b.end()};
    }
    std::string p(const char* name) const { return (dir / name).string(); }

    std::string program;
    test::ScratchDir dir;
    double seconds = 0;
};

// Headers announcing pictures whose rows cannot be in the file are refused before anything
// is allocated for them, by the import (which crops huge pictures) and by decode alike.
TEST_F(HostileInput, RasterHeadersAnnouncingMoreRowsThanTheFileHolds) {
    test::writeBytes(dir / "huge.bmp", bmpHeader(0x7FFFFFFF, 0x7FFFFFFF, 24, 0));
    // A WBMP of 2^31 - 1 x 2^31 - 1 in 12 bytes.
    test::writeBytes(dir / "huge.wbmp",
                     {0, 0, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x87, 0xFF, 0xFF, 0xFF, 0x7F});
    // Wide and short enough to crop, but its one row is not in the file either.
    test::writeBytes(dir / "wide.bmp", bmpHeader(100000, 2, 8, 1024 + 100));
    for (const char* name : {"huge.bmp", "huge.wbmp", "wide.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(pixelon("import " + p("f.pfo") + " " + p(name)), 1);
        EXPECT_NE(err().find("Unsupported picture size"), std::string::npos) << err();
        EXPECT_LT(seconds, 10);
        EXPECT_FALSE(std::filesystem::exists(dir / "f.pfo"));
        EXPECT_EQ(pixelon("decode " + p(name) + " -o " + p("x.ppm")), 1);
        EXPECT_NE(err().find("Unsupported picture size"), std::string::npos) << err();
        EXPECT_LT(seconds, 10);
    }

    // A file cut off inside its last row still reads: the rows before are all there.
    test::writeBytes(dir / "cut.bmp", bmpHeader(10, 2, 24, 32 + 5)); // rows of 32 bytes
    EXPECT_EQ(pixelon("decode " + p("cut.bmp") + " -o " + p("cut.ppm")), 0) << err();
    const auto back = test::readPpm(dir / "cut.ppm");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width(), 10);
    EXPECT_EQ(back->height(), 2);
}

// A short GIF announcing an image far larger than its data could fill no longer costs the
// memory and time of that size.
TEST_F(HostileInput, GifAnnouncingAnImageItsDataCannotFill) {
    Bytes g = {'G', 'I', 'F', '8', '9', 'a'};
    put16(g, 2304);
    put16(g, 11008);
    g.insert(g.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255, ','});
    put16(g, 0);
    put16(g, 0);
    put16(g, 2304);
    put16(g, 11008);
    g.insert(g.end(), {0, 2, 150});
    for (int i = 0; i < 150; ++i)
        g.push_back(std::uint8_t(i * 37 + 11));
    g.insert(g.end(), {0, ';'});
    test::writeBytes(dir / "screen.gif", g);
    EXPECT_EQ(pixelon("import " + p("f.pfo") + " " + p("screen.gif")), 1);
    EXPECT_NE(err().find("The GIF file holds no image"), std::string::npos) << err();
    EXPECT_LT(seconds, 10);
    EXPECT_EQ(pixelon("decode --list " + p("screen.gif")), 0);
    EXPECT_EQ(test::readBytes(dir / "out.txt").size(), 0u);
}

} // namespace
} // namespace pixelon

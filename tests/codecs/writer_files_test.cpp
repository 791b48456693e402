// Every picture writer replaces its file the same way: through a link to its target, keeping
// the file's mode, never through a planted temporary name, and saying "The disk is full." when
// it is.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>

#include "codec_test_util.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "codecs/JpegCodec.h"
#include "codecs/RasterFile.h"
#include "core/Picture.h"

namespace pixelon {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

CPicture samplePicture() {
    CPicture p;
    p.Create(12, 9, 1);
    p.m_nDepth = 16;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            p.SetPixel(x, y, std::uint16_t(x * 2000 + y * 37));
    return p;
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::string pixelonPath() {
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    if (!bin || !fs::exists(fs::path(bin) / "cli" / "pixelon"))
        return {};
    return (fs::path(bin) / "cli" / "pixelon").string();
}

// Runs a shell line in `dir`; the exit status, with standard error kept in err.txt.
int shell(const ScratchDir& dir, const std::string& line) {
    const std::string full =
        "cd " + dir.path().string() + " && timeout 60 sh -c '" + line + "' >out.txt 2>err.txt";
    const int status = std::system(full.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Writer {
    const char* name;
    const char* file;
    std::function<bool(const fs::path&)> write;
};

std::vector<Writer> writers(const ScratchDir& dir) {
    const CPicture picture = samplePicture();
    std::vector<Writer> list = {
        {"GIF", "p.gif",
         [picture](const fs::path& p) { return WritePictureGif(picture, p, 101, 80); }},
        {"JPEG", "p.jpg", [picture](const fs::path& p) { return WritePictureJpeg(picture, p); }},
        {"WBMP", "p.wbmp", [picture](const fs::path& p) { return WritePictureWbmp(picture, p); }},
    };
    const std::string program = pixelonPath();
    if (!program.empty()) {
        // The C source writer lives in the command line; it reads a portfolio first.
        std::ofstream(dir / "one.pfo", std::ios::binary)
            << "FONTTABLE one\nBEGIN\nGlyph\n0001\n8\n8\n80\n80\n80\n80\n80\n80\n80\n80\nEND\n";
        list.push_back({"C source", "p.c", [program, &dir](const fs::path& p) {
                            return shell(dir,
                                         program + " csource one.pfo --id 1 -o " + p.string()) == 0;
                        }});
    }
    return list;
}

TEST(WriterFiles, EveryWriterWritesThroughALinkAndKeepsA0600Mode) {
    ScratchDir dir;
    fs::create_directory(dir / "real");
    for (const Writer& w : writers(dir)) {
        SCOPED_TRACE(w.name);
        const fs::path target = dir / "real" / w.file;
        const fs::path link = dir / (std::string("link-") + w.file);
        test::writeBytes(target, {'o', 'l', 'd'});
        ::chmod(target.c_str(), 0600);
        fs::create_symlink(target, link);
        ASSERT_TRUE(w.write(link));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_GT(fs::file_size(target), 3u);
        EXPECT_EQ(modeOf(target), 0600u);
        // No temporary file is left beside the target.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator{}), 1);
        fs::remove(target);
    }
}

TEST(WriterFiles, APlantedTemporaryNameIsNeverWrittenThrough) {
    ScratchDir dir;
    test::writeBytes(dir / "victim", {'k', 'e', 'e', 'p'});
    for (const Writer& w : writers(dir)) {
        SCOPED_TRACE(w.name);
        const fs::path out = dir / w.file;
        fs::create_symlink(dir / "victim", out.string() + ".tmp~");
        test::writeBytes(out.string() + ".tmp", {'x'});
        ASSERT_TRUE(w.write(out));
        EXPECT_EQ(test::readBytes(dir / "victim"), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(fs::is_symlink(out.string() + ".tmp~"));
        EXPECT_EQ(test::readBytes(out.string() + ".tmp"), std::vector<std::uint8_t>{'x'});
        EXPECT_FALSE(fs::is_symlink(out));
    }
}

TEST(WriterFiles, EncodeSaysTheDiskIsFullAndKeepsThePreviousFile) {
    const std::string program = pixelonPath();
    if (program.empty())
        GTEST_SKIP() << "pixelon not built";
    ScratchDir dir;
    test::writePpm(dir / "in.ppm", test::testPattern(600, 600, 7, 3));
    for (const char* out : {"big.jpg", "big.gif"}) {
        SCOPED_TRACE(out);
        test::writeBytes(dir / out, {'o', 'l', 'd'});
        // A file size limit makes writes fail as a full disk does (EFBIG), without the signal.
        const int status =
            shell(dir, "trap \"\" XFSZ; ulimit -f 8; " + program + " encode in.ppm -o " + out);
        EXPECT_EQ(status, 1);
        std::vector<std::uint8_t> err = test::readBytes(dir / "err.txt");
        EXPECT_EQ(std::string(err.begin(), err.end()),
                  std::string("pixelon encode: ") + out + ": The disk is full.\n");
        EXPECT_EQ(test::readBytes(dir / out), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
}

} // namespace
} // namespace pixelon

// The size of the preview an export grabs, in the window and on the command line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "codecs/RasterFile.h"
#include "core/Picture.h"
#include "operations/PictureExport.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using test::ScratchDir;

TEST(ExportSize, TypesWithoutASizeForTheApplicationKeepThePreviewsSize) {
    const PreviewSize window{73, 39};
    // Sizes of the table win over the preview.
    EXPECT_EQ(ExportPreviewSize(3, ApplicationType::BackgroundPicture, window),
              (PreviewSize{128, 110}));
    EXPECT_EQ(ExportPreviewSize(0, ApplicationType::VistrelEms, window), (PreviewSize{96, 32}));
    // Type 14 has no row of its own; type 1 offers no Kinetto.
    EXPECT_EQ(ExportPreviewSize(14, ApplicationType::Kinetto, window), window);
    EXPECT_EQ(ExportPreviewSize(14, ApplicationType::BackgroundPicture, window), window);
    EXPECT_EQ(ExportPreviewSize(1, ApplicationType::Kinetto, window), window);
    EXPECT_EQ(ExportPreviewSize(10, ApplicationType::VistrelEms, window), window);
    // Without a window: the preview's size at start.
    EXPECT_EQ(ExportPreviewSize(14, ApplicationType::Kinetto), StartPreviewSize);

    CPicture picture;
    picture.Create(200, 150, 5);
    picture.m_nDepth = 16;
    const CPicture grabbed = PictureForExport(picture, 14, ApplicationType::Kinetto, window);
    EXPECT_EQ(grabbed.m_nWidth, 73);
    EXPECT_EQ(grabbed.m_nHeight, 39);
    // Types 12 and 13 write the picture itself, whatever the preview.
    EXPECT_EQ(PictureForExport(picture, 12, ApplicationType::Kinetto, window).m_nWidth, 200);
}

TEST(ExportSize, TheCommandLineTakesTheSizeAndReportsOnStandardOutput) {
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    if (!bin || !std::filesystem::exists(std::filesystem::path(bin) / "cli" / "pixelon"))
        GTEST_SKIP() << "pixelon not built";
    const std::string program = (std::filesystem::path(bin) / "cli" / "pixelon").string();
    ScratchDir dir;
    std::ofstream(dir / "one.pfo", std::ios::binary)
        << "FONTTABLE one\nBEGIN\nGlyph\n0001\n8\n8\n80\n80\n80\n80\n80\n80\n80\n80\nEND\n";
    auto run = [&](const std::string& args) {
        const std::string line = "cd " + dir.path().string() + " && timeout 60 " + program + " " +
                                 args + " >out.txt 2>err.txt";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto text = [&](const char* name) {
        auto bytes = test::readBytes(dir / name);
        return std::string(bytes.begin(), bytes.end());
    };
    ASSERT_EQ(run("export one.pfo --id 1 --format wbmp -o a.wbmp --phone-type 14 --size 40x30"), 0)
        << text("err.txt");
    const Surface wbmp = LoadRasterBitmap(dir / "a.wbmp");
    EXPECT_EQ(wbmp.width(), 40);
    EXPECT_EQ(wbmp.height(), 30);
    EXPECT_EQ(text("err.txt"), "");
    EXPECT_EQ(text("out.txt").rfind("Picture Saved to file:\n\n  a.wbmp  \n\n  File Size: ", 0), 0u)
        << text("out.txt");

    // The same application spellings as pixelon phone, Kinetto by default.
    ASSERT_EQ(run("export one.pfo --id 1 --format wbmp -o k.wbmp --phone-type 3"), 0);
    EXPECT_EQ(LoadRasterBitmap(dir / "k.wbmp").height(), 128);
    ASSERT_EQ(
        run("export one.pfo --id 1 --format wbmp -o b.wbmp --phone-type 3 --app-type background"),
        0);
    EXPECT_EQ(LoadRasterBitmap(dir / "b.wbmp").height(), 110);
    EXPECT_EQ(run("export one.pfo --id 1 --format wbmp -o x.wbmp --size 0x5"), 1);
    EXPECT_NE(text("err.txt").find("--size must be WxH"), std::string::npos);
    EXPECT_EQ(run("export one.pfo --id 1 --format wbmp -o x.wbmp --app-type 7"), 1);
}

} // namespace
} // namespace pixelon

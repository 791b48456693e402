#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "animation/AnimationExport.h"
#include "codecs/CSource.h"
#include "codecs/GifReader.h"
#include "core/Colours.h"
#include "core/Document.h"
#include "platform/Feedback.h"
#include "tests/animation/AnimationTestUtil.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using namespace test;

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t countOf(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

class AnimationExport : public ::testing::Test {
protected:
    void TearDown() override { CurrentMap = &DirectMap; }
    CPortfolio folio;
    RecordingFeedback feedback;
    ScratchDir dir;
};

TEST_F(AnimationExport, SizeCoversEveryFrameAtItsOffset) {
    folio.m_pictures.push_back(solidPicture(1, 20, 20, Red565));
    folio.m_pictures.push_back(solidPicture(2, 20, 20, Blue565));
    Animation a;
    EXPECT_EQ(animationSize(a, folio), (AnimationSize{0, 0}));
    a.frames = {frameOf(1, 0, 0), frameOf(2, 10, 5)};
    EXPECT_EQ(animationSize(a, folio), (AnimationSize{30, 25}));
    a.frames.push_back(frameOf(99, 500, 500)); // no such picture: no size to add
    EXPECT_EQ(animationSize(a, folio), (AnimationSize{30, 25}));
}

TEST_F(AnimationExport, SharedPictureIsWrittenOnceAndEveryFramePointsAtIt) {
    folio.m_pictures.push_back(solidPicture(0x12, 2, 1, White565));
    Animation a;
    a.name = "Blink";
    a.frames = {frameOf(0x12, 0, 0, 0, 100), frameOf(0x12, 3, 4, 1, 250),
                frameOf(0x12, 5, 6, 0, 50)};
    const std::string text = animationSourceText(a, folio, "/out/blink.c", std::time_t(0));
    EXPECT_EQ(countOf(text, "const uint8 Blink_0012_BitmapData[4] ="), 1u);
    EXPECT_EQ(countOf(text, "const Bitmap_t Blink_0012_Bitmap = "), 1u);
    const std::string tail = "\nconst Frame_t Blink_Frames[3] = \n{\n"
                             "  { &Blink_0012_Bitmap,0,0,0,100 },\n"
                             "  { &Blink_0012_Bitmap,3,4,1,250 },\n"
                             "  { &Blink_0012_Bitmap,5,6,0,50 },\n"
                             "};\n\n"
                             "const Anim_t Blink_Anim = \n{\n"
                             "  -1,-1,1,0,0,&Blink_Frames,3\n"
                             "};\n\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // Header, then the declarations comment, then one picture after a blank line.
    std::string header;
    WriteSourceHeader(header, "/out/blink.c", std::time_t(0));
    EXPECT_TRUE(text.starts_with(header));
    const std::string afterHeader = text.substr(header.size());
    EXPECT_TRUE(afterHeader.starts_with("//\n// You also need to define Frame_t and Anim_t\n"));
    EXPECT_NE(afterHeader.find("// \tuint16 framedelay;\n// } Frame_t;\n"), std::string::npos);
    EXPECT_NE(afterHeader.find("// } Anim_t;\n//\n\n\nconst uint8 Blink_0012_BitmapData[4]"),
              std::string::npos);
}

TEST_F(AnimationExport, PicturesFollowFirstUseOrderAndValuesAreWrittenAsStored) {
    folio.m_pictures.push_back(solidPicture(0xA, 1, 1, Black565));
    folio.m_pictures.push_back(solidPicture(0xB, 1, 1, White565));
    Animation a;
    a.name = "Two";
    a.loopstart = 1;
    a.loopend = 2;
    a.nrepeats = 0;
    a.loopmode = 2;
    a.clearbetweenframes = 1;
    a.frames = {frameOf(0xB), frameOf(0xA, -3, 0), frameOf(0xB)};
    const std::string text = animationSourceText(a, folio, "two.c", std::time_t(0));
    EXPECT_LT(text.find("Two_000B_BitmapData"), text.find("Two_000A_BitmapData"));
    EXPECT_NE(text.find("  { &Two_000A_Bitmap,-3,0,0,100 },\n"), std::string::npos);
    EXPECT_NE(text.find("  1,2,0,2,1,&Two_Frames,3\n"), std::string::npos);
}

TEST_F(AnimationExport, NoFramesGivesAnEmptyFrameArray) {
    Animation a;
    a.name = "Empty";
    const std::string text = animationSourceText(a, folio, "e.c", std::time_t(0));
    EXPECT_EQ(countOf(text, "_BitmapData"), 0u);
    EXPECT_NE(text.find("\nconst Frame_t Empty_Frames[0] = \n{\n};\n\nconst Anim_t Empty_Anim = "
                        "\n{\n  -1,-1,1,0,0,&Empty_Frames,0\n};\n\n"),
              std::string::npos);
}

TEST_F(AnimationExport, SourceFileHasCrLfLineEndsAndItsOwnPath) {
    folio.m_pictures.push_back(solidPicture(7, 1, 1, White565));
    Animation a;
    a.name = "One";
    a.frames = {frameOf(7)};
    ASSERT_TRUE(exportAnimationTo(a, folio, dir / "one.c", AnimationFormat::CSource, feedback));
    const std::string text = readText(dir / "one.c");
    EXPECT_EQ(countOf(text, "\n"), countOf(text, "\r\n"));
    EXPECT_NE(text.find("IMAGE SOURCE FILE - " + (dir / "one.c").string() + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(feedback.messages().empty());
}

TEST_F(AnimationExport, MissingPictureRefusesBothFormatsAndKeepsTheOldFile) {
    folio.m_pictures.push_back(solidPicture(1, 4, 4, Red565));
    Animation a;
    a.name = "Gone";
    a.frames = {frameOf(1), frameOf(77)};
    for (auto [format, file] : {std::pair{AnimationFormat::Gif, "gone.gif"},
                                std::pair{AnimationFormat::CSource, "gone.c"}}) {
        writeBytes(dir / file, {'o', 'l', 'd'});
        feedback.clear();
        EXPECT_FALSE(exportAnimationTo(a, folio, dir / file, format, feedback));
        ASSERT_EQ(feedback.messages().size(), 1u);
        EXPECT_EQ(
            feedback.messages()[0].text,
            "Cannot export animation Gone:\nits picture 00077 is no longer in the portfolio.");
        EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
        EXPECT_EQ(readBytes(dir / file), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    }
}

TEST_F(AnimationExport, UnwritableFileReportsTheCause) {
    folio.m_pictures.push_back(solidPicture(1, 4, 4, Red565));
    Animation a;
    a.name = "X";
    a.frames = {frameOf(1)};
    EXPECT_FALSE(
        exportAnimationTo(a, folio, dir / "no" / "x.c", AnimationFormat::CSource, feedback));
    EXPECT_FALSE(exportAnimationTo(a, folio, dir / "no" / "x.gif", AnimationFormat::Gif, feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    for (const auto& m : feedback.messages())
        EXPECT_TRUE(m.text.starts_with("Unable to save file.\n")) << m.text;
}

// The save dialog, scripted: remembers the request and answers with a path and a filter.
class OneAnswerChooser : public FileChooser {
public:
    std::optional<FileAnswer> answer;
    FileRequest asked;
    std::optional<FileAnswer> chooseOpen(const FileRequest&) override { return std::nullopt; }
    std::optional<FileAnswer> chooseSave(const FileRequest& request) override {
        asked = request;
        return answer;
    }
};

TEST_F(AnimationExport, CommandAsksForTheFileAndWritesTheChosenFormat) {
    folio.m_pictures.push_back(solidPicture(1, 4, 4, Red565));
    Animation a;
    a.name = "Walk";
    a.frames = {frameOf(1)};
    OneAnswerChooser chooser;
    EXPECT_FALSE(exportAnimation(a, folio, chooser, feedback)); // cancelled
    EXPECT_EQ(chooser.asked.filter, "GIF File (*.gif)|*.gif|C Source File (*.c)|*.c||");
    EXPECT_EQ(chooser.asked.defaultExt, "gif");
    EXPECT_EQ(chooser.asked.defaultName, "Walk");

    chooser.answer = FileAnswer{{(dir / "walk.c").string()}, 2, {}, {}};
    ASSERT_TRUE(exportAnimation(a, folio, chooser, feedback));
    EXPECT_TRUE(readText(dir / "walk.c").starts_with("//\r\n//\t\tIMAGE SOURCE FILE"));
    chooser.answer = FileAnswer{{(dir / "walk.gif").string()}, 1, {}, {}};
    ASSERT_TRUE(exportAnimation(a, folio, chooser, feedback));
    EXPECT_TRUE(readText(dir / "walk.gif").starts_with("GIF89a"));
}

// Two coloured frames and a third that overlaps them, over a 30 x 25 screen.
class AnimatedGifPeers : public AnimationExport {
protected:
    void SetUp() override {
        folio.m_pictures.push_back(solidPicture(1, 20, 20, Red565));
        folio.m_pictures.push_back(solidPicture(2, 20, 20, Blue565));
        folio.m_pictures.push_back(solidPicture(3, 4, 3, Green565));
        a.name = "Peers";
        a.frames = {frameOf(1, 0, 0), frameOf(2, 10, 5), frameOf(3, 2, 1)};
        ASSERT_TRUE(exportAnimationTo(a, folio, dir / "a.gif", AnimationFormat::Gif, feedback));
    }
    Animation a;
};

TEST_F(AnimatedGifPeers, ImageMagickSeesEveryFrameAtItsOffset) {
    if (!haveTool("identify") || !haveTool("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    const std::string gif = (dir / "a.gif").string();
    ASSERT_TRUE(run("identify -format \"%W %H %X %Y %w %h\\n\" " + gif + " > " +
                    (dir / "frames.txt").string()));
    EXPECT_EQ(readText(dir / "frames.txt"), "30 25 +0 +0 20 20\n"
                                            "30 25 +10 +5 20 20\n"
                                            "30 25 +2 +1 4 3\n");
    const struct {
        int index;
        Colour colour;
    } expected[] = {{0, rgb(255, 0, 0)}, {1, rgb(0, 0, 255)}, {2, rgb(0, 255, 0)}};
    for (const auto& e : expected) {
        const auto out = dir / ("f" + std::to_string(e.index) + ".ppm");
        ASSERT_TRUE(
            run("convert " + gif + "[" + std::to_string(e.index) + "] +repage " + out.string()));
        const std::optional<Surface> frame = readPpm(out);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->pixel(0, 0), e.colour);
        EXPECT_EQ(frame->pixel(frame->width() - 1, frame->height() - 1), e.colour);
    }
}

TEST_F(AnimatedGifPeers, GiflibComposesTheFramesOnTheLogicalScreen) {
    if (!haveTool("gif2rgb"))
        GTEST_SKIP() << "giflib-tools is not installed";
    ASSERT_TRUE(run("cd " + dir.path().string() + " && gif2rgb -o screen a.gif"));
    const auto r = readBytes(dir / "screen.R"), g = readBytes(dir / "screen.G"),
               b = readBytes(dir / "screen.B");
    ASSERT_EQ(r.size(), 30u * 25u); // the logical screen is the animation's size
    auto at = [&](int x, int y) {
        const std::size_t i = std::size_t(y) * 30 + std::size_t(x);
        return rgb(r[i], g[i], b[i]);
    };
    EXPECT_EQ(at(0, 0), rgb(255, 0, 0));   // first frame only
    EXPECT_EQ(at(29, 24), rgb(0, 0, 255)); // second frame, drawn over the first
    EXPECT_EQ(at(12, 6), rgb(0, 0, 255));
    EXPECT_EQ(at(2, 1), rgb(0, 255, 0)); // third frame at (2, 1)
    EXPECT_EQ(at(5, 3), rgb(0, 255, 0));
    EXPECT_EQ(at(6, 4), rgb(255, 0, 0));
}

TEST_F(AnimatedGifPeers, OwnReaderRoundTrip) {
    GifFile gif;
    ASSERT_TRUE(ReadGifFile(gif, dir / "a.gif"));
    EXPECT_EQ(gif.screenWidth, 30);
    EXPECT_EQ(gif.screenHeight, 25);
    ASSERT_EQ(gif.images.size(), 3u);
    EXPECT_EQ(gif.images[1].left, 10);
    EXPECT_EQ(gif.images[1].top, 5);
    EXPECT_EQ(CurrentMap, &CubeMap);
}

} // namespace
} // namespace pixelon

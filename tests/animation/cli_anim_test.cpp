#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Feedback.h"
#include "tests/animation/AnimationTestUtil.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using namespace test;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Outcome pixelon(const ScratchDir& dir, const std::string& args) {
    const std::string binary = std::string(PIXELON_TEST_BINARY_DIR) + "/cli/pixelon";
    const std::string command = "cd '" + dir.path().string() + "' && timeout 30 '" + binary +
                                "' anim " + args + " >stdout 2>stderr";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "stdout"), slurp(dir / "stderr")};
}

class AnimCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(PIXELON_TEST_BINARY_DIR) + "/cli/pixelon"))
            GTEST_SKIP() << "pixelon is not built";
        CPortfolio folio;
        folio.m_strName = "Cli";
        folio.m_pictures.push_back(solidPicture(1, 20, 20, Red565));
        folio.m_pictures.push_back(solidPicture(2, 20, 20, Blue565));
        Animation bounce;
        bounce.name = "Bounce";
        bounce.loopstart = 0;
        bounce.loopend = 2;
        bounce.nrepeats = 0;
        bounce.loopmode = 2;
        bounce.frames = {frameOf(1), frameOf(2, 10, 5, 1, 40), frameOf(1, 3, 3)};
        Animation broken;
        broken.name = "Broken";
        broken.frames = {frameOf(1), frameOf(321)};
        folio.m_animations = {bounce, broken};
        RecordingFeedback feedback;
        ASSERT_TRUE(folio.WriteFile(dir / "f.pfo", feedback));
    }
    ScratchDir dir;
};

TEST_F(AnimCommand, ListsAnimationsWithTheirFrames) {
    const Outcome r = pixelon(dir, "f.pfo --list");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Bounce 0 x 0 (frames need 30 x 25), loop 0..2, repeats 0, ping-pong, "
                     "clear 0, 3 frames\n"
                     "  0: 00001 at 0, 0, opaque, 100 ms\n"
                     "  1: 00002 at 10, 5, transparent, 40 ms\n"
                     "  2: 00001 at 3, 3, opaque, 100 ms\n"
                     "Broken 0 x 0 (frames need 20 x 20), loop -1..-1, repeats 1, forwards, "
                     "clear 0, 2 frames\n"
                     "  0: 00001 at 0, 0, opaque, 100 ms\n"
                     "  1: 00321 at 0, 0, opaque, 100 ms (missing)\n");
}

TEST_F(AnimCommand, PlayPrintsFrameIndicesUntilTheEndOrTheStepLimit) {
    Outcome r = pixelon(dir, "f.pfo --name Bounce --play --steps 7");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\n1\n2\n1\n0\n1\n2\n");
    r = pixelon(dir, "f.pfo --name Broken --play");
    EXPECT_EQ(r.out, "0\n1\n");
    r = pixelon(dir, "f.pfo --name Bounce --play");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1000);
}

TEST_F(AnimCommand, ExportsGifAndCSourceByExtension) {
    Outcome r = pixelon(dir, "f.pfo --name Bounce -o b.gif");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(slurp(dir / "b.gif").starts_with("GIF89a"));
    r = pixelon(dir, "f.pfo --name Bounce -o b.c");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(dir / "b.c").find("const Anim_t Bounce_Anim = \r\n"), std::string::npos);
}

TEST_F(AnimCommand, RefusalsAndMistakes) {
    Outcome r = pixelon(dir, "f.pfo --name Broken -o x.gif");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("its picture 00321 is no longer in the portfolio"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.gif"));
    r = pixelon(dir, "f.pfo --name Nope --play");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No animation named Nope"), std::string::npos) << r.err;
    EXPECT_EQ(pixelon(dir, "f.pfo --name Bounce --play -o y.gif").status, 1);
    EXPECT_EQ(pixelon(dir, "f.pfo").status, 1);
    EXPECT_EQ(pixelon(dir, "f.pfo --name Bounce --play --steps -1").status, 1);
    r = pixelon(dir, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("Usage: pixelon anim")) << r.out;
}

} // namespace
} // namespace pixelon

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "PortfolioTestUtil.h"
#include "cli/Ppm.h"

using namespace pixelon;
using namespace pixelon::test;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The built program: under $PIXELON_BINARY_DIR, else beside this test in the build tree.
std::filesystem::path pixelonBinary() {
    if (const char* binaryDir = std::getenv("PIXELON_BINARY_DIR"))
        return std::filesystem::path(binaryDir) / "cli" / "pixelon";
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path().parent_path() / "cli" / "pixelon";
}

// Runs the built pixelon with a time limit, collecting its output and exit status.
Outcome runPixelon(const TempDir& dir, const std::vector<std::string>& args) {
    std::string binary = pixelonBinary().string();
    std::string command =
        "cd " + shellQuoted(dir.path().string()) + " && timeout 30 " + shellQuoted(binary);
    for (const auto& a : args)
        command += " " + shellQuoted(a);
    command += " >" + shellQuoted((dir / "stdout").string()) + " 2>" +
               shellQuoted((dir / "stderr").string());
    Outcome run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readText(dir / "stdout");
    run.err = readText(dir / "stderr");
    return run;
}

const std::string demo = lines({"//",
                                "//\t\tFONT_DESCRIPTION:",
                                "//\t\tSay \"hi\"\tthere",
                                "//\t\tcaf\xE9 \xC3\xA9 \xED\xA0\x80",
                                "//",
                                "FONTTABLE Demo \\ one",
                                "BEGIN",
                                "ASCENT 3",
                                "ANIMATION Walk 8 9 0 1 2 2 1 1",
                                "0041 1 -2 1 50",
                                "Icon",
                                "0100",
                                "1",
                                "2",
                                "4",
                                "08",
                                "mask",
                                "01",
                                "Glyph",
                                "0041",
                                "2",
                                "2",
                                "01",
                                "02",
                                "END"},
                               "\r\n");

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(pixelonBinary()))
            GTEST_SKIP() << "pixelon is not built";
        writeText(dir / "demo.pfo", demo);
    }
    TempDir dir;
};

} // namespace

TEST_F(Cli, InfoPrintsTheMetricsPicturesAndAnimations) {
    Outcome run = runPixelon(dir, {"info", "demo.pfo"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Name: Demo \\ one\n"
                       "Ascent: 3  Weight: 400  Italic: 0  Spacing: 0  Height: 0\n"
                       "Notes:\n"
                       "  Say \"hi\"\tthere\n"
                       "  caf\xE9 \xC3\xA9 \xED\xA0\x80\n"
                       "Pictures: 2\n"
                       "  00065 Glyph    2 x 2    depth 1\n"
                       "  00256 Icon     1 x 2    depth 2\n"
                       "Animations: 1\n"
                       "  Walk 8 x 9, loop 0..1, repeats 2, mode 2, clear 1, 1 frames\n"
                       "    00065 at 1, -2, disposal 1, delay 50 ms\n");
}

TEST_F(Cli, InfoJsonIsEscapedAndHasNumericIds) {
    Outcome run = runPixelon(dir, {"info", "--json", "demo.pfo"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "{\"name\":\"Demo \\\\ one\",\"notes\":\"Say \\\"hi\\\"\\tthere\\ncaf\\u00e9 "
              "\xC3\xA9 \\u00ed\\u00a0\\u0080\\n\","
              "\"ascent\":3,\"weight\":400,\"italic\":0,\"spacing\":0,\"height\":0,"
              "\"pictures\":[{\"id\":65,\"type\":\"Glyph\",\"width\":2,\"height\":2,\"depth\":1,"
              "\"masked\":false},{\"id\":256,\"type\":\"Icon\",\"width\":1,\"height\":2,"
              "\"depth\":2,\"masked\":true}],"
              "\"animations\":[{\"name\":\"Walk\",\"width\":8,\"height\":9,\"loopstart\":0,"
              "\"loopend\":1,\"nrepeats\":2,\"loopmode\":2,\"clearbetweenframes\":1,"
              "\"frames\":[{\"id\":65,\"xoffset\":1,\"yoffset\":-2,\"disposal\":1,"
              "\"framedelay\":50}]}]}\n");
}

TEST_F(Cli, FailedReadsGoToStandardErrorWithStatusOne) {
    writeText(dir / "noend.pfo", lines({"FONTTABLE x", "BEGIN"}));
    Outcome run = runPixelon(dir, {"info", "noend.pfo"});
    EXPECT_EQ(run.status, 1);
    // The file and the line come first; the empty line after the last one is line 3.
    EXPECT_EQ(run.err, "noend.pfo:3: Unable to open file:\nUnsupported data: \"\"\n");
    EXPECT_TRUE(run.out.empty());

    run = runPixelon(dir, {"info", "missing.pfo"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "missing.pfo: Unable to open file:\nOpen file failed\n");

    // Bytes that would drive the terminal are shown escaped.
    writeText(dir / "raw.pfo", lines({"FONTTABLE x", "BEGIN", "\x1b[2J\x07\xff\\ caf\xc3\xa9"}));
    run = runPixelon(dir, {"info", "raw.pfo"});
    EXPECT_EQ(run.err,
              "raw.pfo:3: Unable to open file:\nUnsupported data: \"\\x1B[2J\\x07\\xFF\\\\ "
              "caf\xc3\xa9\"\n");

    run = runPixelon(dir, {"info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("pixelon info:"), std::string::npos) << run.err;
}

TEST_F(Cli, CopyWritesTheSameContentAndReportsFailures) {
    Outcome run = runPixelon(dir, {"copy", "demo.pfo", "copy.pfo"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = runPixelon(dir, {"copy", "copy.pfo", "again.pfo"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto a = splitCrLf(readText(dir / "copy.pfo")), b = splitCrLf(readText(dir / "again.pfo"));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 4; i < a.size(); ++i)
        EXPECT_EQ(a[i], b[i]) << "line " << i + 1;
    EXPECT_EQ(runPixelon(dir, {"info", "copy.pfo"}).out, runPixelon(dir, {"info", "demo.pfo"}).out);

    run = runPixelon(dir, {"copy", "demo.pfo", "nofolder/out.pfo"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "nofolder/out.pfo: Unable to save file.\nAll or part of the path is invalid.\n");
    run = runPixelon(dir, {"copy", "demo.pfo"});
    EXPECT_EQ(run.status, 1);
}

TEST_F(Cli, DumpPaintsThePictureOnWhite) {
    Outcome run = runPixelon(dir, {"dump", "demo.pfo", "--id", "65", "-o", "glyph.ppm"});
    ASSERT_EQ(run.status, 0) << run.err;
    Surface s = cli::readPpm(dir / "glyph.ppm");
    ASSERT_EQ(s.width(), 2);
    ASSERT_EQ(s.height(), 2);
    EXPECT_EQ(s.pixel(0, 0), rgb(0, 0, 0));
    EXPECT_EQ(s.pixel(1, 0), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(1, 1), rgb(0, 0, 0));
    EXPECT_TRUE(readText(dir / "glyph.ppm").starts_with("P6\n2 2\n255\n"));

    run = runPixelon(dir, {"dump", "demo.pfo", "--id", "0x100", "-o", "icon.ppm"});
    ASSERT_EQ(run.status, 0) << run.err;
    s = cli::readPpm(dir / "icon.ppm");
    EXPECT_EQ(s.pixel(0, 1), fromRgb565(toRgb565(colourLightGrey)));

    run = runPixelon(dir, {"dump", "demo.pfo", "--id", "7", "-o", "none.ppm"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ppm"));
    EXPECT_EQ(runPixelon(dir, {"dump", "demo.pfo", "-o", "x.ppm"}).status, 1);
    EXPECT_EQ(runPixelon(dir, {"dump", "demo.pfo", "--id", "zz", "-o", "x.ppm"}).status, 1);
}

TEST_F(Cli, DumpPaintsAPictureLargerThanCreateMakesWhole) {
    CPortfolio folio;
    folio.m_strName = "Large";
    auto p = std::make_unique<CPicture>();
    p->m_nId = 9;
    p->m_nWidth = 1300;
    p->m_nHeight = 1360;
    p->m_nDepth = 1;
    ASSERT_TRUE(p->ResizeStorage()); // all black
    folio.m_pictures.push_back(std::move(p));
    RecordingFeedback feedback;
    ASSERT_TRUE(folio.WriteFile(dir / "large.pfo", feedback));

    Outcome run = runPixelon(dir, {"dump", "large.pfo", "--id", "9", "-o", "large.ppm"});
    ASSERT_EQ(run.status, 0) << run.err;
    Surface s = cli::readPpm(dir / "large.ppm");
    ASSERT_EQ(s.width(), 1300);
    ASSERT_EQ(s.height(), 1360);
    int white = 0;
    for (Colour c : s.pixels())
        white += c != rgb(0, 0, 0);
    EXPECT_EQ(white, 0);
    EXPECT_EQ(s.pixel(1299, 1359), rgb(0, 0, 0));
}

TEST_F(Cli, EveryCommandHasHelp) {
    for (const char* command : {"info", "copy", "dump"}) {
        Outcome run = runPixelon(dir, {command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_TRUE(run.out.starts_with(std::string("Usage: pixelon ") + command)) << run.out;
    }
}

TEST(Ppm, ReadsBinaryAndPlainAndRefusesBadInput) {
    Surface s(3, 2, rgb(10, 20, 30));
    s.setPixel(2, 1, rgb(255, 0, 128));
    EXPECT_EQ(cli::decodePpm(cli::encodePpm(s)), s);

    Surface plain = cli::decodePpm("P3\n# comment\n2 1\n15\n15 0 0  0 15 7\n");
    EXPECT_EQ(plain.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(plain.pixel(1, 0), rgb(0, 255, 119));
    Surface wide = cli::decodePpm(std::string("P6 1 1 65535\n\xFF\xFF\x00\x00\x80\x00", 19));
    EXPECT_EQ(wide.pixel(0, 0), rgb(255, 0, 128));

    for (const std::string bad :
         {"", "P5\n1 1\n255\n\0", "P6\n2 2\n255\nabc", "P6\n0 1\n255\n", "P6\n99999 99999\n255\n",
          "P6\n1 1\n0\n...", "P6\n1 1\n70000\n......", "P3\n2 2\n255\n1 2 3", "P6\n1\n"})
        EXPECT_THROW(cli::decodePpm(bad), cli::PpmError) << bad;
}

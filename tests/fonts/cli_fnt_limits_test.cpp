#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/support/PixelonProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPictures.h"

namespace pixelon {
namespace {

class FntLimits : public ::testing::Test {
protected:
    void SetUp() override {
        program = test::builtPixelon();
        if (program.empty())
            GTEST_SKIP() << "pixelon not built";
    }
    void save(const char* name, std::vector<std::unique_ptr<CPicture>> pictures, int ascent = 0) {
        CPortfolio folio;
        folio.m_strName = "Big";
        folio.m_nAscent = ascent;
        folio.m_pictures = std::move(pictures);
        RecordingFeedback feedback;
        ASSERT_TRUE(folio.WriteFile(dir.path / name, feedback));
    }
    // Runs pixelon fnt on `portfolio`; the exit status, with the error text in `err`.
    int fnt(const char* portfolio, const std::string& more = "") {
        const int status = test::runPixelon(program, dir.path,
                                            "fnt " + (dir.path / portfolio).string() + " -o " +
                                                (dir.path / "f.fnt").string() + more);
        std::ifstream in(dir.path / "err.txt");
        err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return status;
    }
    std::vector<std::uint8_t> font() {
        std::ifstream in(dir.path / "f.fnt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string program, err;
    test::TempDir dir;
};

// The file's 16-bit fields (pixel height at 88, widths, ascent at 74) would wrap: the export is
// refused naming the picture, and no file is left.
TEST_F(FntLimits, RefusesWhatTheSixteenBitFieldsCannotHold) {
    std::vector<std::unique_ptr<CPicture>> tall;
    tall.push_back(sizedPicture(0x41, 4, 8));
    tall.push_back(sizedPicture(0x42, 1, 70000));
    save("tall.pfo", std::move(tall));
    EXPECT_EQ(fnt("tall.pfo"), 1);
    EXPECT_NE(err.find("Picture 00066 is 70000 pixels high; a Windows font is at most 65535 "
                       "pixels high"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("Windows FNT file not generated."), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "f.fnt"));

    // Cropped to a height the file holds, the same pictures make a font.
    ASSERT_EQ(fnt("tall.pfo", " --height 65535"), 0) << err;
    const auto f = font();
    ASSERT_GT(f.size(), 1500u);
    EXPECT_EQ(f[88] | f[89] << 8, 65535);
    EXPECT_EQ(f[68] | f[69] << 8, 65535 * 72 / 96);
    std::filesystem::remove(dir.path / "f.fnt");

    std::vector<std::unique_ptr<CPicture>> w;
    w.push_back(sizedPicture(0x43, 70000, 1));
    save("wide.pfo", std::move(w));
    EXPECT_EQ(fnt("wide.pfo"), 1);
    EXPECT_NE(err.find("Picture 00067 is 70000 pixels wide"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "f.fnt"));

    std::vector<std::unique_ptr<CPicture>> a;
    a.push_back(sizedPicture(0x44, 8, 8));
    save("ascent.pfo", std::move(a), -2);
    EXPECT_EQ(fnt("ascent.pfo"), 1);
    EXPECT_NE(err.find("The portfolio's ascent -2 is outside 0 to 65535"), std::string::npos)
        << err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "f.fnt"));
}

// A minus sign is no part of a hexadecimal code: "--range 20--2" once gave the codes 0x20 to -2.
TEST_F(FntLimits, CodeRangesRefuseASign) {
    for (const char* option : {"--range 20--2", "--range 20-0x-2", "--single 0x-41"}) {
        SCOPED_TRACE(option);
        const int status = test::runPixelon(
            program, dir.path, "bdf none.bdf " + (dir.path / "p.pfo").string() + " " + option);
        std::ifstream in(dir.path / "err.txt");
        err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        EXPECT_EQ(status, 1);
        EXPECT_NE(err.find("Not a hexadecimal code for"), std::string::npos) << err;
    }
}

} // namespace
} // namespace pixelon

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "PortfolioTestUtil.h"
#include "tests/support/Unprivileged.h"

using namespace pixelon;
using namespace pixelon::test;

namespace {

CPortfolio bigPortfolio(int pictures) {
    CPortfolio folio;
    folio.m_strName = "New";
    for (int i = 0; i < pictures; ++i) {
        auto p = std::make_unique<CPicture>();
        p->Create(64, 64, i);
        p->m_nDepth = 16;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                p->SetPixel(x, y, std::uint16_t(x * 977 + y * 31 + i));
        folio.m_pictures.push_back(std::move(p));
    }
    return folio;
}

const std::string oldFile = "//\r\nFONTTABLE Old\r\nBEGIN\r\nEND\r\n";

} // namespace

TEST(AtomicSave, AFailureHalfwayKeepsThePreviousFile) {
    TempDir dir;
    writeText(dir / "keep.pfo", oldFile);
    CPortfolio folio = bigPortfolio(3);
    folio.m_strNotes = std::string(1200, '\n');
    RecordingFeedback feedback;
    EXPECT_FALSE(folio.WriteFile(dir / "keep.pfo", feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Unable to save file.\nError: Watchdog exceeded 1000");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(readText(dir / "keep.pfo"), oldFile);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"keep.pfo"});
}

TEST(AtomicSave, ADiskThatFillsUpKeepsThePreviousFile) {
    TempDir dir;
    writeText(dir / "keep.pfo", oldFile);
    CPortfolio folio = bigPortfolio(200); // several megabytes of text
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    RecordingFeedback feedback;
    bool ok = folio.WriteFile(dir / "keep.pfo", feedback);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Unable to save file.\nThe disk is full.");
    EXPECT_EQ(readText(dir / "keep.pfo"), oldFile);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"keep.pfo"});
}

TEST(AtomicSave, APictureWithoutStorageFailsTheSaveInsteadOfCrashing) {
    TempDir dir;
    writeText(dir / "keep.pfo", oldFile);
    CPortfolio folio = bigPortfolio(2);
    folio.Picture(1).m_nHeight = 65; // size changed without ResizeStorage
    RecordingFeedback feedback;
    EXPECT_FALSE(folio.WriteFile(dir / "keep.pfo", feedback));
    EXPECT_EQ(feedback.messages()[0].text,
              "Unable to save file.\nGlyph data error: picture 0001 has no pixel data for 64 x 65");
    EXPECT_EQ(readText(dir / "keep.pfo"), oldFile);
}

TEST(AtomicSave, AMissingFolderIsAnInvalidPath) {
    TempDir dir;
    CPortfolio folio = bigPortfolio(1);
    RecordingFeedback feedback;
    EXPECT_FALSE(folio.WriteFile(dir / "gone" / "x.pfo", feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Unable to save file.\nAll or part of the path is invalid.");
    EXPECT_TRUE(feedback.progressEvents().empty()) << "nothing was shown before the file opened";

    feedback.clear();
    EXPECT_FALSE(folio.WriteFile(dir.path(), feedback));
    EXPECT_EQ(feedback.messages()[0].text,
              "Unable to save file.\nAll or part of the path is invalid.");
}

TEST(AtomicSave, AFolderWeMayNotWriteStillSavesAWritableFileInPlace) {
    TempDir dir;
    writeText(dir / "keep.pfo", oldFile);
    giveToUnprivileged(dir / "keep.pfo");
    giveToUnprivileged(dir.path());
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    TempDir cache;
    giveToUnprivileged(cache.path());
    CPortfolio folio = bigPortfolio(1);
    std::string result = runUnprivileged([&]() -> std::string {
        ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
        RecordingFeedback feedback;
        if (!folio.WriteFile(dir / "keep.pfo", feedback))
            return feedback.messages().at(0).text;
        if (!namesIn(cache / "pixelon").empty())
            return "the copy of the old file stayed";
        CPortfolio back;
        if (!back.ReadFile(dir / "keep.pfo", feedback) || back.Count() != 1)
            return "the file does not read back";
        return {};
    });
    EXPECT_EQ(result, "");
}

TEST(AtomicSave, ASuccessfulSaveReplacesTheFileAndKeepsItsModeAndLinks) {
    TempDir dir;
    writeText(dir / "real.pfo", oldFile);
    std::filesystem::permissions(dir / "real.pfo", std::filesystem::perms(0640));
    std::filesystem::create_symlink("real.pfo", dir / "link.pfo");
    CPortfolio folio = bigPortfolio(2);
    RecordingFeedback feedback;
    ASSERT_TRUE(folio.WriteFile(dir / "link.pfo", feedback));
    EXPECT_TRUE(feedback.messages().empty());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.pfo"));
    EXPECT_EQ(std::filesystem::status(dir / "real.pfo").permissions(),
              std::filesystem::perms(0640));
    CPortfolio back;
    ASSERT_TRUE(back.ReadFile(dir / "real.pfo", feedback));
    EXPECT_EQ(back.m_strName, "New");
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Picture(1).m_pixels, folio.Picture(1).m_pixels);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.pfo", "real.pfo"}));
}

TEST(AtomicSave, OpeningAMissingFileOrAFolderFails) {
    TempDir dir;
    CPortfolio folio;
    RecordingFeedback feedback;
    EXPECT_FALSE(folio.ReadFile(dir / "none.pfo", feedback));
    EXPECT_FALSE(folio.ReadFile(dir.path(), feedback));
    ASSERT_EQ(feedback.messages().size(), 2u);
    EXPECT_EQ(feedback.messages()[0].text, "Unable to open file:\nOpen file failed");
    EXPECT_EQ(feedback.messages()[1].text, "Unable to open file:\nOpen file failed");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
}

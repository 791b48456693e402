// Reading a portfolio one picture at a time: the same pictures, header, checks and messages as
// reading it whole.

#include <gtest/gtest.h>

#include "PortfolioTestUtil.h"

using namespace pixelon;
using namespace pixelon::test;

namespace {

struct Streamed {
    bool ok = false;
    std::vector<std::unique_ptr<CPicture>> pictures;
    CPortfolio header;
    RecordingFeedback feedback;
};

// Streams `text`, keeping what the sink is given; the sink refuses the picture numbered
// `stopAt` (1-based) when it is set.
std::unique_ptr<Streamed> stream(const std::string& text, int stopAt = 0) {
    auto s = std::make_unique<Streamed>();
    LineReader reader(text);
    s->ok = s->header.StreamFrom(reader, text.size(), "mem.pfo", s->feedback,
                                 [&](std::unique_ptr<CPicture> picture) {
                                     s->pictures.push_back(std::move(picture));
                                     return int(s->pictures.size()) != stopAt;
                                 });
    return s;
}

std::string portfolioText(const std::vector<int>& ids) {
    CPortfolio folio;
    folio.m_strName = "Streamed";
    folio.m_strNotes = "First line\nSecond line\n";
    folio.m_nAscent = 7;
    folio.m_animations.push_back({});
    folio.m_animations.back().name = "Walk";
    int shade = 0;
    for (int id : ids) {
        auto p = std::make_unique<CPicture>();
        p->Create(3 + shade % 4, 2 + shade % 3, id);
        p->m_nDepth = 16;
        for (int y = 0; y < p->m_nHeight; ++y)
            for (int x = 0; x < p->m_nWidth; ++x)
                p->SetPixel(x, y, std::uint16_t(id * 977 + x * 31 + y * 2017 + shade));
        ++shade;
        folio.m_pictures.push_back(std::move(p));
    }
    return writeText(folio);
}

} // namespace

TEST(PortfolioStream, HandsOverThePicturesInFileOrderWithTheWholeReadersHeader) {
    // Out of order and with a repeated ID: the whole read sorts them, the stream does not.
    const std::string text = portfolioText({0x30, 0x10, 0x20, 0x10});
    CPortfolio whole;
    RecordingFeedback wholeFeedback;
    ASSERT_TRUE(readText(whole, text, wholeFeedback));
    const auto s = stream(text);
    ASSERT_TRUE(s->ok);
    EXPECT_TRUE(s->header.m_pictures.empty());
    EXPECT_EQ(s->header.m_strName, whole.m_strName);
    EXPECT_EQ(s->header.m_strNotes, whole.m_strNotes);
    EXPECT_EQ(s->header.m_nAscent, 7);
    ASSERT_EQ(s->header.m_animations.size(), 1u);
    EXPECT_EQ(s->header.m_animations[0].name, "Walk");
    ASSERT_EQ(s->pictures.size(), 4u);
    const int fileOrder[] = {0x30, 0x10, 0x20, 0x10};
    // Where each picture of the file is in the whole read, which keeps equal IDs in file order.
    const int sortedPosition[] = {3, 0, 2, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(s->pictures[i]->m_nId, fileOrder[i]);
        const CPicture& same = whole.Picture(sortedPosition[i]);
        EXPECT_EQ(s->pictures[i]->m_nId, same.m_nId);
        EXPECT_EQ(s->pictures[i]->m_nWidth, same.m_nWidth);
        EXPECT_EQ(s->pictures[i]->m_pixels, same.m_pixels);
    }
    EXPECT_TRUE(s->feedback.messages().empty());
    // The stream shows its own title on the reader's progress window.
    EXPECT_EQ(s->feedback.progressEvents().front(), "open Opening file...|mem.pfo");
}

TEST(PortfolioStream, AFaultLateInTheFileFailsWithTheWholeReadersMessageAndLine) {
    std::string text = portfolioText({1, 2, 3, 4, 5});
    // The last entry gets an ID the file cannot hold.
    const std::size_t last = text.rfind("\n0005\r\n");
    ASSERT_NE(last, std::string::npos);
    text.insert(last + 1, "1");
    CPortfolio whole;
    RecordingFeedback wholeFeedback;
    EXPECT_FALSE(readText(whole, text, wholeFeedback));
    const auto s = stream(text);
    EXPECT_FALSE(s->ok);
    EXPECT_EQ(s->pictures.size(), 4u) << "the pictures before the fault were handed over";
    ASSERT_EQ(s->feedback.messages().size(), 1u);
    ASSERT_EQ(wholeFeedback.messages().size(), 1u);
    EXPECT_EQ(s->feedback.messages()[0].text, wholeFeedback.messages()[0].text);
    EXPECT_EQ(s->feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_NE(whole.FailedLine(), 0u);
    EXPECT_EQ(s->header.FailedLine(), whole.FailedLine());
    EXPECT_EQ(s->feedback.progressEvents().back(), "close");

    // The pixel budget counts every picture read, kept or not: a file that claims more pixels
    // than it can describe is refused alike.
    const std::string huge = lines({"Glyph", "0001", "100000", "100000", "00", "END"});
    CPortfolio bigWhole;
    RecordingFeedback bigFeedback;
    EXPECT_FALSE(readText(bigWhole, huge, bigFeedback));
    const auto big = stream(huge);
    EXPECT_FALSE(big->ok);
    EXPECT_TRUE(big->pictures.empty());
    EXPECT_EQ(big->feedback.messages().at(0).text, bigFeedback.messages().at(0).text);
}

TEST(PortfolioStream, ASinkThatRefusesStopsTheReadingWithoutAMessage) {
    const auto s = stream(portfolioText({1, 2, 3, 4}), 2);
    EXPECT_FALSE(s->ok);
    EXPECT_EQ(s->pictures.size(), 2u);
    EXPECT_TRUE(s->feedback.messages().empty());
    EXPECT_EQ(s->feedback.progressEvents().back(), "close");
}

TEST(PortfolioStream, AFileWithoutPicturesSaysSoAsTheWholeReaderDoes) {
    const auto s = stream(lines({"FONTTABLE Empty", "BEGIN", "END"}));
    EXPECT_TRUE(s->ok);
    ASSERT_EQ(s->feedback.messages().size(), 1u);
    EXPECT_EQ(s->feedback.messages()[0].text, "This file contains no font information!");
    const auto one = stream(portfolioText({7}));
    EXPECT_TRUE(one->ok);
    EXPECT_TRUE(one->feedback.messages().empty());
}

TEST(PortfolioStream, StreamFileOpensTheFileAsReadFileDoes) {
    TempDir dir;
    writeText(dir / "a.pfo", portfolioText({4, 5}));
    CPortfolio header;
    RecordingFeedback feedback;
    int count = 0;
    const auto counting = [&](std::unique_ptr<CPicture>) { return ++count > 0; };
    EXPECT_TRUE(header.StreamFile(dir / "a.pfo", feedback, counting, "Printing..."));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(header.m_strName, "Streamed");
    EXPECT_EQ(feedback.progressEvents().front(), "open Printing...|" + (dir / "a.pfo").string());
    for (const char* bad : {"missing.pfo", "."}) {
        RecordingFeedback failed;
        EXPECT_FALSE(header.StreamFile(dir / bad, failed, counting));
        ASSERT_EQ(failed.messages().size(), 1u);
        EXPECT_EQ(failed.messages()[0].text, "Unable to open file:\nOpen file failed");
    }
}

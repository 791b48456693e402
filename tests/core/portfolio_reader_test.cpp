// What the portfolio reader refuses, and where it says the fault lies.

#include <gtest/gtest.h>

#include <regex>

#include "PortfolioTestUtil.h"

using namespace pixelon;
using namespace pixelon::test;

namespace {

struct Outcome {
    bool ok;
    std::string message;
    std::uint64_t line;
};

Outcome readBody(const std::vector<std::string>& body) {
    CPortfolio folio;
    RecordingFeedback feedback;
    const bool ok = readText(folio, lines(body), feedback);
    return {ok, feedback.messages().empty() ? "" : feedback.messages().back().text,
            folio.FailedLine()};
}

} // namespace

TEST(PortfolioReader, IdsBeyondSixteenBitsAreRefusedNotWrapped) {
    for (const char* id : {"FFFFFFFF", "1FFFF", "10000", "100000000", "-1"}) {
        SCOPED_TRACE(id);
        Outcome o = readBody({"FONTTABLE x", "BEGIN", "Glyph", id, "1", "1", "00", "END"});
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.message, std::string("Unable to open file:\nGlyph data error: the Glyph entry "
                                         "has the ID \"") +
                                 id + "\", outside 0000 to FFFF");
        EXPECT_EQ(o.line, 4u);
    }
    for (const char* id : {"FFFF", "0x0041", "0000", "-0"}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(readBody({"Image", id, "1", "1", "2", "00", "END"}).ok);
    }
    Outcome frame =
        readBody({"ANIMATION Walk 0 0 -1 -1 1 0 0 2", "0041 0 0 0 100", "1FFFF 0 0 0 100", "END"});
    EXPECT_FALSE(frame.ok);
    EXPECT_EQ(frame.message, "Unable to open file:\nAnimation data error: frame 2 of Walk has the "
                             "ID \"1FFFF\", outside 0000 to FFFF");
    EXPECT_EQ(frame.line, 3u);
}

TEST(PortfolioReader, FailuresRecordTheLineTheyStoppedAt) {
    EXPECT_EQ(readBody({"FONTTABLE x", "BEGIN", "bogus", "END"}).line, 3u);
    // A missing END fails on the empty line after the last one.
    EXPECT_EQ(readBody({"FONTTABLE x", "BEGIN", "Glyph", "0041", "1", "1", "00"}).line, 8u);
    // The line that ends a picture's data is reported as itself.
    EXPECT_EQ(readBody({"Glyph", "0041", "1", "1", "00", "bad line", "END"}).line, 6u);
    EXPECT_EQ(readBody({"FONTTABLE x", "END"}).line, 0u) << "success records nothing";
}

TEST(PortfolioReader, PicturesOfAnySizeLoadWithinTheFilesBudget) {
    // Wider than Create allows: what the editor makes.
    Outcome wide = readBody({"Glyph", "0001", "1300", "2", "END"});
    EXPECT_TRUE(wide.ok) << wide.message;
    Outcome tall = readBody({"Image", "0001", "3", "4000", "65536", "END"});
    EXPECT_TRUE(tall.ok) << tall.message;
    // Data lines raise the budget: a picture that carries its pixels always fits.
    std::vector<std::string> body = {"Glyph", "0001", "4000", "4096"};
    body.insert(body.end(), std::size_t(4000) * 512, "FF");
    body.push_back("END");
    EXPECT_TRUE(readBody(body).ok);
    body[2] = "40000";
    EXPECT_FALSE(readBody(body).ok);
}

TEST(PortfolioReader, NoWidthAndTheLargestHeightPackWithoutOverflow) {
    // No pixels, so within any budget, but a height that the count of bands of rows must not
    // overflow, at every depth and with a mask; what is read writes back the same.
    for (const char* colours : {"2", "4", "256", "65536"}) {
        SCOPED_TRACE(colours);
        CPortfolio folio;
        RecordingFeedback feedback;
        ASSERT_TRUE(readText(folio,
                             lines({"Icon", "0001", "0", "2147483647", colours, "0F", "mask", "1F",
                                    "Glyph", "0002", "0", "2147483647", "0F", "END"}),
                             feedback));
        ASSERT_EQ(folio.Count(), 2);
        EXPECT_EQ(folio.m_pictures[0]->m_nHeight, 2147483647);
        LineWriter writer;
        folio.WriteTo(writer, "tall.pfo");
        CPortfolio again;
        ASSERT_TRUE(readText(again, writer.text(), feedback));
        ASSERT_EQ(again.Count(), 2);
        EXPECT_EQ(again.m_pictures[0]->m_nHeight, 2147483647);
        EXPECT_EQ(again.m_pictures[0]->m_nWidth, 0);
    }
}

TEST(PortfolioReader, OnlyTheMarkerLineStartsTheNotes) {
    TempDir dir;
    const std::filesystem::path folder = dir / "FONT_DESCRIPTION files";
    std::filesystem::create_directory(folder);
    CPortfolio folio;
    folio.m_strName = "Notes";
    folio.m_strNotes = "one\ntwo\n";
    RecordingFeedback feedback;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(folio.WriteFile(folder / "n.pfo", feedback));
        folio = CPortfolio{};
        ASSERT_TRUE(folio.ReadFile(folder / "n.pfo", feedback));
        EXPECT_EQ(folio.m_strNotes, "one\ntwo\n") << "round " << round;
    }
    // Blanks may stand between the slashes and the marker; the word elsewhere is no marker.
    CPortfolio spaced;
    ASSERT_TRUE(readText(spaced,
                         lines({"// see FONT_DESCRIPTION below", "//   keep out",
                                "// \tFONT_DESCRIPTION", "//  kept", "FONTTABLE x", "END"}),
                         feedback));
    EXPECT_EQ(spaced.m_strNotes, "kept\n");
}

TEST(PortfolioReader, TheHeaderDateHasTheLongForm) {
    CPortfolio folio;
    folio.m_strName = "x";
    const std::string text = writeText(folio);
    const std::string line = splitCrLf(text).at(3);
    EXPECT_TRUE(std::regex_match(line, std::regex("//\t\tGENERATED BY Vistrel, Version R3B - "
                                                  "[A-Z][a-z]+day, [A-Z][a-z]+ [0-9]{2}, [0-9]{4}, "
                                                  "[0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << line;
}

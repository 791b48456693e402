#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <utime.h>

#include "OutputTestUtil.h"
#include "core/AppSettings.h"
#include "output/PrintPage.h"
#include "platform/Feedback.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

using test::addSolid;
using test::RecordingPainter;

TEST(PrintMetrics, EachResolutionGivesItsPixelSizeMarginAndPictureArea) {
    PageMetrics low = PageMetrics::ForChoice(0);
    EXPECT_DOUBLE_EQ(low.pixel, 12.5);
    EXPECT_DOUBLE_EQ(low.margin, 125);
    EXPECT_DOUBLE_EQ(low.pageWidth, 2340);
    EXPECT_EQ(low.PictureBounds(), (Rect{10, 30, 177, 250}));
    EXPECT_EQ(low.PictureGap(), 7);
    EXPECT_EQ(low.dotsPerInch, 300);

    PageMetrics high = PageMetrics::ForChoice(1);
    EXPECT_DOUBLE_EQ(high.pixel, 20);
    EXPECT_EQ(high.PictureBounds(), (Rect{12, 38, 221, 312}));
    EXPECT_EQ(high.PictureGap(), 9);

    // The same area as at 600 dpi: every length is 4/3 as many units and a pixel 4/3 as wide.
    // The top (1013.33 / 26.667) is exactly 38, though not in floating point.
    PageMetrics test = PageMetrics::ForChoice(2);
    EXPECT_NEAR(test.pixel, 26.667, 0.001);
    EXPECT_NEAR(test.pageHeight, 8666.667, 0.001);
    EXPECT_EQ(test.PictureBounds(), (Rect{12, 38, 221, 312}));
    EXPECT_EQ(test.PictureGap(), 9);
}

TEST(PrintJob, EveryResolutionBreaksPagesWhereTheExactLayoutDoes) {
    // One 200 x 62 picture a row. At 600 and 900 dpi rows start at 38, 109, 180 and the
    // fourth would end at 313, past 312; at 300 dpi rows start at 30, 99, 168 and the fourth
    // would end at 299, past 250. Three a page, so eight make three pages everywhere.
    CPortfolio portfolio;
    for (int i = 0; i < 8; ++i)
        addSolid(portfolio, i + 1, 200, 62);
    for (int choice = 0; choice < 3; ++choice) {
        SCOPED_TRACE(choice);
        PrintJob job(portfolio, choice);
        EXPECT_EQ(job.PageCount(), 3);
        EXPECT_EQ(job.PagePictures(2), (std::pair<int, int>{3, 6}));
        EXPECT_EQ(job.Layout().rects[0].top, job.Metrics().PictureBounds().top);
    }
}

TEST(PrintJob, APictureEndingExactlyOnTheBottomStaysOnItsPage) {
    // At 600 dpi the area runs from 38 to 312. The second picture starts at 38 + 100 + 9 = 147
    // and, 165 high, ends exactly on 312; one pixel taller moves it to a page of its own.
    for (int extra = 0; extra < 2; ++extra) {
        SCOPED_TRACE(extra);
        CPortfolio portfolio;
        addSolid(portfolio, 1, 200, 100);
        addSolid(portfolio, 2, 200, 165 + extra);
        PrintJob job(portfolio, 1);
        EXPECT_EQ(job.PageCount(), 1 + extra);
        EXPECT_EQ(job.Layout().rects[1].top, extra ? 38 : 147);
        RecordingPainter painter;
        RecordingFeedback feedback;
        ASSERT_TRUE(job.DrawPage(painter, 1, {}, {}, feedback));
        EXPECT_EQ(painter.of("bitmap").size(), 3u - extra); // header picture and pictures
    }
}

TEST(PrintMetrics, AStoredChoiceOutsideTheTableMeansTheFirst) {
    // The settings accept 3 on load, but there are only three choices.
    EXPECT_EQ(ValidResolutionChoice(3), 0);
    EXPECT_EQ(ValidResolutionChoice(-1), 0);
    EXPECT_EQ(ResolutionOf(3).label, "Low Res (300dpi)");
    EXPECT_EQ(ResolutionOf(2).label, "Test resolution (~900dpi)");
    CAppSettings settings;
    settings.m_nPrinterRes = 3;
    EXPECT_EQ(StoredResolutionChoice(settings), 0);
    StoreResolutionChoice(settings, 2);
    EXPECT_EQ(settings.m_nPrinterRes, 2);
}

TEST(PrintJob, PageCountIsTheNumberOfPicturesThatStartAPage) {
    CPortfolio few;
    for (int i = 0; i < 3; ++i)
        addSolid(few, i + 1, 10, 10);
    EXPECT_EQ(PrintJob(few, 1).PageCount(), 1);

    // At 600 dpi the area is 209 x 274 picture pixels: one 120 x 100 picture a row, two rows.
    CPortfolio many;
    for (int i = 0; i < 5; ++i)
        addSolid(many, i + 1, 120, 100);
    PrintJob job(many, 1);
    EXPECT_EQ(job.PageCount(), 3);
    EXPECT_EQ(job.PagePictures(1), (std::pair<int, int>{0, 2}));
    EXPECT_EQ(job.PagePictures(3), (std::pair<int, int>{4, 5}));
    EXPECT_EQ(job.PagePictures(4), (std::pair<int, int>{5, 5}));

    CPortfolio empty;
    EXPECT_EQ(PrintJob(empty, 0).PageCount(), 1); // a header page
}

TEST(PrintJob, HeaderShowsTitleDocumentDateAndNotesInTheirFonts) {
    CPortfolio portfolio;
    portfolio.m_strName = "Glyphs";
    portfolio.m_strNotes = "line one\nline\ttwo\x1b!";
    addSolid(portfolio, 65, 8, 8);
    PrintJob job(portfolio, 0); // s = 2
    RecordingPainter painter;
    RecordingFeedback feedback;
    const PageHeader header{"glyphs.pfo", {2026, 3, 4, 5, 6}};
    ASSERT_TRUE(job.DrawPage(painter, 1, header, {}, feedback));
    EXPECT_TRUE(feedback.messages().empty());

    const auto texts = painter.of("text");
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].text, "Character Bitmaps for Portfolio: Glyphs");
    EXPECT_EQ(texts[0].rect, (PageRect{125, 125, 2215, 215}));
    EXPECT_EQ(texts[0].font, (PageFont{"MS Sans Serif", 60, 600, true}));
    EXPECT_EQ(texts[1].text, "Document: glyphs.pfo");
    EXPECT_EQ(texts[2].text, "Version: 2026.03.04  05:06        Page: 1");
    EXPECT_DOUBLE_EQ(texts[2].rect.top - texts[1].rect.top, 40);
    EXPECT_EQ(texts[1].font, (PageFont{"MS Sans Serif", 45, 600, false}));
    EXPECT_EQ(texts[3].text, "Description: line one line two !");
    EXPECT_EQ(texts[4].font.height, 35); // the caption font

    const auto bitmaps = painter.of("bitmap");
    ASSERT_EQ(bitmaps.size(), 2u);
    // The header picture keeps its aspect ratio at 75 units high, under the title.
    EXPECT_DOUBLE_EQ(bitmaps[0].rect.top, 215);
    EXPECT_DOUBLE_EQ(bitmaps[0].rect.height(), 75);
    EXPECT_DOUBLE_EQ(bitmaps[0].rect.width(),
                     75.0 * HeaderPicture().width() / HeaderPicture().height());
}

TEST(PrintJob, VersionLineIsZeroWithoutAFile) {
    EXPECT_EQ(PrintJob::VersionText({}, 12), "Version: 00.00.00  00:00        Page: 12");
    EXPECT_EQ(FileStampOf("/nonexistent/portfolio.pfo").year, 0);
}

TEST(PrintJob, FileStampIsTheLocalModificationTime) {
    test::TempDir dir;
    const auto path = dir.path / "a.pfo";
    std::ofstream(path) << "x";
    std::tm local{};
    local.tm_year = 2025 - 1900;
    local.tm_mon = 6;
    local.tm_mday = 9;
    local.tm_hour = 14;
    local.tm_min = 35;
    local.tm_isdst = -1;
    const utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
    const FileStamp stamp = FileStampOf(path);
    EXPECT_EQ(PrintJob::VersionText(stamp, 1), "Version: 2025.07.09  14:35        Page: 1");
}

TEST(PrintJob, LongNotesEndWithAnEllipsisThatFits) {
    CPortfolio portfolio;
    portfolio.m_strNotes = std::string(1000, 'n');
    PrintJob job(portfolio, 1);
    RecordingPainter painter;
    RecordingFeedback feedback;
    ASSERT_TRUE(job.DrawPage(painter, 1, {}, {}, feedback));
    const auto notes = painter.of("text")[3];
    ASSERT_GE(notes.text.size(), 3u);
    EXPECT_EQ(notes.text.substr(notes.text.size() - 3), "...");
    EXPECT_LE(painter.textWidth(notes.text), notes.rect.width());
    EXPECT_GT(painter.textWidth(notes.text) + 10, notes.rect.width());
}

TEST(PrintJob, ElisionNeverSplitsAMultiByteCharacter) {
    RecordingPainter painter;
    const std::string text = "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"; // four 2-byte characters
    EXPECT_EQ(ElideText(painter, text, 80), text);
    EXPECT_EQ(ElideText(painter, text, 60), "\xc3\xa9...");
    EXPECT_EQ(ElideText(painter, text, 70), "\xc3\xa9\xc3\xa9...");
    EXPECT_EQ(ElideText(painter, text, 5), "...");
}

TEST(PrintJob, PicturesOfAPageAreMagnifiedIntoTheirCellsWithCaptions) {
    CPortfolio portfolio;
    for (int i = 0; i < 5; ++i)
        addSolid(portfolio, 100 + i, 120, 100, rgb(255, 0, 0));
    portfolio.Picture(4).SetPixel(1, 0, 0); // one black pixel on the last page
    PrintJob job(portfolio, 1);
    RecordingPainter painter;
    RecordingFeedback feedback;
    ASSERT_TRUE(job.DrawPage(painter, 3, {}, {}, feedback));
    const auto bitmaps = painter.of("bitmap");
    ASSERT_EQ(bitmaps.size(), 2u); // the header picture and picture 4
    EXPECT_EQ(bitmaps[1].rect, (PageRect{240, 760, 2640, 2760}));
    EXPECT_EQ(bitmaps[1].bitmap.width(), 120);
    EXPECT_EQ(bitmaps[1].bitmap.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(bitmaps[1].bitmap.pixel(1, 0), rgb(0, 0, 0));
    const auto caption = painter.of("text").back();
    EXPECT_EQ(caption.text, "00104");
    EXPECT_EQ(caption.align, TextAlign::Centre);
    EXPECT_EQ(caption.rect, (PageRect{240, 2786, 2640, 2930}));
    EXPECT_TRUE(painter.of("line").empty());
}

TEST(PrintJob, GridLinesOnlyWhenPrintingWithTheGridChosen) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 3, 2);
    PrintJob job(portfolio, 0);
    RecordingFeedback feedback;

    RecordingPainter printed;
    ASSERT_TRUE(job.DrawPage(printed, 1, {}, {true, true}, feedback));
    const auto lines = printed.of("line");
    ASSERT_EQ(lines.size(), 4u + 3u); // both outer edges included
    const PageRect cell = job.PictureRect(0);
    EXPECT_EQ(lines[0].rect, (PageRect{cell.left, cell.top, cell.left, cell.bottom}));
    EXPECT_DOUBLE_EQ(lines[3].rect.left, cell.right);
    EXPECT_DOUBLE_EQ(lines[1].rect.left - lines[0].rect.left, 12.5);
    EXPECT_EQ(lines[6].rect, (PageRect{cell.left, cell.bottom, cell.right, cell.bottom}));

    RecordingPainter preview;
    ASSERT_TRUE(job.DrawPage(preview, 1, {}, {false, true}, feedback));
    EXPECT_TRUE(preview.of("line").empty());
    RecordingPainter noGrid;
    ASSERT_TRUE(job.DrawPage(noGrid, 1, {}, {true, false}, feedback));
    EXPECT_TRUE(noGrid.of("line").empty());
}

TEST(PrintJob, OnlyThePartOfAPictureOnThePageIsDrawn) {
    // A 3 x 60000 picture: at 300 dpi 750,000 units tall on a page of 3250.
    CPortfolio portfolio;
    addSolid(portfolio, 1, 3, 60000, rgb(0, 0, 255));
    portfolio.Picture(0).SetPixel(2, 9, 0);
    PrintJob job(portfolio, 0);
    EXPECT_EQ(job.PageCount(), 1);
    const PageRect cell = job.PictureRect(0);
    RecordingPainter painter;
    painter.visible = {0, 0, 2480, 3508}; // an A4 page at 300 dpi
    RecordingFeedback feedback;
    ASSERT_TRUE(job.DrawPage(painter, 1, {}, {true, true}, feedback));
    const auto bitmaps = painter.of("bitmap");
    ASSERT_EQ(bitmaps.size(), 2u);
    const int rows = int(std::ceil((3508 - cell.top) / 12.5));
    EXPECT_EQ(bitmaps[1].bitmap.width(), 3);
    EXPECT_EQ(bitmaps[1].bitmap.height(), rows);
    EXPECT_EQ(bitmaps[1].rect, (PageRect{cell.left, cell.top, cell.right, cell.top + rows * 12.5}));
    EXPECT_EQ(bitmaps[1].bitmap.pixel(2, 9), rgb(0, 0, 0));
    EXPECT_EQ(bitmaps[1].bitmap.pixel(0, rows - 1), rgb(0, 0, 255));
    // Grid lines: four columns and the rows on the page, none longer than the drawn part.
    const auto lines = painter.of("line");
    EXPECT_EQ(lines.size(), 4u + std::size_t(rows) + 1);
    for (const auto& line : lines)
        EXPECT_LE(std::max(line.rect.top, line.rect.bottom), cell.top + rows * 12.5);

    // Cut at the top and the left too: only the pixels that meet the visible area.
    EXPECT_EQ(job.VisiblePixels(0, {cell.left + 13, cell.top + 25, cell.left + 20, cell.top + 50}),
              (PixelSpan{1, 2, 2, 4}));
    EXPECT_TRUE(job.VisiblePixels(0, {0, 0, cell.left, 4000}).empty());
}

TEST(PrintJob, NoFontAtAllStopsThePageWithTheMessage) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 3, 2);
    PrintJob job(portfolio, 0);
    RecordingPainter painter;
    painter.fontsAvailable = false;
    RecordingFeedback feedback;
    EXPECT_FALSE(job.DrawPage(painter, 1, {}, {}, feedback));
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text,
              "Failed to create font 'MS Sans Serif'.\nPlease load this font into your system.");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(painter.ops.empty());
}

} // namespace
} // namespace pixelon

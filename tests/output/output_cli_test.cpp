#include <gtest/gtest.h>

#include <cstdlib>

#include "OutputTestUtil.h"
#include "core/Portfolio.h"
#include "output/ContactSheet.h"
#include "output/PrintPage.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/support/PixelonCommandTest.h"

namespace pixelon {
namespace {

using test::addSolid;
using test::haveTool;
using test::readPpm;
using test::run;
using test::ScratchDir;

constexpr Colour White = rgb(255, 255, 255);
constexpr Colour Black = rgb(0, 0, 0);

// Runs the built pixelon on portfolios written by the test, and reads its files back with
// ImageMagick, netpbm and poppler.
class OutputCli : public test::PixelonCommandTest {
protected:
    void SetUp() override {
        PixelonCommandTest::SetUp();
        if (!program.empty())
            binaryDir = std::getenv("PIXELON_BINARY_DIR");
    }
    void save(CPortfolio& portfolio, const std::string& name) {
        RecordingFeedback feedback;
        ASSERT_TRUE(portfolio.WriteFile(dir / name, feedback));
    }
    // `file` converted to binary PPM by a shell pipeline that ends in `to`.
    std::optional<Surface> convert(const std::string& command) {
        if (!run(command))
            return std::nullopt;
        return readPpm(dir / "peer.ppm");
    }
    std::filesystem::path binaryDir;
};

// Checks a sheet read by a peer program: its size and one picture's pixels in its cell.
void expectSheet(const std::optional<Surface>& sheet, int width, int height, Rect frame,
                 Colour inside) {
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->width(), width);
    EXPECT_EQ(sheet->height(), height);
    EXPECT_EQ(sheet->pixel(frame.left, frame.top), Black);
    EXPECT_EQ(sheet->pixel(frame.left + 2, frame.top + 2), inside);
    EXPECT_EQ(sheet->pixel(frame.left + 11, frame.top + 11), inside);
    EXPECT_EQ(sheet->pixel(frame.left + 12, frame.top + 12), White);
}

TEST_F(OutputCli, OneBitSheetIsReadByImageMagickAndNetpbm) {
    if (!haveTool("convert") || !haveTool("giftopnm"))
        GTEST_SKIP() << "ImageMagick or netpbm missing";
    CPortfolio portfolio;
    addSolid(portfolio, 5, 10, 10, Black);
    save(portfolio, "mono.pfo");
    ASSERT_EQ(pixelon("sheet " + p("mono.pfo") + " -o " + p("mono.gif")), 0);
    const Rect frame{1, 1, 37, 37};
    expectSheet(convert("convert " + p("mono.gif") + " ppm:" + p("peer.ppm")), 38, 58, frame,
                Black);
    expectSheet(convert("giftopnm " + p("mono.gif") + " | ppmtoppm >" + p("peer.ppm")), 38, 58,
                frame, Black);
}

TEST_F(OutputCli, EightColourPicturesMakeTwoRowsInGifAndBmp) {
    if (!haveTool("convert") || !haveTool("bmptopnm"))
        GTEST_SKIP() << "ImageMagick or netpbm missing";
    CPortfolio portfolio;
    for (int i = 0; i < 8; ++i)
        addSolid(portfolio, 100 + i, 10, 10, i == 7 ? rgb(255, 0, 0) : White);
    save(portfolio, "eight.pfo");
    // The eighth picture opens the second row.
    const Rect frame{1, 59, 37, 95};
    ASSERT_EQ(pixelon("sheet " + p("eight.pfo") + " -o " + p("eight.gif")), 0);
    expectSheet(convert("convert " + p("eight.gif") + " ppm:" + p("peer.ppm")), 7 * 38, 116, frame,
                rgb(255, 0, 0));
    expectSheet(convert("giftopnm " + p("eight.gif") + " | ppmtoppm >" + p("peer.ppm")), 7 * 38,
                116, frame, rgb(255, 0, 0));
    ASSERT_EQ(pixelon("sheet " + p("eight.pfo") + " -o " + p("eight.BMP")), 0);
    expectSheet(convert("convert " + p("eight.BMP") + " ppm:" + p("peer.ppm")), 7 * 38, 116, frame,
                rgb(255, 0, 0));
    expectSheet(convert("bmptopnm " + p("eight.BMP") + " | ppmtoppm >" + p("peer.ppm")), 7 * 38,
                116, frame, rgb(255, 0, 0));
}

TEST_F(OutputCli, SheetAndPrintRefuseBadArguments) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 4, 4);
    save(portfolio, "a.pfo");
    EXPECT_EQ(pixelon("sheet " + p("a.pfo") + " -o " + p("a.tiff")), 1);
    EXPECT_EQ(pixelon("sheet " + p("missing.pfo") + " -o " + p("a.gif")), 1);
    EXPECT_EQ(pixelon("print " + p("a.pfo") + " -o " + p("a.pdf") + " --resolution 3"), 1);
    EXPECT_EQ(pixelon("sheet --help"), 0);
    EXPECT_EQ(pixelon("print --help"), 0);
}

// Page images of a printed portfolio, one PPM a page, at `dpi`.
int pageCount(const std::filesystem::path& folder) {
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".ppm" && entry.path().filename().string()[0] == 'p')
            ++pages;
    return pages;
}

// Renders every page of `pdf` at `dpi` as page-N.ppm; true when poppler rendered them all
// without a complaint (an undecodable image is only a warning on its error stream).
bool renderAllPages(const std::filesystem::path& dir, const std::string& pdf, int dpi) {
    const std::filesystem::path errors = dir / "pdftoppm.txt";
    if (!run("pdftoppm -r " + std::to_string(dpi) + " " + (dir / pdf).string() + " " +
             (dir / "page").string() + " 2>" + errors.string()))
        return false;
    return std::filesystem::file_size(errors) == 0;
}

TEST_F(OutputCli, PrintedPdfHasItsPagesAndMagnifiedPixelsInPlace) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio;
    portfolio.m_strName = "Printed";
    portfolio.m_strNotes = "Two pages of red and blue pictures";
    // At 600 dpi one 120 x 100 picture fills a row and two rows a page: three pages.
    for (int i = 0; i < 5; ++i)
        addSolid(portfolio, 200 + i, 120, 100, i == 4 ? rgb(0, 0, 255) : rgb(255, 0, 0));
    portfolio.Picture(4).SetPixel(3, 2, 0); // one black pixel
    save(portfolio, "printed.pfo");
    ASSERT_EQ(
        pixelon("print " + p("printed.pfo") + " -o " + p("printed.pdf") + " --resolution 1 --grid"),
        0);
    // Each picture is one image at its own size; poppler magnifies it without smoothing from
    // 4 page pixels a picture pixel (150 dpi gives 5).
    constexpr int dpi = 150;
    ASSERT_TRUE(renderAllPages(dir.path(), "printed.pdf", dpi));
    EXPECT_EQ(pageCount(dir.path()), 3);

    // The last page holds picture 4 alone at the layout's first place.
    const std::optional<Surface> page = readPpm(dir / "page-3.ppm");
    ASSERT_TRUE(page);
    PrintJob job(portfolio, 1);
    const PageRect r = job.PictureRect(4);
    const double toPixels = double(dpi) / 600; // the page is laid out at 600 dpi
    auto at = [&](double x, double y) { return page->pixel(int(x * toPixels), int(y * toPixels)); };
    const double c = job.Metrics().pixel;
    // The centre of picture pixel (x, y).
    auto pixelCentre = [&](int x, int y) {
        return at(r.left + (x + 0.5) * c, r.top + (y + 0.5) * c);
    };
    EXPECT_EQ(pixelCentre(3, 2), Black);
    const Colour blue = pixelCentre(10, 10);
    EXPECT_LT(redOf(blue), 40);
    EXPECT_GT(blueOf(blue), 200);
    EXPECT_EQ(at(r.left - 3 * c, r.top + 5 * c), White);

    // The header's text is real text in the file, with the page number.
    if (haveTool("pdftotext") &&
        run("pdftotext -f 3 -l 3 " + p("printed.pdf") + " " + p("page3.txt"))) {
        const std::vector<std::uint8_t> bytes = test::readBytes(dir / "page3.txt");
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("Character Bitmaps for Portfolio: Printed"), std::string::npos);
        EXPECT_NE(text.find("Document: printed.pfo"), std::string::npos);
        EXPECT_NE(text.find("Page: 3"), std::string::npos);
        EXPECT_NE(text.find("00204"), std::string::npos);
    }

    // Kept for a person to look at.
    const auto kept = binaryDir / "tests" / "output" / "printed-page-3.png";
    run("pdftoppm -r 100 -f 3 -l 3 -png -singlefile " + p("printed.pdf") + " " +
        (binaryDir / "tests" / "output" / "printed-page-3").string());
    EXPECT_TRUE(std::filesystem::exists(kept));
}

TEST_F(OutputCli, PrintedPicturesKeepTheirExactColoursAndATallOneIsCutAtThePageEdge) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio;
    // Sixteen by sixteen pixels of different colours, each exact in 5-6-5.
    addSolid(portfolio, 1, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            portfolio.Picture(0).SetPixel(x, y,
                                          std::uint16_t((x * 2 << 11) | (y * 4 << 5) | (x ^ y)));
    // Taller than a JPEG can be once magnified, and than the page by far.
    addSolid(portfolio, 2, 1, 60000, rgb(0, 0, 255));
    save(portfolio, "exact.pfo");
    ASSERT_EQ(pixelon("print " + p("exact.pfo") + " -o " + p("exact.pdf") + " --resolution 1"), 0);
    // At 150 dpi a picture pixel (20 units at 600 dpi) is 5 x 5 page pixels.
    constexpr int dpi = 150;
    ASSERT_TRUE(renderAllPages(dir.path(), "exact.pdf", dpi));
    ASSERT_EQ(pageCount(dir.path()), 1);
    const std::optional<Surface> page = readPpm(dir / "page-1.ppm");
    ASSERT_TRUE(page);
    PrintJob job(portfolio, 1);
    const double toPixels = double(dpi) / 600;
    const PageRect r = job.PictureRect(0);
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Colour expected = portfolio.Picture(0).PixelColour(x, y);
            // Every page pixel of the square but its outermost ones.
            for (int dy = 1; dy < 4; ++dy)
                for (int dx = 1; dx < 4; ++dx) {
                    const int px = int(r.left * toPixels) + x * 5 + dx;
                    const int py = int(r.top * toPixels) + y * 5 + dy;
                    wrong += page->pixel(px, py) != expected;
                }
        }
    EXPECT_EQ(wrong, 0);

    // The tall picture runs from its place to the bottom of the sheet.
    const PageRect tall = job.PictureRect(1);
    const int column = int((tall.left + 10) * toPixels);
    EXPECT_EQ(page->pixel(column, int(tall.top * toPixels) + 2), rgb(0, 0, 255));
    EXPECT_EQ(page->pixel(column, page->height() - 1), rgb(0, 0, 255));
    EXPECT_EQ(page->pixel(column + 5, page->height() - 1), White);
}

TEST_F(OutputCli, EveryResolutionPrintsTheSamePageBreaks) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio;
    for (int i = 0; i < 8; ++i)
        addSolid(portfolio, i + 1, 200, 62, rgb(255, 0, 0));
    save(portfolio, "rows.pfo");
    for (int choice = 0; choice < 3; ++choice) {
        SCOPED_TRACE(choice);
        const std::string pdf = "rows" + std::to_string(choice) + ".pdf";
        ASSERT_EQ(pixelon("print " + p("rows.pfo") + " -o " + p(pdf) + " --resolution " +
                          std::to_string(choice) + " --grid"),
                  0);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().extension() == ".ppm")
                std::filesystem::remove(entry.path());
        ASSERT_TRUE(renderAllPages(dir.path(), pdf, 30));
        EXPECT_EQ(pageCount(dir.path()), 3);
    }
}

TEST_F(OutputCli, AFailedPrintKeepsThePreviousFileAndLeavesNoTemporary) {
    CPortfolio portfolio;
    addSolid(portfolio, 1, 8, 8);
    save(portfolio, "keep.pfo");
    std::filesystem::create_directory(dir / "out");
    test::writeBytes(dir / "out" / "old.pdf", {'o', 'l', 'd'});
    // A directory is not a file to write.
    EXPECT_EQ(pixelon("print " + p("keep.pfo") + " -o " + p("out")), 1);
    EXPECT_EQ(test::readBytes(dir / "out" / "old.pdf").size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"),
                            std::filesystem::directory_iterator()),
              1);
    // A missing folder.
    EXPECT_EQ(pixelon("print " + p("keep.pfo") + " -o " + p("none/a.pdf")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
    ASSERT_EQ(pixelon("print " + p("keep.pfo") + " -o " + p("out/old.pdf")), 0);
    const std::vector<std::uint8_t> pdf = test::readBytes(dir / "out" / "old.pdf");
    ASSERT_GT(pdf.size(), 100u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(OutputCli, BmpSheetsGrowPastTheGifLimit) {
    // 1130 rows of 58 pixels: 65,540 tall. Pictures of 1 x 1 still get 32 x 32 cells.
    CPortfolio portfolio;
    for (int i = 0; i < 7 * 1130; ++i)
        addSolid(portfolio, i + 1, 1, 1, i == 7 * 1130 - 1 ? Black : White);
    save(portfolio, "long.pfo");
    EXPECT_EQ(pixelon("sheet " + p("long.pfo") + " -o " + p("long.gif")), 1);
    const std::vector<std::uint8_t> err = test::readBytes(dir / "err.txt");
    EXPECT_NE(std::string(err.begin(), err.end()).find("taller than 65535 pixels"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "long.gif"));

    ASSERT_EQ(pixelon("sheet " + p("long.pfo") + " -o " + p("long.bmp")), 0);
    const std::vector<std::uint8_t> bmp = test::readBytes(dir / "long.bmp");
    ASSERT_GT(bmp.size(), 54u);
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24);
    };
    EXPECT_EQ(u32(2), bmp.size());
    EXPECT_EQ(u32(18), 7u * 38);
    EXPECT_EQ(u32(22), 65540u);
    // netpbm reads it (ImageMagick's usual policy stops at 16K pixels a side).
    if (haveTool("bmptopnm") && haveTool("pamcut")) {
        // The last picture, black, in the last cell of the last row: the frame at
        // x = 6 * 37 + 1, y = 1 + 1129 * 58, the picture 2 pixels inside it.
        ASSERT_TRUE(run("bmptopnm " + p("long.bmp") +
                        " | pamcut -left 222 -top 65483 -width 38 -height 40 | ppmtoppm >" +
                        p("peer.ppm")));
        const std::optional<Surface> cell = readPpm(dir / "peer.ppm");
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->width(), 38);
        EXPECT_EQ(cell->pixel(1, 0), Black); // the frame
        EXPECT_EQ(cell->pixel(3, 2), Black);
        EXPECT_EQ(cell->pixel(4, 2), White);
    }
}

} // namespace
} // namespace pixelon

// pixelon print writes its PDF with the program's own writer: headers in any script must show,
// and pictures of every kind of colour must keep their exact colours on the page.

#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "core/Portfolio.h"
#include "output/PrintPage.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/support/PixelonCommandTest.h"

namespace pixelon {
namespace {

using test::haveTool;
using test::readBytes;
using test::run;

// The layout is at 600 dpi, a picture pixel 20 units; at 150 dpi that is 5 x 5 page pixels,
// which poppler magnifies without smoothing.
constexpr int Dpi = 150;
constexpr double ToPixels = Dpi / 600.0;

class PrintPdf : public test::PixelonCommandTest {
protected:
    void save(CPortfolio& portfolio, const std::string& name) {
        RecordingFeedback feedback;
        ASSERT_TRUE(portfolio.WriteFile(dir / name, feedback));
    }
    // Page `page` of `pdf` at `Dpi`, rendered by poppler with nothing on its error stream.
    std::optional<Surface> render(const std::string& pdf, int page) {
        const std::string base = "page" + std::to_string(page);
        if (!run("pdftoppm -r " + std::to_string(Dpi) + " -f " + std::to_string(page) + " -l " +
                 std::to_string(page) + " -singlefile " + p(pdf) + " " + p(base) + " 2>" +
                 p("poppler.txt")))
            return std::nullopt;
        EXPECT_EQ(readBytes(dir / "poppler.txt").size(), 0u);
        return test::readPpm(dir / (base + ".ppm"));
    }
    std::string output(const std::string& command) {
        EXPECT_TRUE(run(command + " >" + p("tool.txt")));
        const std::vector<std::uint8_t> bytes = readBytes(dir / "tool.txt");
        return {bytes.begin(), bytes.end()};
    }
};

// Dark pixels in `box` (page units at 600 dpi) of a page rendered at `Dpi`.
int inkIn(const Surface& page, const PageRect& box) {
    int ink = 0;
    for (int y = int(box.top * ToPixels); y < int(box.bottom * ToPixels); ++y)
        for (int x = int(box.left * ToPixels); x < int(box.right * ToPixels); ++x)
            ink += page.contains(x, y) && redOf(page.pixel(x, y)) < 128;
    return ink;
}

TEST_F(PrintPdf, HeadersInOtherScriptsAreDrawnNotQuestionMarks) {
    if (!haveTool("pdftoppm") || !haveTool("pdfimages") || !haveTool("pdftotext"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio;
    portfolio.m_strName = "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82\xD1\x84\xD0\xB5\xD0\xBB\xD1\x8C "
                          "\xE6\x97\xA5\xE6\x9C\xAC"; // Cyrillic and CJK
    portfolio.m_strNotes = "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8 "
                           "\xE6\xBC\xA2\xE5\xAD\x97 notes";
    test::addSolid(portfolio, 1, 10, 10, rgb(255, 0, 0));
    save(portfolio, "script.pfo");
    ASSERT_EQ(pixelon("print " + p("script.pfo") + " -o " + p("script.pdf") + " --resolution 1"),
              0);

    // Where the page model puts the two lines.
    const PrintJob job(portfolio, 1);
    test::RecordingPainter recorder;
    RecordingFeedback feedback;
    ASSERT_TRUE(job.DrawPage(recorder, 1, {"script.pfo", {}}, {true, false}, feedback));
    std::vector<PageRect> lines;
    for (const auto& op : recorder.of("text"))
        if (op.text == job.TitleText() || op.text == job.NotesText())
            lines.push_back(
                {op.rect.left, op.rect.top, op.rect.left + 1500, op.rect.top + op.font.height});
    ASSERT_EQ(lines.size(), 2u);

    const std::optional<Surface> page = render("script.pdf", 1);
    ASSERT_TRUE(page);
    for (const PageRect& line : lines)
        EXPECT_GT(inkIn(*page, line), 100) << line.left << ", " << line.top;

    // Both lines are masks drawn by the system's fonts, not text with question marks.
    const std::string images = output("pdfimages -list " + p("script.pdf"));
    int stencils = 0;
    for (std::size_t at = 0; (at = images.find(" stencil ", at)) != std::string::npos; ++at)
        ++stencils;
    EXPECT_GE(stencils, 2) << images;
    const std::string text = output("pdftotext " + p("script.pdf") + " -");
    EXPECT_EQ(text.find('?'), std::string::npos) << text;
    EXPECT_NE(text.find("Page: 1"), std::string::npos) << text;
}

// A 16-bit picture holding `values` distinct pixel values, each at least once.
std::unique_ptr<CPicture> pictureOfValues(int id, int width, int height, int values) {
    auto picture = test::solidPicture(id, width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int i = (y * width + x) % values;
            // Neighbouring values differ in every channel.
            picture->SetPixel(
                x, y, std::uint16_t(values == 65536 ? unsigned(i) * 40503u : unsigned(i) * 257u));
        }
    return picture;
}

TEST_F(PrintPdf, GreysPalettesAndFullColourKeepEveryPixelsColour) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio;
    // The phone's four greys, as a file holds them in 16 bits: a palette of 2 bits.
    auto greys = test::solidPicture(1, 120, 90, 0);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            greys->SetPixel(x, y, toRgb565(GreyMap.colours[std::size_t(x / 3 + y * y / 7) % 4]));
    portfolio.m_pictures.push_back(std::move(greys));
    // 256 colours: a palette of 8 bits, large enough to be an object of its own.
    portfolio.m_pictures.push_back(pictureOfValues(2, 80, 60, 256));
    // Every 16-bit colour: direct colour with predicted rows. Wider than the page, so its
    // right edge is cut.
    portfolio.m_pictures.push_back(pictureOfValues(3, 256, 256, 65536));
    save(portfolio, "colours.pfo");
    ASSERT_EQ(pixelon("print " + p("colours.pfo") + " -o " + p("colours.pdf") + " --resolution 1"),
              0);

    const PrintJob job(portfolio, 1);
    for (int pageNumber = 1; pageNumber <= job.PageCount(); ++pageNumber) {
        const std::optional<Surface> page = render("colours.pdf", pageNumber);
        ASSERT_TRUE(page);
        const auto [first, end] = job.PagePictures(pageNumber);
        for (int index = first; index < end; ++index) {
            const CPicture& picture = portfolio.Picture(index);
            const PageRect r = job.PictureRect(index);
            int wrong = 0, checked = 0;
            for (int y = 0; y < picture.m_nHeight; ++y)
                for (int x = 0; x < picture.m_nWidth; ++x) {
                    // The page pixel at the middle of the picture pixel's 5 x 5.
                    const int px = int(r.left * ToPixels) + x * 5 + 2;
                    const int py = int(r.top * ToPixels) + y * 5 + 2;
                    if (!page->contains(px + 2, py + 2))
                        continue;
                    ++checked;
                    wrong += page->pixel(px, py) != picture.PixelColour(x, y);
                }
            SCOPED_TRACE("picture " + std::to_string(index));
            EXPECT_EQ(wrong, 0);
            EXPECT_GT(checked, picture.m_nWidth * picture.m_nHeight / 2);
        }
    }
}

} // namespace
} // namespace pixelon

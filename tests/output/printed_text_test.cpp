// Text the standard PDF fonts cannot show is drawn as a mask. The header repeats on every page,
// so each distinct text and font must be drawn and stored once, and every page that shows it
// must name that one mask among its resources.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "output/PdfDocument.h"
#include "output/PdfPagePainter.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

// A rasterizer that counts its drawings: a mask of 10 units a byte, all ink.
class CountingRasterizer : public TextRasterizer {
public:
    double textWidth(const PageFont&, std::string_view text) override {
        return 10.0 * double(text.size());
    }
    TextMask render(const PageFont& font, std::string_view text) override {
        ++renders;
        TextMask mask;
        mask.width = int(text.size()) * 10;
        mask.height = int(font.height);
        mask.bits.assign(std::size_t((mask.width + 7) / 8 * mask.height), 0xFF);
        return mask;
    }
    int renders = 0;
};

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The resource dictionaries of the pages, in order.
std::vector<std::string> pageResources(const std::string& pdf) {
    std::vector<std::string> pages;
    const std::regex page(R"(/Type /Page /Parent[^\n]*/Resources (<<.*?>> >>))");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), page); it != std::sregex_iterator();
         ++it)
        pages.push_back((*it)[1]);
    return pages;
}

TEST(PrintedTextMasks, EachTextAndFontIsDrawnOnceAndNamedOnEveryPageThatShowsIt) {
    std::string pdf;
    CountingRasterizer rasterizer;
    {
        PdfDocument document([&](std::span<const std::uint8_t> bytes) {
            pdf.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        });
        PdfPagePainter painter(document, 300, &rasterizer);
        const PageFont title{"MS Sans Serif", 60, 600, true};
        const PageFont text{"MS Sans Serif", 45, 600, false};
        for (int page = 0; page < 3; ++page) {
            painter.StartPage();
            painter.setFont(title);
            painter.drawText({100, 100, 2000, 160}, "Портфолио", TextAlign::Left);
            painter.setFont(text);
            painter.drawText({100, 200, 2000, 245}, "Заметки", TextAlign::Left);
            // The same text in another size is another drawing.
            painter.setFont({"MS Sans Serif", 30, 600, false});
            painter.drawText({100, 300, 2000, 330}, "Заметки", TextAlign::Left);
            if (page == 1) {
                // Shown twice on one page: still one name in its resources.
                painter.drawText({100, 400, 2000, 430}, "Заметки", TextAlign::Left);
            }
            // Latin-1 text stays in the standard fonts.
            painter.drawText({100, 500, 2000, 530}, "Page: " + std::to_string(page + 1),
                             TextAlign::Left);
        }
        painter.EndPage();
        document.Finish("Портфолио", "Pixelon");
    }
    EXPECT_EQ(rasterizer.renders, 3);
    EXPECT_EQ(count(pdf, "/ImageMask true"), 3u);

    const auto pages = pageResources(pdf);
    ASSERT_EQ(pages.size(), 3u);
    const std::regex name(R"(/Im(\d+) (\d+) 0 R)");
    std::vector<std::string> first;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p);
        std::vector<std::string> names;
        for (auto it = std::sregex_iterator(pages[p].begin(), pages[p].end(), name);
             it != std::sregex_iterator(); ++it) {
            EXPECT_EQ((*it)[1], (*it)[2]);
            names.push_back((*it)[1]);
        }
        EXPECT_EQ(names.size(), 3u) << pages[p];
        if (p == 0)
            first = names;
        EXPECT_EQ(names, first) << "every page refers to the same masks";
    }

    if (!test::haveTool("pdfimages"))
        GTEST_SKIP() << "poppler-utils missing";
    test::TempDir dir;
    std::ofstream(dir.path / "masks.pdf", std::ios::binary) << pdf;
    const std::string list = (dir.path / "list.txt").string();
    ASSERT_TRUE(test::run("pdfimages -list " + (dir.path / "masks.pdf").string() + " > " + list +
                          " 2> " + (dir.path / "err.txt").string()));
    std::ifstream in(list);
    const std::string listed((std::istreambuf_iterator<char>(in)), {});
    // Three pages of three stencils each (the repeated text on page 2 is drawn twice).
    EXPECT_EQ(count(listed, "stencil"), 10u) << listed;
    EXPECT_TRUE(test::readBytes(dir.path / "err.txt").empty());
}

} // namespace
} // namespace pixelon

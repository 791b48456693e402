// Pages laid out and drawn as the pictures arrive must be the pages of the whole portfolio.

#include <gtest/gtest.h>

#include <random>

#include "OutputTestUtil.h"
#include "output/PageStream.h"
#include "platform/Feedback.h"

namespace pixelon {
namespace {

using test::RecordingPainter;

// Counts the pictures alive, so a test can see how many the stream holds.
int g_alive = 0;
class CountedPicture : public CPicture {
public:
    CountedPicture() { ++g_alive; }
    CountedPicture(const CountedPicture& other) : CPicture(other) { ++g_alive; }
    ~CountedPicture() override { --g_alive; }
};

std::unique_ptr<CPicture> picture(int id, int width, int height) {
    auto p = std::make_unique<CountedPicture>();
    // Any size a file may hold, beyond what Create makes.
    p->m_nId = id;
    p->m_nWidth = width;
    p->m_nHeight = height;
    p->ResizeStorage();
    p->m_nDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p->SetPixel(x, y, std::uint16_t(id * 131 + x * 7 + y * 977));
    return p;
}

std::unique_ptr<CPicture> copyOf(const CPicture& p) {
    return std::make_unique<CountedPicture>(static_cast<const CountedPicture&>(p));
}

// One page as drawn, in a form that compares whole.
std::string recorded(const RecordingPainter& painter) {
    std::string out;
    char number[64];
    for (const auto& op : painter.ops) {
        out += op.kind + " " + op.text + " " + op.font.family;
        for (double v :
             {op.rect.left, op.rect.top, op.rect.right, op.rect.bottom, op.font.height}) {
            std::snprintf(number, sizeof number, " %.6g", v);
            out += number;
        }
        for (int y = 0; y < op.bitmap.height(); ++y)
            for (int x = 0; x < op.bitmap.width(); ++x) {
                std::snprintf(number, sizeof number, " %06X", unsigned(op.bitmap.pixel(x, y)));
                out += number;
            }
        out += "\n";
    }
    return out;
}

// An A4 sheet in the page units of a resolution.
PageRect a4(int dotsPerInch) {
    return {0, 0, 8.27 * dotsPerInch, 11.69 * dotsPerInch};
}

struct Layout {
    const char* name;
    std::vector<PictureSize> sizes;
};

std::vector<Layout> layouts() {
    std::mt19937 random(7);
    std::vector<PictureSize> mixed;
    for (int i = 0; i < 60; ++i)
        mixed.push_back({1 + int(random() % 90), 1 + int(random() % 120)});
    std::vector<PictureSize> glyphs(300, {16, 16});
    return {
        {"none", {}},
        {"one", {{8, 8}}},
        {"glyphs, many a page", glyphs},
        {"mixed sizes", mixed},
        {"one a page", std::vector<PictureSize>(5, {128, 160})},
        {"wider and taller than the page", {{4, 4}, {400, 30}, {3, 6000}, {5, 5}, {0, 0}, {2, 2}}},
    };
}

TEST(PageStream, DrawsThePagesOfTheWholePortfolioForEveryLayoutResolutionAndGrid) {
    for (const Layout& layout : layouts()) {
        CPortfolio portfolio;
        portfolio.m_strName = "Stream";
        portfolio.m_strNotes = "Notes that are long enough to be cut at the end of the line, "
                               "so that the elided text is compared too.";
        for (std::size_t i = 0; i < layout.sizes.size(); ++i)
            portfolio.m_pictures.push_back(
                picture(int(i), layout.sizes[i].width, layout.sizes[i].height));
        for (int choice = 0; choice < 3; ++choice)
            for (bool grid : {false, true}) {
                SCOPED_TRACE(std::string(layout.name) + ", resolution " + std::to_string(choice) +
                             (grid ? ", grid" : ""));
                const PageHeader header{"stream.pfo", {2026, 12, 8, 14, 30}};
                const PageOptions options{true, grid};
                RecordingFeedback feedback;
                const PrintJob job(portfolio, choice);
                std::vector<std::string> whole;
                for (int page = 1; page <= job.PageCount(); ++page) {
                    RecordingPainter painter;
                    painter.visible = a4(job.Metrics().dotsPerInch);
                    ASSERT_TRUE(job.DrawPage(painter, page, header, options, feedback));
                    whole.push_back(recorded(painter));
                }

                std::vector<std::string> streamed;
                const int aliveBefore = g_alive;
                int mostHeld = 0;
                PageStream pages(choice, [&](int page, std::span<const PlacedPicture> placed) {
                    EXPECT_EQ(page, int(streamed.size()) + 1);
                    mostHeld = std::max(mostHeld, g_alive - aliveBefore);
                    RecordingPainter painter;
                    painter.visible = a4(job.Metrics().dotsPerInch);
                    const bool drawn =
                        DrawPrintedPage(painter, pages.Metrics(), HeadingOf(portfolio), page,
                                        placed, header, options, feedback);
                    streamed.push_back(recorded(painter));
                    return drawn;
                });
                int largestPage = 0;
                for (int page = 1; page <= job.PageCount(); ++page) {
                    const auto [first, end] = job.PagePictures(page);
                    largestPage = std::max(largestPage, end - first);
                }
                for (const auto& p : portfolio.m_pictures)
                    ASSERT_TRUE(pages.Add(copyOf(*p)));
                ASSERT_TRUE(pages.Finish());
                EXPECT_EQ(pages.PagesDone(), job.PageCount());
                EXPECT_EQ(streamed, whole);
                // A page is drawn once the first picture of the next one is in: never more.
                EXPECT_LE(mostHeld, largestPage + 1);
                EXPECT_EQ(g_alive, aliveBefore) << "every picture is released";
                EXPECT_TRUE(feedback.messages().empty());
            }
    }
}

TEST(PageStream, ARefusedPageStopsTheStream) {
    int drawn = 0;
    PageStream pages(1, [&](int, std::span<const PlacedPicture>) { return ++drawn < 2; });
    // At 600 dpi two 120 x 100 pictures fill a page.
    for (int id = 0; id < 4; ++id)
        EXPECT_TRUE(pages.Add(picture(id, 120, 100)));
    EXPECT_EQ(drawn, 1);
    EXPECT_FALSE(pages.Add(picture(4, 120, 100)));
    EXPECT_EQ(drawn, 2);
    EXPECT_FALSE(pages.Add(picture(5, 120, 100)));
    EXPECT_FALSE(pages.Finish());
    EXPECT_EQ(drawn, 2);
}

TEST(FlowCursor, PlacesPicturesOneByOneAsTheWholeLayoutDoes) {
    const std::vector<PictureSize> large{{10, 10},   {50, 20}, {5, 40},          {70, 5}, {0, 0},
                                         {200, 300}, {3, 3},   {INT_MAX / 2, 4}, {1, 1}};
    const std::vector<PictureSize> small{{16, 16}, {2, 9}, {16, 1}, {0, 0}, {12, 12}, {16, 16}};
    for (const auto* sizes : {&large, &small}) {
        const FlowLayoutResult whole = FlowLayout(*sizes, {2, 3, 100, 90}, 4, 6, true);
        EXPECT_EQ(whole.zoom, sizes == &small ? 2 : 1);
        FlowCursor cursor({2, 3, 100, 90}, 4, 6, whole.zoom);
        for (std::size_t i = 0; i < sizes->size(); ++i)
            EXPECT_EQ(cursor.Place((*sizes)[i]), whole.rects[i]) << i;
        EXPECT_EQ(cursor.UsedHeight(), whole.usedHeight);
    }
}

} // namespace
} // namespace pixelon

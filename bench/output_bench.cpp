// bench-links: output output_qt Qt6::Gui
// The printed pages of 1,000 pictures of 128 x 160 (one picture a page at 300 dpi): the page
// model alone, drawing into a painter that discards everything, and the whole PDF file; and
// one 128 x 160 bitmap encoded as a PDF image, for photo-like noise, smooth gradients and a
// black-and-white glyph.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <filesystem>
#include <memory>
#include <random>
#include <unistd.h>

#include "core/Portfolio.h"
#include "output/PdfDocument.h"
#include "output/PdfImage.h"
#include "output/PrintPage.h"
#include "output/qt/PdfPages.h"
#include "platform/Feedback.h"

using namespace pixelon;

namespace {

constexpr int Pages = 1000;

const CPortfolio& pictures() {
    static const CPortfolio folio = [] {
        CPortfolio f;
        f.m_strName = "Bench";
        std::mt19937 random(11);
        for (int id = 1; id <= Pages; ++id) {
            auto p = std::make_unique<CPicture>();
            p->Create(128, 160, id);
            p->m_nDepth = 16;
            // Smooth gradients with some grain, as photos reduced to 5-6-5 are.
            for (int y = 0; y < 160; ++y)
                for (int x = 0; x < 128; ++x) {
                    const int grain = int(random() % 3);
                    p->SetPixel(x, y,
                                std::uint16_t(((x / 4 + grain) & 31) << 11 |
                                              ((y / 3 + id) & 63) << 5 | ((x + y) / 9 & 31)));
                }
            f.m_pictures.push_back(std::move(p));
        }
        return f;
    }();
    return folio;
}

class NullPainter : public PagePainter {
public:
    bool setFont(const PageFont&) override { return true; }
    double textWidth(std::string_view text) override { return 10.0 * double(text.size()); }
    void drawText(const PageRect&, std::string_view, TextAlign) override {}
    void drawBitmap(const PageRect&, const Surface& bitmap) override {
        benchmark::DoNotOptimize(bitmap.pixels().data());
    }
    void drawLine(double, double, double, double) override {}
};

void BM_PageModel(benchmark::State& state) {
    const CPortfolio& folio = pictures();
    NullPainter painter;
    ConsoleFeedback feedback;
    for (auto _ : state) {
        const PrintJob job(folio, 0);
        for (int page = 1; page <= job.PageCount(); ++page)
            job.DrawPage(painter, page, {"bench.pfo", {}}, {true, false}, feedback);
        benchmark::DoNotOptimize(job.PageCount());
    }
    state.counters["us_per_page"] =
        benchmark::Counter(double(Pages) * 1e-6, benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(BM_PageModel)->Unit(benchmark::kMillisecond);

enum class Content { Noise, Gradient, Glyph };

Surface bitmapOf(Content content) {
    Surface s(128, 160);
    std::mt19937 random(3);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 128; ++x) {
            const int r = int(random() & 31), g = int(random() & 63), b = int(random() & 31);
            switch (content) {
            case Content::Noise: // 5-6-5 colours with every bit random
                s.setPixel(x, y, rgb(r * 255 / 31, g * 255 / 63, b * 255 / 31));
                break;
            case Content::Gradient:
                s.setPixel(x, y, rgb(x * 2, y + (r & 1), (x + y) / 2));
                break;
            case Content::Glyph:
                s.setPixel(x, y, (x / 16 + y / 20) % 3 == 0 ? rgb(0, 0, 0) : rgb(255, 255, 255));
                break;
            }
        }
    return s;
}

void BM_PdfImage(benchmark::State& state) {
    const Surface bitmap = bitmapOf(Content(state.range(0)));
    Deflater deflater(6, true);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const PdfImage image = EncodeImageObject(bitmap, deflater);
        bytes = image.data.size();
        benchmark::DoNotOptimize(image.data.data());
    }
    state.counters["image_bytes"] = double(bytes);
}
BENCHMARK(BM_PdfImage)
    ->ArgName("noise_gradient_glyph")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond);

void BM_PdfWriter(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "output_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(argc, argv);
    const CPortfolio& folio = pictures();
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("output_bench_" + std::to_string(getpid()) + ".pdf");
    ConsoleFeedback feedback;
    PdfRequest request;
    request.resolution = 0;
    request.documentTitle = "bench.pfo";
    for (auto _ : state)
        if (!WritePortfolioPdf(folio, out, request, feedback))
            state.SkipWithError("the PDF was not written");
    state.counters["pdf_bytes"] = double(std::filesystem::file_size(out));
    state.counters["us_per_page"] =
        benchmark::Counter(double(Pages) * 1e-6, benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
    std::filesystem::remove(out);
}
BENCHMARK(BM_PdfWriter)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

} // namespace

// bench-links: core
// The window's work on every selection change: the preview drawing of one picture into the
// 128 x 128 off-screen surface and the status line; and the Text Metrics median on open.

#include <benchmark/benchmark.h>

#include <memory>

#include "core/Document.h"

namespace {

using namespace pixelon;

void previewDraw(benchmark::State& state) {
    CPicture picture;
    picture.Create(int(state.range(0)), int(state.range(0)), 1);
    picture.m_nDepth = 16;
    for (int y = 0; y < picture.m_nHeight; ++y)
        for (int x = 0; x < picture.m_nWidth; ++x)
            picture.SetPixel(x, y, std::uint16_t(x * 31 + y));
    Surface preview(128, 128);
    for (auto _ : state) {
        preview.fill(0xFFFFFF);
        picture.Draw(preview, 0, 0, -1, 128, 128);
        benchmark::DoNotOptimize(preview.pixels().data());
    }
}
BENCHMARK(previewDraw)->Arg(32)->Arg(101)->Arg(128);

void statusLine(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(statusText(1234, 17, "HX206", "Kto"));
}
BENCHMARK(statusLine);

void medianOfHeights(benchmark::State& state) {
    CPortfolio portfolio;
    for (int i = 0; i < state.range(0); ++i) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(4, 1 + i % 40, i);
        portfolio.m_pictures.push_back(std::move(picture));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(medianHeight(portfolio));
}
BENCHMARK(medianOfHeights)->Arg(1000)->Arg(10000);

} // namespace

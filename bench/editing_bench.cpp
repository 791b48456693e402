// bench-links: editing core platform
#include <benchmark/benchmark.h>

#include "editing/FloodFill.h"
#include "editing/PictureEditor.h"
#include "editing/Reductions.h"
#include "editing/Transforms.h"

namespace pixelon {
namespace {

constexpr int W = 1280, H = 1024;

// A picture-sized surface of smooth colour gradients, the kind the reductions see.
Surface gradient() {
    Surface s(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            s.setPixel(x, y, rgb(x * 255 / W, y * 255 / H, (x + y) % 256));
    return s;
}

template <typename F> void reduce(benchmark::State& state, F f) {
    const Surface source = gradient();
    Surface s = source;
    for (auto _ : state) {
        state.PauseTiming();
        s = source;
        state.ResumeTiming();
        f(s);
        benchmark::DoNotOptimize(s.pixels().data());
    }
}

void BM_MonoPlain(benchmark::State& st) {
    reduce(st, [](Surface& s) { toMonoPlain(s, s.bounds()); });
}
void BM_GreyPlain(benchmark::State& st) {
    reduce(st, [](Surface& s) { toGreyPlain(s, s.bounds()); });
}
void BM_CubePlain(benchmark::State& st) {
    reduce(st, [](Surface& s) { toCubePlain(s, s.bounds()); });
}
void BM_GsMap(benchmark::State& st) {
    reduce(st, [](Surface& s) { mapToSteps(s, s.bounds(), MappingSteps{}); });
}
void BM_KernelDither(benchmark::State& st) {
    RecordingFeedback feedback;
    reduce(st, [&](Surface& s) {
        KernelDither dither(MonoMap, 5);
        runProcessor(dither, s, s.bounds(), feedback);
    });
}
void BM_GreyDither(benchmark::State& st) {
    RecordingFeedback feedback;
    int direction = 1;
    reduce(st, [&](Surface& s) { greyDither(s, s.bounds(), direction, feedback); });
}
void BM_CubeDither(benchmark::State& st) {
    RecordingFeedback feedback;
    reduce(st, [&](Surface& s) { cubeDither(s, s.bounds(), feedback); });
}
void BM_FloodFill(benchmark::State& st) {
    reduce(st, [](Surface& s) {
        s.fill(colourWhite);
        floodFill(s, 10, 10, s.bounds(), ColourPair{colourBlack, colourWhite});
    });
}

EditCanvas pictureCanvas() {
    EditCanvas ec;
    ec.reset(W, H);
    ec.canvas.copyFrom(gradient(), ec.originX, ec.originY);
    return ec;
}

// A quarter turn of the whole non-square picture: a new canvas of H x W is made and filled.
void BM_RotateQuarter(benchmark::State& state) {
    EditCanvas ec = pictureCanvas();
    RecordingFeedback feedback;
    for (auto _ : state) {
        rotatePicture(ec, Rotation::Right, feedback);
        benchmark::DoNotOptimize(ec.canvas.pixels().data());
    }
}

// A half turn works in place on the picture window.
void BM_RotateHalf(benchmark::State& state) {
    EditCanvas ec = pictureCanvas();
    RecordingFeedback feedback;
    for (auto _ : state) {
        rotatePicture(ec, Rotation::Half, feedback);
        benchmark::DoNotOptimize(ec.canvas.pixels().data());
    }
}

void BM_RenderView(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    CPicture picture;
    picture.m_nWidth = w;
    picture.m_nHeight = h;
    picture.ResizeStorage();
    picture.m_nDepth = 16;
    RecordingFeedback feedback;
    PictureEditor editor(picture, feedback);
    editor.setViewSize(1280, 1024);
    editor.toggleGrid();
    Surface view;
    for (auto _ : state) {
        editor.renderView(view);
        benchmark::DoNotOptimize(view.pixels().data());
    }
    state.SetLabel("zoom " + std::to_string(editor.zoom()));
}

BENCHMARK(BM_MonoPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GsMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KernelDither)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyDither)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubeDither)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateQuarter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderView)->Args({1280, 1024})->Args({128, 110})->Unit(benchmark::kMillisecond);

} // namespace
} // namespace pixelon

// bench-links: codecs core platform gif
// GIF decoding and encoding of a 1280 x 1024 picture of 256 colours, beside giflib.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>

#include <gif_lib.h>

#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"

namespace {

using namespace pixelon;

constexpr int Width = 1280;
constexpr int Height = 1024;

// Smooth shading with fine noise and edges, quantised to 256 levels, like a reduced photo.
std::vector<std::uint8_t> picturePixels() {
    std::vector<std::uint8_t> pixels(std::size_t(Width) * Height);
    std::mt19937 rng(42);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            double v =
                96 + 60 * std::sin(x / 70.0) * std::cos(y / 55.0) + 40 * std::sin((x + y) / 23.0);
            if ((x / 160 + y / 128) % 3 == 0)
                v = 255 - v;
            v += int(rng() % 5) - 2;
            pixels[std::size_t(y) * Width + std::size_t(x)] =
                std::uint8_t(std::clamp(int(v), 0, 255));
        }
    return pixels;
}

GifFile pictureGif() {
    GifFile gif;
    gif.screenWidth = Width;
    gif.screenHeight = Height;
    gif.globalTable = CubeColourTable();
    GifImage image;
    image.width = Width;
    image.height = Height;
    image.bitsPerPixel = 8;
    image.pixels = picturePixels();
    gif.images.push_back(std::move(image));
    return gif;
}

const std::vector<std::uint8_t>& encodedFile() {
    static const std::vector<std::uint8_t> bytes = EncodeGifFile(pictureGif());
    return bytes;
}

struct MemoryInput {
    const std::vector<std::uint8_t>* bytes;
    std::size_t at = 0;
};

int readMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t take = std::min(std::size_t(n), in->bytes->size() - in->at);
    std::memcpy(out, in->bytes->data() + in->at, take);
    in->at += take;
    return int(take);
}

int writeMemory(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

void setPixelsProcessed(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * std::int64_t(Width) * Height);
    state.counters["MP/s"] = benchmark::Counter(double(state.iterations()) * Width * Height / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_DecodeOurs(benchmark::State& state) {
    const auto& bytes = encodedFile();
    for (auto _ : state) {
        GifFile gif;
        ReadGifBytes(gif, bytes);
        benchmark::DoNotOptimize(gif.images[0].pixels.data());
    }
    setPixelsProcessed(state);
}

void BM_DecodeAndDrawOurs(benchmark::State& state) {
    const auto& bytes = encodedFile();
    for (auto _ : state) {
        GifFile gif;
        ReadGifBytes(gif, bytes);
        Surface s = RenderGifImage(gif, 0);
        benchmark::DoNotOptimize(s.pixels().data());
    }
    setPixelsProcessed(state);
}

void BM_DecodeGiflib(benchmark::State& state) {
    const auto& bytes = encodedFile();
    for (auto _ : state) {
        MemoryInput in{&bytes};
        int error = 0;
        GifFileType* gif = DGifOpen(&in, readMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib failed to decode");
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    setPixelsProcessed(state);
}

void BM_EncodeOurs(benchmark::State& state) {
    const GifFile gif = pictureGif();
    std::size_t size = 0;
    for (auto _ : state) {
        auto bytes = EncodeGifFile(gif);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(size);
    setPixelsProcessed(state);
}

void BM_EncodeGiflib(benchmark::State& state) {
    const GifFile ours = pictureGif();
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        const Colour c = ours.globalTable->colours[std::size_t(i)];
        colours[i] = {GifByteType(redOf(c)), GifByteType(greenOf(c)), GifByteType(blueOf(c))};
    }
    std::vector<GifByteType> pixels(ours.images[0].pixels.begin(), ours.images[0].pixels.end());
    std::size_t size = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        int error = 0;
        GifFileType* gif = EGifOpen(&out, writeMemory, &error);
        ColorMapObject* map = GifMakeMapObject(256, colours);
        EGifPutScreenDesc(gif, Width, Height, 8, 0, map);
        EGifPutImageDesc(gif, 0, 0, Width, Height, false, nullptr);
        for (int y = 0; y < Height; ++y)
            EGifPutLine(gif, pixels.data() + std::size_t(y) * Width, Width);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(size);
    setPixelsProcessed(state);
}

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndDrawOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGiflib)->Unit(benchmark::kMillisecond);

} // namespace

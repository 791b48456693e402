// bench-links: codecs core platform jpeg
// Decode and encode of a 1280 x 1024 photo-like image with our codec and with libjpeg-turbo.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

#include "codecs/ImageObject.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegEncoder.h"
#include "codecs/JpegKernels.h"

namespace {

constexpr int Width = 1280;
constexpr int Height = 1024;

// Smooth gradients, edges and noise.
const std::vector<std::uint8_t>& photo() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> p(std::size_t(Width) * Height * 3);
        std::uint32_t seed = 99;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                seed = seed * 1103515245u + 12345u;
                int n = int(seed >> 16 & 15) - 8;
                double fx = double(x) / Width, fy = double(y) / Height;
                int r = int(128 + 100 * std::sin(fx * 9) * std::cos(fy * 6));
                int g = int(255 * (fx + fy) / 2);
                int b = ((x / 90 + y / 70) % 2) ? 190 : 50;
                if ((x - 640) * (x - 640) + (y - 500) * (y - 500) < 300 * 300)
                    g = 230 - g / 3;
                std::uint8_t* q = p.data() + (std::size_t(y) * Width + x) * 3;
                q[0] = std::uint8_t(std::clamp(r + n, 0, 255));
                q[1] = std::uint8_t(std::clamp(g + n, 0, 255));
                q[2] = std::uint8_t(std::clamp(b + n, 0, 255));
            }
        return p;
    }();
    return pixels;
}

pixelon::CImageObject photoImage() {
    pixelon::CImageObject image;
    image.Create(Width, Height, pixelon::RgbChannels);
    for (int y = 0; y < Height; ++y)
        std::copy_n(photo().begin() + std::ptrdiff_t(y) * Width * 3, Width * 3,
                    image.GetBuffer()->Row(y).begin());
    return image;
}

// libjpeg-turbo with the standard tables (quality 50), 4:2:0 and optimised Huffman tables.
std::vector<std::uint8_t> libjpegEncode(bool optimize) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = Width;
    c.image_height = Height;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 50, TRUE);
    c.optimize_coding = optimize;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(photo().data() + std::size_t(c.next_scanline) * Width * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

std::vector<std::uint8_t> libjpegDecode(const std::vector<std::uint8_t>& file, bool fancy) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), file.size());
    jpeg_read_header(&d, TRUE);
    d.do_fancy_upsampling = fancy;
    jpeg_start_decompress(&d);
    std::vector<std::uint8_t> pixels(std::size_t(d.output_width) * d.output_height * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = pixels.data() + std::size_t(d.output_scanline) * d.output_width * 3;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return pixels;
}

const std::vector<std::uint8_t>& sampleFile() {
    static const std::vector<std::uint8_t> file = libjpegEncode(false);
    return file;
}

// Argument 1: the vector kernels, 0: the scalar ones.
void useKernels(const benchmark::State& state) {
    pixelon::jpeg::SelectJpegKernels(state.range(0) ? pixelon::jpeg::VectorJpegKernels()
                                                    : pixelon::jpeg::ScalarJpegKernels());
}

void BM_DecodeOurs(benchmark::State& state) {
    useKernels(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(pixelon::jpeg::DecodeJpeg(sampleFile()));
}

void BM_DecodeLibjpegTurbo(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(libjpegDecode(sampleFile(), state.range(0) != 0));
}

void BM_EncodeOurs(benchmark::State& state) {
    useKernels(state);
    const pixelon::CImageObject image = photoImage();
    pixelon::jpeg::EncodeOptions options;
    options.qualityParameter = 256;
    std::size_t size = 0;
    for (auto _ : state)
        size = pixelon::jpeg::EncodeJpegToMemory(image, options).size();
    state.counters["bytes"] = double(size);
}

void BM_EncodeLibjpegTurbo(benchmark::State& state) {
    std::size_t size = 0;
    for (auto _ : state)
        size = libjpegEncode(true).size();
    state.counters["bytes"] = double(size);
}

} // namespace

BENCHMARK(BM_DecodeOurs)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibjpegTurbo)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibjpegTurbo)->Unit(benchmark::kMillisecond);

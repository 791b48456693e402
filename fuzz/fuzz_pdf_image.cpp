// fuzz-links: output platform
// Turns bytes into a small bitmap and writes it as a PDF image object, as an inline image and
// as a stencil mask: a reader written from the file format must give back every pixel.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "output/PdfDocument.h"
#include "output/PdfImage.h"
#include "tests/support/PdfImageReader.h"

using namespace pixelon;

namespace {

[[noreturn]] void fail(const char* what, const Surface& s) {
    std::fprintf(stderr, "%s: %d x %d bitmap not read back\n", what, s.width(), s.height());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    // The first two bytes give the size, the third how many colours the bitmap draws from:
    // 0 takes every colour as it comes, so that most bitmaps have few colours and some many.
    const int width = 1 + data[0] % 96;
    const int height = 1 + data[1] % 96;
    const int limit = data[2];
    data += 3;
    size -= 3;

    Surface bitmap(width, height, 0);
    std::size_t at = 0;
    const auto next = [&]() -> std::uint8_t { return size ? data[at++ % size] : 0; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Colour c;
            if (limit == 0) {
                c = rgb(next(), next(), next());
            } else if (limit < 128) {
                // A few colours: an index into a palette spread over the whole cube.
                const unsigned i = next() % unsigned(limit);
                c = rgb(int(i * 97 % 256), int(i * 31 % 256), int(i * 211 % 256));
            } else {
                // Greys.
                const int v = next() % (limit - 127 + 1) * 255 / (limit - 127);
                c = rgb(v, v, v);
            }
            bitmap.setPixel(x, y, c);
        }

    Deflater deflater(6, true);
    const PdfImage object = EncodeImageObject(bitmap, deflater);
    const auto read = test::ReadImageObject(object.entries, object.data);
    if (!read || !(read->pixels == bitmap))
        fail("image object", bitmap);

    const std::string inlined = EncodeInlineImage(bitmap);
    if (!inlined.empty()) {
        const auto back = test::ReadInlineImage(inlined);
        if (!back || !(back->pixels == bitmap))
            fail("inline image", bitmap);
    }

    // The same bytes as a stencil mask of the bitmap's size: black where a bit is set.
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    std::vector<std::uint8_t> bits(rowBytes * std::size_t(height));
    for (std::uint8_t& b : bits)
        b = next();
    const PdfImage mask = EncodeMaskObject(width, height, bits, deflater);
    const auto stencil = test::ReadImageObject(mask.entries, mask.data);
    if (!stencil)
        fail("mask", bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool set =
                bits[std::size_t(y) * rowBytes + std::size_t(x) / 8] & (0x80 >> (x % 8));
            if (stencil->pixels.pixel(x, y) != (set ? rgb(0, 0, 0) : rgb(255, 255, 255)))
                fail("mask", bitmap);
        }
    return 0;
}

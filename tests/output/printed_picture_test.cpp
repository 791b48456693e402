// Printed pictures of many colours are stored with their rows predicted as PNG does. Whatever
// filter each row gets, a reader undoing the filters as PNG defines them must get the picture's
// exact samples back, also for rows shorter than a pixel's neighbourhood and for ties in the
// Paeth predictor.

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "output/PdfDocument.h"
#include "output/PdfImage.h"

namespace pixelon {
namespace {

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// The samples of a predicted image object, the filters undone as a PDF reader does.
std::vector<std::uint8_t> decode(const PdfImage& image, int width, int height, int colours) {
    std::vector<std::uint8_t> raw(std::size_t(width * colours + 1) * std::size_t(height));
    uLongf size = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, image.data.data(), uLong(image.data.size())), Z_OK);
    EXPECT_EQ(size, raw.size());
    const std::size_t n = std::size_t(width * colours);
    std::vector<std::uint8_t> out, previous(n, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = raw.data() + std::size_t(y) * (n + 1);
        std::vector<std::uint8_t> current(n);
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= std::size_t(colours) ? current[i - std::size_t(colours)] : 0;
            const int b = previous[i];
            const int c = i >= std::size_t(colours) ? previous[i - std::size_t(colours)] : 0;
            const int predicted = row[0] == 0   ? 0
                                  : row[0] == 1 ? a
                                  : row[0] == 2 ? b
                                  : row[0] == 3 ? (a + b) / 2
                                                : paeth(a, b, c);
            EXPECT_LE(row[0], 4);
            current[i] = std::uint8_t(row[1 + i] + predicted);
        }
        out.insert(out.end(), current.begin(), current.end());
        previous = current;
    }
    return out;
}

TEST(PrintedPicture, PredictedRowsGiveBackTheExactSamplesAtEveryWidth) {
    std::mt19937 random(11);
    Deflater deflater(6, true);
    // Noise, ramps (every filter wins somewhere) and level areas (Paeth ties).
    for (const int width : {1, 2, 3, 5, 33, 128}) {
        for (const bool grey : {false, true}) {
            SCOPED_TRACE(std::to_string(width) + (grey ? " grey" : " colour"));
            // Tall enough for more than 256 colours, so that the rows are predicted.
            const int height = std::max(24, 400 / width + 1);
            Surface bitmap(width, height);
            std::vector<std::uint8_t> expected;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const int band = y / 6;
                    int r = band == 0   ? int(random() % 256)
                            : band == 1 ? (x * 7 + y * 3) % 256
                            : band == 2 ? 100 + (x % 2) * 50
                                        : (x * 13 + y * 29 + int(random() % 5)) % 256;
                    int g = grey ? r : (r * 5 + x) % 256, b = grey ? r : (255 - r + y) % 256;
                    bitmap.setPixel(x, y, rgb(r, g, b));
                    expected.push_back(std::uint8_t(r));
                    if (!grey) {
                        expected.push_back(std::uint8_t(g));
                        expected.push_back(std::uint8_t(b));
                    }
                }
            const PdfImage image = EncodeImageObject(bitmap, deflater);
            ASSERT_NE(image.entries.find("/Predictor 15"), std::string::npos) << image.entries;
            const int colours = image.entries.find("/DeviceGray") != std::string::npos ? 1 : 3;
            ASSERT_EQ(colours, grey ? 1 : 3) << image.entries;
            EXPECT_EQ(decode(image, width, height, colours), expected);
        }
    }
}

} // namespace
} // namespace pixelon

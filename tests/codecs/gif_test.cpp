#include <gtest/gtest.h>

#include <cstring>

#include "codec_test_util.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"

namespace pixelon {
namespace {

using test::ScratchDir;

// The encoder as the file format's reference describes it: a linear scan over the table.
std::vector<std::uint8_t> referenceEncode(int m, const std::vector<std::uint8_t>& pixels) {
    struct Entry {
        int prefix, pixel;
    };
    std::vector<Entry> table;
    const int clear = 1 << m;
    auto reset = [&] {
        table.assign(std::size_t(clear + 2), Entry{-1, -1});
        for (int i = 0; i < clear; ++i)
            table[std::size_t(i)] = {-1, i};
    };
    reset();
    int next = clear + 2, width = m + 1;
    BitPacker out(16, 4096, BitOrder::LsbFirst);
    out.Write(std::uint32_t(clear), width);
    BitReader in(pixels, BitOrder::LsbFirst);
    int current = -1;
    for (std::int64_t p; (p = in.Read(m)) >= 0;) {
        int found = -1;
        for (int c = 0; c < next; ++c)
            if (table[std::size_t(c)].prefix == current && table[std::size_t(c)].pixel == p &&
                (current >= 0 || c < clear)) {
                found = c;
                break;
            }
        if (found >= 0) {
            current = found;
            continue;
        }
        out.Write(std::uint32_t(current), width);
        if (next < 4095) {
            table.push_back({current, int(p)});
            if (next > (1 << width) - 1)
                ++width;
            ++next;
        } else {
            out.Write(std::uint32_t(clear), width);
            reset();
            next = clear + 2;
            width = m + 1;
        }
        current = int(p);
    }
    if (current >= 0)
        out.Write(std::uint32_t(current), width);
    out.Write(std::uint32_t(clear + 1), width);
    return out.Take();
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed, int spread = 256) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = std::uint8_t(rng() % unsigned(spread));
    return v;
}

TEST(BitStream, OrdersAndLimits) {
    BitPacker lsb(1, 0, BitOrder::LsbFirst);
    EXPECT_TRUE(lsb.Write(0b101, 3));
    EXPECT_TRUE(lsb.Write(0x1F, 5));
    EXPECT_FALSE(lsb.Write(1, 1)); // a fixed buffer of one byte is full
    EXPECT_EQ(lsb.Bytes()[0], 0xFD);

    BitPacker msb(1, 1, BitOrder::MsbFirst);
    msb.Write(1, 1);
    msb.Write(0, 1);
    msb.Write(0x3FF, 10); // crosses into a grown second byte
    auto bytes = msb.Take();
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xBF);
    EXPECT_EQ(bytes[1], 0xF0);

    const std::uint8_t data[] = {0xA5, 0x0F};
    BitReader r(data, BitOrder::LsbFirst);
    EXPECT_EQ(r.Read(0), 0);
    EXPECT_EQ(r.Read(4), 0x5);
    EXPECT_EQ(r.Read(8), 0xFA);
    EXPECT_EQ(r.Read(8), 0x0); // runs over the end: the missing bits are 0
    EXPECT_EQ(r.Read(1), -1);
    BitReader m(data, BitOrder::MsbFirst);
    EXPECT_EQ(m.Read(1), 1);
    EXPECT_EQ(m.Read(3), 0b010);
}

TEST(Lzw, EncoderMatchesReferenceByteForByte) {
    // Random data fills the table and passes the clear at 4095 many times; runs make long strings.
    for (int m : {2, 3, 4, 5, 8}) {
        auto data = randomBytes(20000, unsigned(m), 256);
        EXPECT_EQ(LzwEncode(m, data), referenceEncode(m, data)) << "m=" << m;
        std::vector<std::uint8_t> runs(30000, 0);
        for (std::size_t i = 0; i < runs.size(); ++i)
            runs[i] = std::uint8_t((i / 700) * 37);
        EXPECT_EQ(LzwEncode(m, runs), referenceEncode(m, runs)) << "m=" << m;
    }
    EXPECT_EQ(LzwEncode(8, {}), referenceEncode(8, {}));
}

TEST(Lzw, RoundTripsEveryCodeSize) {
    for (int m = 2; m <= 8; ++m) {
        for (std::size_t n :
             {std::size_t(1), std::size_t(7), std::size_t(5000), std::size_t(70000)}) {
            auto data = randomBytes(n, unsigned(m * 31 + n), m == 8 ? 256 : 1 << (m + 2));
            if (m != 8)
                data = randomBytes(n, unsigned(m), 256); // every bit of a packed byte is a pixel
            auto codes = LzwEncode(m, data);
            std::vector<std::uint8_t> back(n, 0xEE);
            EXPECT_EQ(LzwDecode(m, codes, back), n);
            EXPECT_EQ(back, data) << "m=" << m << " n=" << n;
        }
    }
}

TEST(Lzw, FirstCodeIsClearAndTableResetsAfter4094) {
    auto data = randomBytes(5000, 7);
    auto codes = LzwEncode(8, data);
    BitReader r(codes, BitOrder::LsbFirst);
    EXPECT_EQ(r.Read(9), 256);
    // Follow the code widths as a decoder does, and find where the clear code comes back.
    int next = 258, width = 9, seen = 0, clearAt = -1;
    for (std::int64_t c; (c = r.Read(width)) >= 0 && c != 257;) {
        ++seen;
        if (c == 256) {
            clearAt = next;
            break;
        }
        if (seen > 1) {
            ++next;
            if (next >= (1 << width) && next < 4096)
                ++width;
        }
    }
    EXPECT_EQ(clearAt, 4095); // codes up to 4094 defined, then the clear
}

// Writes codes with the widths a decoder expects, for crafted streams.
struct CodeWriter {
    int m, next, width;
    bool havePrevious = false;
    BitPacker out{16, 4096, BitOrder::LsbFirst};
    explicit CodeWriter(int minCode) : m(minCode), next((1 << minCode) + 2), width(minCode + 1) {}
    void literal(int code) {
        out.Write(std::uint32_t(code), width);
        if (havePrevious && next < 4096) {
            ++next;
            if (next >= (1 << width) && next < 4096)
                ++width;
        }
        havePrevious = true;
    }
    void raw(int code) { out.Write(std::uint32_t(code), width); }
};

TEST(Lzw, CorruptStreamsEndDecoding) {
    {
        CodeWriter w(2);
        w.raw(4);
        w.literal(1);
        w.literal(2);
        w.raw(5); // early end code
        w.literal(3);
        auto codes = w.out.Take();
        std::vector<std::uint8_t> px(4, 0);
        LzwDecode(2, codes, px);
        EXPECT_EQ(px[0], 0b1001); // pixels 1 and 2; the rest undecoded
    }
    {
        CodeWriter w(2);
        w.raw(4);
        w.literal(0);
        w.raw(w.next + 1); // beyond the next free code
        auto codes = w.out.Take();
        std::vector<std::uint8_t> px(4, 0);
        EXPECT_EQ(LzwDecode(2, codes, px), 1u);
    }
    {
        // Literals only, never a clear: once the table holds 4096 codes it stops growing, and
        // decoding goes on with 12-bit codes (a deferred clear).
        CodeWriter w(2);
        w.raw(4);
        for (int i = 0; i < 5000; ++i)
            w.literal(i & 1);
        auto codes = w.out.Take();
        std::vector<std::uint8_t> px(5000, 0);
        LzwDecode(2, codes, px);
        BitReader r(px, BitOrder::LsbFirst);
        int decoded = 0;
        for (int i = 0; i < 20000; ++i)
            if (r.Read(2) == (i & 1) && i < 5000)
                decoded = i + 1;
            else
                break;
        EXPECT_EQ(decoded, 5000);
    }
    {
        // After the table is full, a code may refer to its last entry, and a clear code later
        // starts it afresh at the small width.
        CodeWriter w(2);
        w.raw(4);
        for (int i = 0; i < 4100; ++i)
            w.literal(i & 1);
        w.raw(4095); // the entry made by literals 4089 and 4090: pixels "1 0"
        w.raw(4);
        w.width = 3;
        w.havePrevious = false;
        w.literal(3);
        auto codes = w.out.Take();
        std::vector<std::uint8_t> px(2000, 0);
        LzwDecode(2, codes, px);
        BitReader r(px, BitOrder::LsbFirst);
        for (int i = 0; i < 4100; ++i)
            ASSERT_EQ(r.Read(2), i & 1) << i;
        EXPECT_EQ(r.Read(2), 1);
        EXPECT_EQ(r.Read(2), 0);
        EXPECT_EQ(r.Read(2), 3);
    }
    std::vector<std::uint8_t> px(4, 0);
    EXPECT_EQ(LzwDecode(0, std::vector<std::uint8_t>{1, 2}, px), 0u);
    EXPECT_EQ(LzwDecode(9, std::vector<std::uint8_t>{1, 2}, px), 0u);
}

GifFile gifOf(int w, int h, int bits, const std::vector<int>& values, bool interlaced = false) {
    GifFile gif;
    gif.flags = std::uint8_t(0x80 | (bits - 1));
    gif.globalTable = GifColourTable{};
    for (int i = 0; i < (1 << bits); ++i)
        gif.globalTable->colours.push_back(rgb(i * 40, 255 - i * 30, i * 7));
    gif.screenWidth = std::uint16_t(w);
    gif.screenHeight = std::uint16_t(h);
    GifImage image;
    image.width = std::uint16_t(w);
    image.height = std::uint16_t(h);
    image.bitsPerPixel = std::uint8_t(bits);
    image.flags = interlaced ? 0x40 : 0;
    BitPacker p(image.BufferSize() + 1, 0, BitOrder::LsbFirst);
    for (int v : values)
        p.Write(std::uint32_t(v), bits);
    image.pixels = p.Take();
    image.pixels.resize(image.BufferSize());
    gif.images.push_back(image);
    return gif;
}

TEST(GifReader, HugeImagesKeepTheirTopLeftPartForImport) {
    // 17000 pixels wide, beyond what the reader accepts whole; interlaced and plain, at a depth
    // whose pixels straddle bytes. The value tells the column and row of each pixel.
    const int w = 17000, h = 12;
    const auto value = [](int x, int y) { return (x * 3 + y * 5) % 8; };
    for (bool interlaced : {false, true}) {
        std::vector<int> rows;
        if (interlaced) {
            for (int y : {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9, 11})
                rows.push_back(y);
        } else {
            for (int y = 0; y < h; ++y)
                rows.push_back(y);
        }
        std::vector<int> values;
        for (int y : rows)
            for (int x = 0; x < w; ++x)
                values.push_back(value(x, y));
        ScratchDir dir;
        ASSERT_TRUE(WriteGifFile(gifOf(w, h, 3, values, interlaced), dir / "huge.gif"));

        GifFile whole;
        ASSERT_TRUE(ReadGifFile(whole, dir / "huge.gif"));
        EXPECT_TRUE(whole.images.empty()); // refused without a crop

        GifFile part;
        ASSERT_TRUE(ReadGifFile(part, dir / "huge.gif", ImportGifLimits));
        ASSERT_EQ(part.images.size(), 1u);
        const GifImage& image = part.images[0];
        EXPECT_EQ(image.width, 1280);
        EXPECT_EQ(image.height, h);
        EXPECT_FALSE(image.Interlaced());
        EXPECT_EQ(image.BufferSize(), image.pixels.size());
        GifPixelCursor cursor(image);
        for (int i = 0; i < 1280 * h; ++i) {
            const auto p = cursor.Next();
            ASSERT_EQ(p.value, value(p.x, p.y))
                << p.x << "," << p.y << " interlaced " << interlaced;
        }
    }
}

TEST(GifCursor, InterlacedRowOrder) {
    auto rowsOf = [](int height) {
        GifFile gif = gifOf(2, height, 2, std::vector<int>(std::size_t(2 * height), 1), true);
        GifPixelCursor cursor(gif.images[0]);
        std::vector<int> rows;
        for (int i = 0; i < height; ++i) {
            rows.push_back(cursor.Next().y);
            cursor.Next();
        }
        return rows;
    };
    EXPECT_EQ(rowsOf(10), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    // Passes without rows are skipped, so small images fill every row.
    EXPECT_EQ(rowsOf(3), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(rowsOf(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(rowsOf(5), (std::vector<int>{0, 4, 2, 1, 3}));
}

TEST(GifFileFormat, WriteReadRoundTripAndHeader) {
    std::vector<int> values;
    for (int i = 0; i < 7 * 5; ++i)
        values.push_back(i % 4);
    GifFile gif = gifOf(7, 5, 2, values);
    auto bytes = EncodeGifFile(gif);
    ASSERT_GE(bytes.size(), 13u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes[10], 0x81);
    EXPECT_EQ(bytes.back(), 0x3B);
    GifFile back;
    ASSERT_TRUE(ReadGifBytes(back, bytes));
    ASSERT_EQ(back.images.size(), 1u);
    EXPECT_EQ(back.images[0].bitsPerPixel, 2);
    EXPECT_EQ(back.images[0].pixels, gif.images[0].pixels);
    EXPECT_EQ(RenderGifImage(back, 0), RenderGifImage(gif, 0));

    // The same file as GIF87a decodes alike.
    bytes[4] = '7';
    GifFile old;
    ASSERT_TRUE(ReadGifBytes(old, bytes));
    EXPECT_EQ(RenderGifImage(old, 0), RenderGifImage(gif, 0));
    bytes[4] = '8';
    bytes[5] = 'b';
    EXPECT_FALSE(ReadGifBytes(old, bytes));
    EXPECT_TRUE(old.images.empty());
}

TEST(GifFileFormat, OneBitImagesAreWrittenWithTwoBits) {
    GifFile gif = gifOf(
        9, 3, 1, {1, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 0});
    GifFile back;
    ASSERT_TRUE(ReadGifBytes(back, EncodeGifFile(gif)));
    ASSERT_EQ(back.images.size(), 1u);
    EXPECT_EQ(back.images[0].bitsPerPixel, 2);
    EXPECT_EQ(RenderGifImage(back, 0), RenderGifImage(gif, 0));
}

TEST(GifFileFormat, SubBlocksAreAtMost254Bytes) {
    auto data = randomBytes(64 * 64, 3);
    GifFile gif = gifOf(64, 64, 8, std::vector<int>(data.begin(), data.end()));
    const auto codes = LzwEncode(8, gif.images[0].pixels);
    const auto bytes = EncodeGifFile(gif);
    std::size_t at = 13 + 256 * 3 + 10 + 1;
    std::size_t total = 0;
    std::vector<int> lengths;
    while (bytes[at] != 0) {
        lengths.push_back(bytes[at]);
        total += bytes[at];
        at += bytes[at] + 1u;
    }
    EXPECT_EQ(total, codes.size());
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 254);
    EXPECT_EQ(lengths.back(), int(codes.size() % 254 ? codes.size() % 254 : 254));
}

TEST(GifFileFormat, ExtensionsSkippedAndLocalTablesUsed) {
    GifFile gif = gifOf(2, 1, 2, {1, 2});
    auto bytes = EncodeGifFile(gif);
    const std::size_t imageAt = 13 + 4 * 3;
    // Graphic control (with transparency of index 1), comment and application extensions.
    const std::vector<std::uint8_t> extensions = {
        0x21, 0xF9, 4,   1,   0,   0,   1,   0,   0x21, 0xFE, 3,   'a', 'b', 'c', 0, 0x21, 0xFF,
        11,   'N',  'E', 'T', 'S', 'C', 'A', 'P', 'E',  '2',  '.', '0', 3,   1,   0, 0,    0};
    bytes.insert(bytes.begin() + std::ptrdiff_t(imageAt), extensions.begin(), extensions.end());
    GifFile back;
    ASSERT_TRUE(ReadGifBytes(back, bytes));
    ASSERT_EQ(back.images.size(), 1u);
    Surface s = RenderGifImage(back, 0);
    EXPECT_EQ(s.pixel(0, 0), gif.globalTable->colours[1]);
    EXPECT_EQ(s.pixel(1, 0), gif.globalTable->colours[2]);

    back.images[0].localTable =
        GifColourTable{{rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), rgb(4, 4, 4)}};
    EXPECT_EQ(RenderGifImage(back, 0).pixel(0, 0), rgb(2, 2, 2));
    // An index beyond the table is drawn black rather than read past the table.
    back.images[0].localTable = GifColourTable{{rgb(9, 9, 9), rgb(8, 8, 8)}};
    EXPECT_EQ(RenderGifImage(back, 0).pixel(1, 0), 0u);
}

TEST(GifFileFormat, TruncatedAndOversizedFiles) {
    std::vector<int> values(40 * 40);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = int(i * 7 % 256);
    GifFile gif = gifOf(40, 40, 8, values);
    gif.images.push_back(gif.images[0]);
    const auto bytes = EncodeGifFile(gif);
    // Every prefix of the file reads without harm; a cut inside the second image keeps the first.
    for (std::size_t n = 0; n <= bytes.size(); n += 7) {
        GifFile back;
        bool ok = ReadGifBytes(back, std::span(bytes).first(n));
        EXPECT_EQ(ok, n >= 6);
    }
    GifFile cut;
    ASSERT_TRUE(ReadGifBytes(cut, std::span(bytes).first(bytes.size() - 100)));
    ASSERT_EQ(cut.images.size(), 2u);
    EXPECT_EQ(cut.images[0].pixels, gif.images[0].pixels);
    EXPECT_EQ(cut.images[1].pixels.size(), gif.images[1].pixels.size());
    EXPECT_EQ(std::memcmp(cut.images[1].pixels.data(), gif.images[1].pixels.data(), 100), 0);

    // An image claiming 20000 x 20000 pixels ends the file instead of allocating 400 MB.
    GifFile big = gifOf(1, 1, 8, {0});
    big.images[0].width = 20000;
    big.images[0].height = 20000;
    big.images[0].pixels.clear();
    GifFile back;
    ASSERT_TRUE(ReadGifBytes(back, EncodeGifFile(big)));
    EXPECT_TRUE(back.images.empty());
    GifReadLimits small{16384, 1000};
    ASSERT_TRUE(ReadGifBytes(back, bytes, small));
    EXPECT_TRUE(back.images.empty());
}

TEST(GifFileFormat, MissingFileFails) {
    GifFile gif;
    EXPECT_FALSE(ReadGifFile(gif, "/nonexistent/file.gif"));
    ScratchDir dir;
    EXPECT_FALSE(WriteGifFile(gif, dir / "no/such/folder.gif"));
}

CPicture colourPicture(int w, int h) {
    CPicture p;
    p.Create(w, h, 1);
    p.m_nDepth = 16;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.SetPixel(x, y, std::uint16_t(x * 2048 + y * 37));
    return p;
}

TEST(PictureGif, DepthsSizesAndMap) {
    CPicture grey;
    grey.Create(10, 4, 1);
    grey.SetPixel(3, 1, 2);
    GifFile g = PictureGif(grey, 101, 80);
    EXPECT_EQ(g.flags, 0x91);
    ASSERT_EQ(g.globalTable->Count(), 4);
    EXPECT_EQ(g.globalTable->colours[1], colourDarkGrey);
    EXPECT_EQ(g.images[0].bitsPerPixel, 2);
    EXPECT_EQ(CurrentMap, &GreyMap);
    EXPECT_EQ(RenderGifImage(g, 0).pixel(3, 1), colourLightGrey);

    CPicture colour = colourPicture(150, 150);
    GifFile c = PictureGif(colour, 101, 80);
    EXPECT_EQ(c.flags, 0xF7);
    EXPECT_EQ(c.globalTable->Count(), 256);
    EXPECT_EQ(c.screenWidth, 101);
    EXPECT_EQ(c.images[0].height, 80);
    EXPECT_EQ(CurrentMap, &DirectMap);
    Surface s = RenderGifImage(c, 0);
    for (int y : {0, 40, 79})
        for (int x : {0, 50, 100})
            EXPECT_EQ(s.pixel(x, y), cubePalette()[cubeIndex(fromRgb565(colour.GetPixel(x, y)))]);
    CurrentMap = &DirectMap;
}

TEST(AnimationGifTest, ScreenCoversEveryFrame) {
    CPortfolio portfolio;
    for (int id : {1, 2}) {
        auto p = std::make_unique<CPicture>(colourPicture(20, 20));
        p->m_nId = id;
        portfolio.InsertSorted(std::move(p));
    }
    Animation a;
    a.frames = {{1, 0, 0, 0, 100}, {2, 10, 5, 0, 100}, {99, 500, 500, 0, 100}};
    GifFile gif = AnimationGif(a, portfolio);
    EXPECT_EQ(gif.screenWidth, 30);
    EXPECT_EQ(gif.screenHeight, 25);
    ASSERT_EQ(gif.images.size(), 2u); // the frame of a missing picture is left out
    EXPECT_EQ(gif.images[1].left, 10);
    EXPECT_EQ(gif.images[1].top, 5);
    EXPECT_EQ(CurrentMap, &CubeMap);
    CurrentMap = &DirectMap;
}

// Files made by other programs decode to the same pixels as those programs decode them.
class GifInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::haveTool("convert") || !test::haveTool("giftopnm") ||
            !test::haveTool("gifsicle"))
            GTEST_SKIP() << "image tools not installed";
    }
    void expectSameAsTool(const std::filesystem::path& gifPath, std::size_t index = 0) {
        GifFile gif;
        ASSERT_TRUE(ReadGifFile(gif, gifPath));
        ASSERT_GT(gif.images.size(), index);
        const auto ppm = dir / "tool.ppm";
        ASSERT_TRUE(test::run("giftopnm --image=" + std::to_string(index + 1) + " " +
                              gifPath.string() + " > " + ppm.string()));
        auto theirs = test::readPpm(ppm);
        ASSERT_TRUE(theirs);
        EXPECT_EQ(RenderGifImage(gif, index), *theirs) << gifPath;
    }
    ScratchDir dir;
};

TEST_F(GifInterop, ImageMagickAndGifsicleFiles) {
    test::writePpm(dir / "a.ppm", test::testPattern(61, 37, 200, 5));
    test::writePpm(dir / "b.ppm", test::testPattern(61, 37, 2, 6));
    test::writePpm(dir / "c.ppm", test::testPattern(300, 200, 16, 7));
    const auto p = [&](const char* n) { return (dir / n).string(); };
    ASSERT_TRUE(test::run("convert " + p("a.ppm") + " " + p("plain.gif")));
    ASSERT_TRUE(test::run("convert " + p("a.ppm") + " -interlace GIF " + p("interlaced.gif")));
    ASSERT_TRUE(test::run("convert " + p("b.ppm") + " " + p("two.gif")));
    ASSERT_TRUE(test::run("ppmtogif " + p("c.ppm") + " > " + p("netpbm.gif")));
    ASSERT_TRUE(test::run("gifsicle --colors 256 " + p("plain.gif") + " " + p("two.gif") + " > " +
                          p("multi.gif")));
    expectSameAsTool(dir / "plain.gif");
    expectSameAsTool(dir / "interlaced.gif");
    expectSameAsTool(dir / "two.gif");
    expectSameAsTool(dir / "netpbm.gif");
    expectSameAsTool(dir / "multi.gif", 1);
    GifFile two;
    ASSERT_TRUE(ReadGifFile(two, dir / "two.gif"));
    EXPECT_TRUE(two.images[0].bitsPerPixel <= 2);
    GifFile inter;
    ASSERT_TRUE(ReadGifFile(inter, dir / "interlaced.gif"));
    EXPECT_TRUE(inter.images[0].Interlaced());
}

TEST_F(GifInterop, DeferredClearCodesFromGifsicle) {
    // Once its code table is full, gifsicle goes on with 12-bit codes and sends the clear code
    // later, as the format allows; ImageMagick's built-in test images make it do so.
    const auto p = [&](const char* n) { return (dir / n).string(); };
    for (const char* source : {"netscape: -resize 216x144!", "wizard: -resize 400x300!"}) {
        ASSERT_TRUE(test::run(std::string("convert ") + source + " -colors 256 " + p("t.gif")));
        ASSERT_TRUE(test::run("gifsicle --interlace " + p("t.gif") + " > " + p("interlaced.gif")));
        ASSERT_TRUE(test::run("gifsicle --no-interlace " + p("t.gif") + " > " + p("plain.gif")));
        expectSameAsTool(dir / "interlaced.gif");
        expectSameAsTool(dir / "plain.gif");
    }
}

TEST_F(GifInterop, SmallInterlacedImages) {
    // Heights below 5 leave some interlace passes without rows.
    for (int h = 1; h <= 6; ++h) {
        const std::string n = std::to_string(h);
        test::writePpm(dir / ("s" + n + ".ppm"), test::testPattern(5, h, 8, unsigned(h)));
        ASSERT_TRUE(test::run("convert " + (dir / ("s" + n + ".ppm")).string() +
                              " -interlace GIF " + (dir / ("s" + n + ".gif")).string()));
        expectSameAsTool(dir / ("s" + n + ".gif"));
    }
}

TEST_F(GifInterop, OurFilesDecodeWithTheTools) {
    CPicture colour = colourPicture(128, 110);
    ASSERT_TRUE(WritePictureGif(colour, dir / "ours.gif", 128, 110));
    expectSameAsTool(dir / "ours.gif");
    EXPECT_TRUE(test::run("gifsicle --info " + (dir / "ours.gif").string()));
    // A large random image passes many table resets.
    auto data = randomBytes(500 * 300, 11);
    GifFile big = gifOf(500, 300, 8, std::vector<int>(data.begin(), data.end()));
    ASSERT_TRUE(WriteGifFile(big, dir / "big.gif"));
    expectSameAsTool(dir / "big.gif");
    CurrentMap = &DirectMap;
}

} // namespace
} // namespace pixelon

#include <gtest/gtest.h>

#include <cerrno>

#include "codec_test_util.h"
#include "codecs/FileType.h"
#include "codecs/PngCodec.h"
#include "codecs/PngFile.h"
#include "core/Colours.h"
#include "core/Picture.h"

namespace pixelon {
namespace {

using test::ScratchDir;

// A pattern with every channel moving, so swapped channels or rows show.
Surface pattern(int width, int height, int colours) {
    Surface s(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int k = (x * 7 + y * 13) % colours;
            s.setPixel(x, y, rgb(k * 37 % 256, (k * 91 + 20) % 256, k / 256 * 60 + 7));
        }
    return s;
}

std::vector<std::uint8_t> encoded(const PngPicture& picture) {
    auto result = EncodePng(picture);
    EXPECT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(result));
    return std::get<std::vector<std::uint8_t>>(result);
}

PngImage decoded(std::span<const std::uint8_t> bytes, const PngReadLimits& limits = {}) {
    auto result = DecodePng(bytes, limits);
    if (auto* error = std::get_if<PngError>(&result))
        ADD_FAILURE() << "decode failed: " << int(*error);
    return std::holds_alternative<PngImage>(result) ? std::get<PngImage>(result) : PngImage{};
}

PngError failure(std::span<const std::uint8_t> bytes, const PngReadLimits& limits = {}) {
    auto result = DecodePng(bytes, limits);
    EXPECT_TRUE(std::holds_alternative<PngError>(result));
    return std::holds_alternative<PngError>(result) ? std::get<PngError>(result)
                                                    : PngError::Encoder;
}

// IHDR's bit depth and colour type bytes.
std::pair<int, int> headerOf(const std::vector<std::uint8_t>& png) {
    return {png.at(24), png.at(25)};
}

std::uint32_t crc32Of(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// A chunk with its length and checksum.
void appendChunk(std::vector<std::uint8_t>& out, const char* type,
                 const std::vector<std::uint8_t>& data) {
    const std::uint32_t n = std::uint32_t(data.size());
    for (int shift : {24, 16, 8, 0})
        out.push_back(std::uint8_t(n >> shift));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    const std::uint32_t crc = crc32Of(body);
    for (int shift : {24, 16, 8, 0})
        out.push_back(std::uint8_t(crc >> shift));
}

std::vector<std::uint8_t> headerOnly(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    for (std::uint32_t v : {width, height})
        for (int shift : {24, 16, 8, 0})
            ihdr.push_back(std::uint8_t(v >> shift));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    appendChunk(png, "IHDR", ihdr);
    return png;
}

TEST(PngCodec, PaletteDepthFollowsTheColoursAndTheRequest) {
    struct Case {
        int colours, paletteBits, depth, type;
    } cases[] = {{2, 1, 1, 3},   {2, 2, 2, 3},   {4, 1, 2, 3}, {16, 1, 4, 3},
                 {200, 8, 8, 3}, {300, 8, 8, 2}, {3, 16, 8, 2}};
    for (const Case& c : cases) {
        PngPicture picture;
        picture.colours = pattern(40, 21, c.colours);
        picture.paletteBits = c.paletteBits;
        const auto png = encoded(picture);
        EXPECT_EQ(headerOf(png), std::make_pair(c.depth, c.type)) << c.colours;
        const PngImage back = decoded(png);
        EXPECT_EQ(back.colours, picture.colours) << c.colours;
        EXPECT_EQ(std::count(back.alpha.begin(), back.alpha.end(), 255), 40 * 21);
    }
}

TEST(PngCodec, TransparentPixelsShareOnePaletteEntryOrGetAlpha) {
    for (int bits : {2, 8, 16}) {
        PngPicture picture;
        picture.colours = pattern(9, 5, 3);
        picture.opaque.assign(45, 1);
        picture.opaque[0] = picture.opaque[44] = picture.opaque[7] = 0;
        picture.paletteBits = bits;
        const auto png = encoded(picture);
        EXPECT_EQ(headerOf(png).second, bits == 16 ? 6 : 3);
        const PngImage back = decoded(png);
        for (int i = 0; i < 45; ++i) {
            EXPECT_EQ(back.transparentAt(i % 9, i / 9), picture.opaque[std::size_t(i)] == 0);
            if (picture.opaque[std::size_t(i)]) {
                EXPECT_EQ(back.colours.pixels()[std::size_t(i)],
                          picture.colours.pixels()[std::size_t(i)]);
            }
        }
    }
}

TEST(PngCodec, IndexedImagesKeepTheirPaletteAndDepth) {
    const std::vector<Colour> palette = {rgb(9, 8, 7), rgb(250, 0, 3), rgb(0, 255, 0)};
    std::vector<std::uint8_t> indices(13 * 5);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = std::uint8_t(i * 7 % 3);
    indices[4] = 200; // beyond the palette: its last entry
    for (int bits : {2, 4, 8}) {
        PngIndexed image{13, 5, indices, palette, bits};
        auto result = EncodeIndexedPng(image);
        ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(result)) << bits;
        const auto& png = std::get<std::vector<std::uint8_t>>(result);
        EXPECT_EQ(headerOf(png), std::make_pair(bits, 3));
        // The palette as given: PLTE follows the 25-byte header chunk.
        EXPECT_EQ(png.at(33 + 3), 3 * 3);
        EXPECT_EQ(png.at(33 + 8 + 3), 250);
        const PngImage back = decoded(png);
        for (std::size_t i = 0; i < indices.size(); ++i)
            EXPECT_EQ(back.colours.pixels()[i], palette[std::min<std::size_t>(indices[i], 2)]) << i;
    }
    // Too many colours for the depth, a wrong count of indices, no palette, an odd depth.
    EXPECT_TRUE(
        std::holds_alternative<PngError>(EncodeIndexedPng(PngIndexed{13, 5, indices, palette, 1})));
    EXPECT_TRUE(
        std::holds_alternative<PngError>(EncodeIndexedPng(PngIndexed{13, 4, indices, palette, 8})));
    EXPECT_TRUE(
        std::holds_alternative<PngError>(EncodeIndexedPng(PngIndexed{13, 5, indices, {}, 8})));
    EXPECT_TRUE(
        std::holds_alternative<PngError>(EncodeIndexedPng(PngIndexed{13, 5, indices, palette, 3})));
}

TEST(PngCodec, RefusesWhatIsNotPngOrBroken) {
    PngPicture picture;
    picture.colours = pattern(64, 64, 256 * 3);
    picture.paletteBits = 16;
    const auto png = encoded(picture);
    EXPECT_EQ(failure(std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}),
              PngError::NotPng);
    EXPECT_EQ(failure({}), PngError::NotPng);
    // Cut in the image data, cut after the signature, a flipped bit in the data.
    EXPECT_EQ(failure(std::span(png).first(png.size() / 2)), PngError::Damaged);
    EXPECT_NE(failure(std::span(png).first(12)), PngError::NotPng);
    auto flipped = png;
    flipped[png.size() / 2] ^= 0x10;
    EXPECT_EQ(failure(flipped), PngError::Damaged);
}

TEST(PngCodec, SizesAreCheckedBeforeAnythingIsDecoded) {
    // Sides beyond the limit, and a picture of more pixels than the cap, with no image data
    // at all: the header alone decides.
    EXPECT_EQ(failure(headerOnly(20000, 4)), PngError::TooLarge);
    EXPECT_EQ(failure(headerOnly(16000, 16000)), PngError::TooLarge);
    EXPECT_EQ(failure(headerOnly(16000, 16000), ImportPngLimits), PngError::TooLarge);
    EXPECT_EQ(failure(headerOnly(0, 4)), PngError::Damaged);
    // A crop decodes its rows at full width: a few rows of hundreds of millions of pixels, or
    // a crop's full height of rows as wide as a whole image's pixels, are refused before any
    // decoding; a tall narrow image is not, as its rows are short.
    EXPECT_EQ(failure(headerOnly(400'000'000, 2), ImportPngLimits), PngError::TooLarge);
    EXPECT_EQ(failure(headerOnly(70'000, 5000), ImportPngLimits), PngError::TooLarge);
    EXPECT_EQ(failure(headerOnly(1, 0x7FFFFFFF), ImportPngLimits), PngError::Damaged);
    EXPECT_EQ(failure(headerOnly(60'000, 5000), ImportPngLimits), PngError::Damaged);
    // A chunk that claims 2 GB.
    auto huge = headerOnly(4, 4);
    huge.insert(huge.end(), {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 0, 0, 0, 0});
    EXPECT_NE(DecodePng(huge).index(), 0u);
}

TEST(PngCodec, AncillaryChunksNeitherStopNorBurdenTheDecoding) {
    // A palette picture with a transparent pixel, so the kept tRNS chunk is seen to apply.
    PngPicture picture;
    picture.colours = pattern(6, 4, 3);
    picture.opaque.assign(24, 1);
    picture.opaque[5] = 0;
    const auto plain = encoded(picture);
    // After the header: 2000 text chunks (more than the library counts before it gives up),
    // 2 MB of text, a compressed text whose stream is garbage, a colour profile whose stream
    // claims far more than it holds, and a text chunk with a wrong checksum.
    std::vector<std::uint8_t> extra;
    for (int i = 0; i < 2000; ++i)
        appendChunk(extra, "tEXt", {'k', 0, std::uint8_t('0' + i % 10)});
    std::vector<std::uint8_t> text(std::size_t(2) << 20, 'a');
    text[1] = 0;
    appendChunk(extra, "tEXt", text);
    appendChunk(extra, "zTXt", {'k', 0, 0, 0x78, 0x9C, 0xFF, 0xFF, 0x12, 0x34});
    appendChunk(extra, "iCCP", {'p', 0, 0, 0x78, 0x9C, 0x4B, 0x4C, 0x1C, 0x05});
    std::vector<std::uint8_t> badCrc;
    appendChunk(badCrc, "tEXt", {'k', 0, 'v'});
    badCrc.back() ^= 1;
    extra.insert(extra.end(), badCrc.begin(), badCrc.end());
    auto png = plain;
    png.insert(png.begin() + 33, extra.begin(), extra.end());
    const PngImage back = decoded(png);
    EXPECT_EQ(back.colours.width(), 6);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(back.transparentAt(i % 6, i / 6), i == 5) << i;
        if (i != 5) {
            EXPECT_EQ(back.colours.pixels()[std::size_t(i)],
                      picture.colours.pixels()[std::size_t(i)]);
        }
    }
    // A damaged critical chunk still fails, whatever surrounds it.
    auto damaged = png;
    damaged[damaged.size() - 20] ^= 0x40;
    EXPECT_EQ(failure(damaged), PngError::Damaged);
}

TEST(PngCodec, ImportKeepsTheTopLeftOfAHugePlainImage) {
    PngPicture picture;
    picture.colours = pattern(20000, 3, 5);
    const auto png = encoded(picture);
    EXPECT_EQ(failure(png), PngError::TooLarge);
    const PngImage part = decoded(png, ImportPngLimits);
    EXPECT_TRUE(part.cropped);
    ASSERT_EQ(part.colours.width(), ImportCropWidth);
    ASSERT_EQ(part.colours.height(), 3);
    for (int x : {0, 1, 777, ImportCropWidth - 1})
        EXPECT_EQ(part.colours.pixel(x, 2), picture.colours.pixel(x, 2));
}

TEST(PngCodec, TypeBySignatureWhateverTheName) {
    ScratchDir dir;
    PngPicture picture;
    picture.colours = pattern(3, 3, 2);
    test::writeBytes(dir / "really.gif", encoded(picture));
    test::writeBytes(dir / "fake.png", {'G', 'I', 'F', '8', '9', 'a'});
    EXPECT_EQ(PictureFileTypeOf(dir / "really.gif"), PictureFileType::Png);
    EXPECT_EQ(PictureFileTypeOf(dir / "fake.png"), PictureFileType::Png);
    EXPECT_EQ(PictureFileTypeOf(dir / "missing.bmp"), PictureFileType::Raster);
    auto read = ReadPngFile(dir / "fake.png");
    ASSERT_TRUE(std::holds_alternative<PngError>(read));
    EXPECT_EQ(std::get<PngError>(read), PngError::NotPng);
}

// ImageMagick's reading of a file: 8-bit RGBA bytes, four a pixel.
std::vector<std::uint8_t> magickRgba(const std::filesystem::path& file,
                                     const std::filesystem::path& out) {
    if (!test::run("convert " + file.string() + " -depth 8 rgba:" + out.string()))
        return {};
    return test::readBytes(out);
}

void expectSamePixels(const PngImage& ours, const std::vector<std::uint8_t>& peer,
                      const std::string& what) {
    const int w = ours.colours.width(), h = ours.colours.height();
    ASSERT_EQ(peer.size(), std::size_t(w) * std::size_t(h) * 4) << what;
    int differences = 0;
    for (int i = 0; i < w * h; ++i) {
        const std::uint8_t* p = &peer[std::size_t(i) * 4];
        const Colour c = ours.colours.pixels()[std::size_t(i)];
        const int alpha = ours.alpha[std::size_t(i)];
        // The colour under a fully transparent pixel is no one's business.
        const bool same = alpha == p[3] && (alpha == 0 || c == rgb(p[0], p[1], p[2]));
        if (!same && differences++ < 3)
            ADD_FAILURE() << what << ": pixel " << i << " ours " << std::hex << c << "/" << alpha
                          << " peer " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]) << "/"
                          << int(p[3]);
    }
    EXPECT_EQ(differences, 0) << what;
}

TEST(PngPeers, FilesOthersWroteDecodeAsImageMagickReadsThem) {
    if (!test::haveTool("convert"))
        GTEST_SKIP() << "ImageMagick missing";
    ScratchDir dir;
    // A source with smooth 16-bit ramps, some fully and some half transparent pixels.
    const std::string source = (dir / "source.png").string();
    ASSERT_TRUE(test::run("convert -size 37x23 gradient:#102030-#f0e0d0 -rotate 0 "
                          "\\( -size 37x23 gradient:#ffffff-#000000 \\) -alpha off "
                          "-compose CopyOpacity -composite -depth 16 PNG64:" +
                          source));
    struct Variant {
        const char* name;
        const char* options;
    } variants[] = {
        {"rgba16.png", "-depth 16 PNG64:"},
        {"rgb16.png", "-alpha off -depth 16 PNG48:"},
        {"interlaced.png", "-interlace PNG -depth 8 PNG32:"},
        {"interlaced16.png", "-interlace PNG -depth 16 PNG64:"},
        {"palette-trns.png", "-channel A -threshold 50% +channel -colors 60 PNG8:"},
        {"grey-alpha.png",
         "-colorspace Gray -define png:color-type=4 -define png:bit-depth=8 PNG:"},
        {"grey16.png", "-alpha off -colorspace Gray -depth 16 -define png:color-type=0 PNG:"},
        {"grey1.png", "-alpha off -colorspace Gray -threshold 50% -define png:color-type=0 "
                      "-define png:bit-depth=1 PNG:"},
        {"grey2.png", "-alpha off -colorspace Gray -posterize 4 -define png:color-type=0 "
                      "-define png:bit-depth=2 PNG:"},
        {"grey4.png", "-alpha off -colorspace Gray -posterize 16 -define png:color-type=0 "
                      "-define png:bit-depth=4 PNG:"},
        {"palette4.png", "-alpha off -colors 12 -define png:bit-depth=4 PNG8:"},
    };
    for (const Variant& v : variants) {
        const auto file = dir / v.name;
        ASSERT_TRUE(test::run("convert " + source + " " + v.options + file.string())) << v.name;
        const auto bytes = test::readBytes(file);
        auto ours = DecodePng(bytes);
        ASSERT_TRUE(std::holds_alternative<PngImage>(ours)) << v.name;
        expectSamePixels(std::get<PngImage>(ours), magickRgba(file, dir / "peer.rgba"), v.name);
    }
}

CPicture pictureOf(const Surface& s, const PaletteMap& map) {
    CPicture p;
    p.Create(s.width(), s.height(), 1);
    p.GrabFrom(s, map);
    return p;
}

TEST(PngPeers, EveryFileWeWriteReadsTheSameInImageMagickAndPngcheck) {
    if (!test::haveTool("convert") || !test::haveTool("pngcheck"))
        GTEST_SKIP() << "ImageMagick or pngcheck missing";
    ScratchDir dir;
    const Surface colours = pattern(33, 17, 400);
    CPicture mono = pictureOf(colours, MonoMap);
    CPicture grey = pictureOf(colours, GreyMap);
    CPicture cube = pictureOf(pattern(33, 17, 200), CubeMap);
    CPicture direct = pictureOf(colours, DirectMap);
    CPicture icon = pictureOf(colours, GreyMap);
    icon.m_bMasked = true;
    icon.SetMask(0, 0, 0);
    icon.SetMask(32, 16, 0);
    CPicture colourIcon = direct;
    colourIcon.m_bMasked = true;
    colourIcon.SetMask(5, 5, 0);
    const std::pair<const char*, const CPicture*> pictures[] = {
        {"mono", &mono},     {"grey", &grey}, {"cube", &cube},
        {"direct", &direct}, {"icon", &icon}, {"colour-icon", &colourIcon}};
    for (const auto& [name, picture] : pictures) {
        const auto file = dir / (std::string(name) + ".png");
        ASSERT_TRUE(WritePicturePng(*picture, file)) << name;
        EXPECT_TRUE(test::run("pngcheck -q " + file.string())) << name;
        const auto peer = magickRgba(file, dir / "peer.rgba");
        ASSERT_EQ(peer.size(), std::size_t(33 * 17 * 4)) << name;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 33; ++x) {
                const std::uint8_t* p = &peer[std::size_t(y * 33 + x) * 4];
                const bool transparent = picture->m_bMasked && !picture->GetMask(x, y);
                ASSERT_EQ(p[3], transparent ? 0 : 255) << name << " " << x << "," << y;
                if (!transparent) {
                    ASSERT_EQ(rgb(p[0], p[1], p[2]), picture->PixelColour(x, y))
                        << name << " " << x << "," << y;
                }
            }
    }
    // Each at its own depth.
    EXPECT_EQ(headerOf(test::readBytes(dir / "mono.png")), std::make_pair(1, 3));
    EXPECT_EQ(headerOf(test::readBytes(dir / "grey.png")), std::make_pair(2, 3));
    EXPECT_EQ(headerOf(test::readBytes(dir / "cube.png")), std::make_pair(8, 3));
    EXPECT_EQ(headerOf(test::readBytes(dir / "direct.png")), std::make_pair(8, 2));
    EXPECT_EQ(headerOf(test::readBytes(dir / "colour-icon.png")), std::make_pair(8, 6));
}

TEST(PngFile, AFileBeyondTheLimitIsTooLargeNotAFailureOfTheDisk) {
    ScratchDir dir;
    const auto file = dir / "huge.png";
    test::writeBytes(file, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    std::filesystem::resize_file(file, MaxPngFileSize + 1); // sparse: no disk taken
    int error = -1;
    auto read = ReadPngFile(file, {}, &error);
    ASSERT_TRUE(std::holds_alternative<PngError>(read));
    EXPECT_EQ(std::get<PngError>(read), PngError::TooLarge);
    EXPECT_EQ(error, 0);
    read = ReadPngFile(dir / "missing.png", {}, &error);
    ASSERT_TRUE(std::holds_alternative<PngError>(read));
    EXPECT_EQ(std::get<PngError>(read), PngError::Damaged);
    EXPECT_EQ(error, ENOENT);
}

TEST(PngFile, AFailedWriteKeepsThePreviousFile) {
    ScratchDir dir;
    const auto file = dir / "keep.png";
    test::writeBytes(file, {1, 2, 3});
    CPicture empty;
    int error = -1;
    EXPECT_FALSE(WritePicturePng(empty, file, &error));
    EXPECT_EQ(test::readBytes(file), (std::vector<std::uint8_t>{1, 2, 3}));
    CPicture one = pictureOf(Surface(2, 2, 0), GreyMap);
    EXPECT_FALSE(WritePicturePng(one, dir / "no-such-folder" / "x.png", &error));
    EXPECT_NE(error, 0);
}

} // namespace
} // namespace pixelon

#include <gtest/gtest.h>

#include "core/Picture.h"
#include "core/Portfolio.h"

using namespace pixelon;

namespace {

constexpr std::uint16_t White = 0xFFFF;
constexpr std::uint16_t Black = 0x0000;

CPicture filled(int width, int height, std::uint16_t value) {
    CPicture p;
    p.Create(width, height, 0x41);
    p.m_nDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.SetPixel(x, y, value);
    std::fill(p.m_mask.begin(), p.m_mask.end(), 1);
    return p;
}

} // namespace

TEST(Picture, CreateClampsTheSizeAndStartsBlackAndTransparent) {
    CPicture p;
    EXPECT_EQ(p.m_nStoredDepth, CPicture::DepthNotSet);
    EXPECT_EQ(p.GetStoredDepth(), 1) << "an unset stored depth reads as the display depth";
    EXPECT_TRUE(p.Create(2000, 2000, 7));
    EXPECT_EQ(p.m_nWidth, 1280);
    EXPECT_EQ(p.m_nHeight, 1024);
    EXPECT_EQ(p.m_nId, 7);
    ASSERT_EQ(p.m_pixels.size(), 1280u * 1024 * 2);
    ASSERT_GE(p.m_mask.size(), 1280u * 1024);
    EXPECT_EQ(p.GetPixel(1279, 1023), 0);
    EXPECT_EQ(p.GetMask(1279, 1023), 0);
    p.Create(-3, 5, 1);
    EXPECT_EQ(p.m_nWidth, 0);
    EXPECT_TRUE(p.m_pixels.empty());
}

TEST(Picture, PixelsAreStoredBigEndian) {
    CPicture p = filled(2, 1, 0);
    p.SetPixel(1, 0, 0x1234);
    EXPECT_EQ(p.m_pixels[2], 0x12);
    EXPECT_EQ(p.m_pixels[3], 0x34);
    EXPECT_EQ(p.GetPixel(1, 0), 0x1234);
}

TEST(Picture, CopyFromKeepsTheTargetsOwnIdentity) {
    CPicture source = filled(3, 2, 0xF800);
    source.m_nId = 1;
    source.m_bMasked = false;
    source.m_nStoredDepth = 8;
    CPicture target;
    target.m_nId = 99;
    target.m_bMasked = true;
    target.m_nStoredDepth = 2;
    target.m_nSaveDepth = 2;
    target.CopyFrom(source);
    EXPECT_EQ(target.m_nWidth, 3);
    EXPECT_EQ(target.m_nHeight, 2);
    EXPECT_EQ(target.m_nDepth, 16);
    EXPECT_EQ(target.m_pixels, source.m_pixels);
    EXPECT_EQ(target.m_mask, source.m_mask);
    EXPECT_EQ(target.m_nId, 99);
    EXPECT_TRUE(target.m_bMasked);
    EXPECT_EQ(target.m_nStoredDepth, 2);
    EXPECT_EQ(target.m_nSaveDepth, 2);
}

TEST(Picture, OneBitPackUsesColumnBytesInBandsOfEightRows) {
    CPicture p = filled(3, 9, White);
    p.SetPixel(0, 0, Black);  // band 0, column 0, bit 0
    p.SetPixel(1, 7, 0x7FFF); // below 0x8000 counts as dark
    p.SetPixel(2, 3, 0x8000); // not dark
    p.SetPixel(2, 8, Black);  // band 1, column 2, bit 0
    auto bytes = p.Pack(GreyMap, MonoMap);
    ASSERT_EQ(bytes.size(), 6u);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 0x80, 0x00, 0x00, 0x00, 0x01}));

    CPicture back;
    back.Create(3, 9, 1);
    back.Unpack(MonoMap, GreyMap, bytes);
    EXPECT_EQ(back.GetPixel(0, 0), 0) << "set bit is black, index 0";
    EXPECT_EQ(back.GetPixel(1, 0), 3) << "clear bit is white, index 3";
    EXPECT_EQ(back.GetPixel(2, 8), 0);
    EXPECT_EQ(back.GetMask(2, 8), 1);
}

TEST(Picture, TwoBitPackSplitsTheGreysAtA9A8) {
    CPicture p = filled(1, 5, 0);
    p.SetPixel(0, 0, 0xFFFF); // 3
    p.SetPixel(0, 1, 0xA9A8); // 1
    p.SetPixel(0, 2, 0xA9A9); // 2
    p.SetPixel(0, 3, 0x0000); // 0
    p.SetPixel(0, 4, 0x0001); // 1
    auto bytes = p.Pack(GreyMap, GreyMap);
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 3 | 1 << 2 | 2 << 4 | 0 << 6);
    EXPECT_EQ(bytes[1], 1);

    CPicture back;
    back.Create(1, 5, 1);
    back.Unpack(GreyMap, GreyMap, bytes);
    const int expected[] = {3, 1, 2, 0, 1};
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(back.GetPixel(0, y), expected[y]) << y;
}

TEST(Picture, EightBitPackIsTheColourCubeIndex) {
    CPicture p = filled(3, 1, 0);
    p.SetPixel(0, 0, 0xF800); // red
    p.SetPixel(1, 0, 0x07E0); // green
    p.SetPixel(2, 0, 0x001F); // blue
    auto bytes = p.Pack(CubeMap, CubeMap);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xE0, 0x1C, 0x03}));

    CPicture back;
    back.Create(3, 1, 1);
    back.Unpack(CubeMap, CubeMap, bytes);
    EXPECT_EQ(back.GetPixel(0, 0), 0xF800);
    EXPECT_EQ(back.GetPixel(2, 0), 0x001F);
    back.Unpack(CubeMap, CubeMap, std::vector<std::uint8_t>{0x25});
    EXPECT_EQ(back.GetPixel(0, 0), toRgb565(cubePalette()[0x25]));
}

TEST(Picture, SixteenBitPackIsLittleEndianAndRoundTrips) {
    CPicture p = filled(2, 2, 0);
    p.SetPixel(0, 0, 0x1234);
    p.SetPixel(1, 0, 0xABCD);
    p.SetPixel(0, 1, 0xFFFE);
    p.SetPixel(1, 1, 0x0102);
    auto bytes = p.Pack(DirectMap, DirectMap);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x34, 0x12, 0xCD, 0xAB, 0xFE, 0xFF, 0x02, 0x01}));
    CPicture back;
    back.Create(2, 2, 1);
    back.Unpack(DirectMap, DirectMap, bytes);
    EXPECT_EQ(back.m_pixels, p.m_pixels);
    EXPECT_EQ(back.GetMask(1, 1), 1);
}

TEST(Picture, PackOfARectAndShortUnpackData) {
    CPicture p = filled(4, 4, White);
    p.SetPixel(2, 1, Black);
    auto bytes = p.Pack(GreyMap, MonoMap, Rect{1, 1, 3, 3});
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x01}));

    CPicture back = filled(2, 9, White);
    back.Unpack(MonoMap, GreyMap, std::vector<std::uint8_t>{0xFF});
    EXPECT_EQ(back.GetPixel(0, 7), 0);
    EXPECT_EQ(back.GetPixel(1, 0), 3) << "missing bytes read as 0 (white)";
}

TEST(Picture, MaskPacksInBandsOfEightRows) {
    CPicture p = filled(2, 9, 0);
    std::fill(p.m_mask.begin(), p.m_mask.end(), 0);
    p.SetMask(0, 0, 1);
    p.SetMask(1, 8, 1);
    auto bytes = p.PackMask();
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x01}));
    CPicture back = filled(2, 9, 0);
    back.UnpackMask(bytes);
    EXPECT_EQ(back.m_mask, p.m_mask);
}

TEST(Picture, ClassifyDepthFindsTheSmallestDepth) {
    CPicture empty;
    EXPECT_EQ(empty.ClassifyDepth(), 0);

    CPicture p = filled(3, 1, White);
    p.SetPixel(1, 0, Black);
    EXPECT_EQ(p.ClassifyDepth(), 1);
    EXPECT_FALSE(p.NeedsColour());
    p.SetPixel(2, 0, toRgb565(colourDarkGrey));
    EXPECT_EQ(p.ClassifyDepth(), 2);
    EXPECT_EQ(p.m_nSaveDepth, 2);
    p.SetPixel(2, 0, toRgb565(colourLightGrey));
    EXPECT_EQ(p.ClassifyDepth(), 2);
    p.SetPixel(2, 0, toRgb565(rgb(111, 111, 111)));
    EXPECT_EQ(p.ClassifyDepth(), 2) << "each channel within 81..111";
    p.SetPixel(0, 0, 0xF800);
    EXPECT_EQ(p.ClassifyDepth(), 16);
    EXPECT_TRUE(p.NeedsColour());
    p.m_nStoredDepth = 8;
    EXPECT_EQ(p.ClassifyDepth(), 8);
    p.SetPixel(0, 0, toRgb565(rgb(140, 140, 140))); // between the two grey ranges
    EXPECT_EQ(p.ClassifyDepth(), 8);
}

TEST(Picture, DrawPaintsValuesMaskAndGreyIndices) {
    CPicture p = filled(3, 2, 0xF800);
    p.SetPixel(1, 0, White);
    p.SetMask(2, 1, 0);
    p.m_bMasked = true;
    Surface s(5, 5, rgb(1, 2, 3));
    p.Draw(s, 1, 1, White);
    EXPECT_EQ(s.pixel(1, 1), rgb(255, 0, 0));
    EXPECT_EQ(s.pixel(2, 1), rgb(1, 2, 3)) << "the skip value is not painted";
    EXPECT_EQ(s.pixel(3, 2), rgb(255, 0, 0)) << "the mask shows only when asked";
    p.Draw(s, 1, 1, -1, 2, 1, true);
    EXPECT_EQ(s.pixel(2, 1), rgb(255, 255, 255));
    EXPECT_EQ(s.pixel(1, 2), rgb(255, 0, 0)) << "row 1 is beyond maxHeight";
    p.Draw(s, 1, 1, -1, 3, 2, true);
    EXPECT_EQ(s.pixel(3, 2), TransparentKey);
    p.Draw(s, 1, 1, -1, 3, 2, true, rgb(9, 9, 9));
    EXPECT_EQ(s.pixel(3, 2), rgb(9, 9, 9));

    CPicture grey = filled(2, 1, 1);
    grey.m_nDepth = 2;
    grey.SetPixel(1, 0, 2);
    Surface g(2, 1);
    grey.Draw(g, 0, 0);
    EXPECT_EQ(g.pixel(0, 0), colourDarkGrey);
    EXPECT_EQ(g.pixel(1, 0), colourLightGrey);
}

TEST(Picture, GrabFromReducesThroughTheMapAndMarksEveryPixelOpaque) {
    Surface s(4, 3, rgb(255, 255, 255));
    s.setPixel(2, 1, rgb(100, 100, 100));
    s.setPixel(3, 2, rgb(0, 0, 0));
    CPicture p;
    p.Create(2, 2, 5);
    p.m_bMasked = true;
    p.GrabFrom(s, GreyMap, 2, 1);
    EXPECT_FALSE(p.m_bMasked);
    EXPECT_EQ(p.m_nDepth, 2);
    EXPECT_EQ(p.GetPixel(0, 0), 1);
    EXPECT_EQ(p.GetPixel(1, 1), 0);
    EXPECT_EQ(p.GetPixel(1, 0), 3);
    EXPECT_EQ(p.GetMask(1, 1), 1);
    p.GrabFrom(s, MonoMap, 0, 0);
    EXPECT_EQ(p.m_nDepth, 1);
    p.GrabFrom(s, CubeMap, 0, 0);
    EXPECT_EQ(p.m_nDepth, 8);

    CPicture part;
    part.Create(3, 3, 1);
    part.GrabFrom(s, DirectMap, 2, 1, Rect{1, 1, 3, 3});
    EXPECT_EQ(part.GetPixel(1, 1), toRgb565(rgb(100, 100, 100)));
    EXPECT_EQ(part.GetMask(0, 0), 0) << "outside the rect stays cleared";
}

TEST(Picture, DrawAndGrabRoundTripEveryRgb565Value) {
    CPicture p;
    p.Create(256, 256, 1);
    p.m_nDepth = 16;
    for (int v = 0; v < 65536; ++v)
        p.SetPixel(v % 256, v / 256, std::uint16_t(v));
    Surface s = p.MakeBitmap();
    p.DrawInto(s);
    CPicture back;
    back.Create(256, 256, 1);
    back.GrabFromBitmap(s);
    EXPECT_EQ(back.m_pixels, p.m_pixels);
}

TEST(Picture, EnlargeAndCropHeightKeepThePictureAndClearTheMask) {
    const PaletteMap* saved = CurrentMap;
    CurrentMap = &DirectMap;
    CPicture p = filled(2, 2, 0xF800);
    p.SetPixel(1, 1, Black);
    p.m_bMasked = true;
    p.EnlargeHeight(1, 2);
    ASSERT_EQ(p.m_nHeight, 5);
    EXPECT_FALSE(p.m_bMasked);
    EXPECT_EQ(p.GetPixel(0, 0), White);
    EXPECT_EQ(p.GetPixel(0, 1), 0xF800);
    EXPECT_EQ(p.GetPixel(1, 2), Black);
    EXPECT_EQ(p.GetPixel(1, 4), White);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(p.GetMask(0, y), 1);

    p.CropHeight(1, 2);
    ASSERT_EQ(p.m_nHeight, 2);
    EXPECT_EQ(p.GetPixel(0, 0), 0xF800);
    EXPECT_EQ(p.GetPixel(1, 1), Black);

    CPicture tall = filled(1, 1000, Black);
    tall.EnlargeHeight(2000000000, 2000000000);
    EXPECT_EQ(tall.m_nHeight, 1024) << "no overflow, limited to the record's height";
    tall.CropHeight(2000000000, 2000000000);
    EXPECT_EQ(tall.m_nHeight, 0);

    CurrentMap = &GreyMap;
    p.EnlargeHeight(0, 1);
    EXPECT_EQ(p.m_nDepth, 2) << "the grab follows the current map";
    EXPECT_EQ(p.GetPixel(0, 2), 3);
    CurrentMap = saved;
}

TEST(Portfolio, InsertionAndSortingByIdKeepEqualIdsInOrder) {
    CPortfolio folio;
    auto make = [](int id, int width) {
        auto p = std::make_unique<CPicture>();
        p->Create(width, 1, id);
        return p;
    };
    EXPECT_EQ(folio.InsertSorted(make(5, 1)), 0);
    EXPECT_EQ(folio.InsertSorted(make(2, 1)), 0);
    EXPECT_EQ(folio.InsertSorted(make(5, 2)), 2) << "after the equal ID";
    EXPECT_EQ(folio.InsertSorted(make(9, 1)), 3);
    folio.InsertAt(make(1, 3), 4);
    folio.InsertAt(make(7, 3), 0);
    ASSERT_EQ(folio.Count(), 6);
    EXPECT_EQ(folio.Picture(5).m_nId, 1) << "appended at the count";
    folio.SortById();
    const int ids[] = {1, 2, 5, 5, 7, 9};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(folio.Picture(i).m_nId, ids[i]);
    EXPECT_EQ(folio.Picture(2).m_nWidth, 1);
    EXPECT_EQ(folio.Picture(3).m_nWidth, 2);
    folio.DeleteAllPictures();
    EXPECT_EQ(folio.Count(), 0);
}

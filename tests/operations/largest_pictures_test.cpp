// Every way a picture enters a portfolio, at its largest, must survive a save and a reload.

#include <gtest/gtest.h>

#include "codecs/GifWriter.h"
#include "codecs/RasterFile.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "editing/EditOperations.h"
#include "editing/EditorSession.h"
#include "editing/PictureEditor.h"
#include "operations/NewPicture.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using test::ScratchDir;

class LargestPictures : public ::testing::Test {
protected:
    void TearDown() override { CurrentMap = &DirectMap; }

    // Saves the portfolio, reads it back and compares every picture pixel for pixel.
    void expectReloads(const CPortfolio& portfolio) {
        CPortfolio saved;
        saved.m_strName = "Big";
        for (const auto& p : portfolio.m_pictures)
            saved.m_pictures.push_back(std::make_unique<CPicture>(*p));
        ASSERT_TRUE(saved.WriteFile(dir / "big.pfo", feedback));
        CPortfolio back;
        ASSERT_TRUE(back.ReadFile(dir / "big.pfo", feedback))
            << (feedback.messages().empty() ? "" : feedback.messages().back().text);
        ASSERT_EQ(back.Count(), portfolio.Count());
        for (int i = 0; i < back.Count(); ++i) {
            SCOPED_TRACE(i);
            const CPicture& a = portfolio.Picture(i);
            const CPicture& b = back.Picture(i);
            ASSERT_EQ(b.m_nWidth, a.m_nWidth);
            ASSERT_EQ(b.m_nHeight, a.m_nHeight);
            bool same = true;
            for (int y = 0; y < a.m_nHeight && same; ++y)
                for (int x = 0; x < a.m_nWidth && same; ++x)
                    same = toRgb565(a.PixelColour(x, y)) == toRgb565(b.PixelColour(x, y));
            EXPECT_TRUE(same);
        }
    }

    ScratchDir dir;
    RecordingFeedback feedback;
};

TEST_F(LargestPictures, NewPictureAndTheEditorMakeThemUpTo1300By1360) {
    CPortfolio portfolio;
    NewPictureModel model(portfolio, -1);
    model.setWidth(NewPictureModel::MaxWidth);
    model.setHeight(NewPictureModel::MaxHeight);
    ASSERT_FALSE(model.validate());
    std::unique_ptr<CPicture> fresh = model.create();
    ASSERT_TRUE(fresh);
    greyIndicesToRgb565(*fresh);
    fresh->SetPixel(1299, 1359, 0);
    portfolio.m_pictures.push_back(std::move(fresh));

    // The editor grows a small picture to its own limit and writes it back on OK.
    auto small = std::make_unique<CPicture>();
    small->Create(4, 4, 2);
    small->m_nDepth = 16;
    PictureEditor editor(*small, feedback, 0);
    applyEditOperation(editor, "resize=1300x1360");
    editor.accept(*small);
    ASSERT_EQ(small->m_nWidth, 1300);
    ASSERT_EQ(small->m_nHeight, 1360);
    portfolio.m_pictures.push_back(std::move(small));

    // A wide, flat one as the command line's resize makes it.
    auto flat = std::make_unique<CPicture>();
    flat->Create(2, 2, 3);
    flat->m_nDepth = 16;
    PictureEditor flatEditor(*flat, feedback, 0);
    applyEditOperation(flatEditor, "resize=1300x2");
    flatEditor.accept(*flat);
    portfolio.m_pictures.push_back(std::move(flat));
    expectReloads(portfolio);
}

TEST_F(LargestPictures, PasteGrabAndImportsKeepTheirSizes) {
    CPortfolio portfolio;
    // Paste and the screen grab hand Create a bitmap of up to 1300 x 1360.
    Surface clip(1300, 1360, colourWhite);
    clip.setPixel(5, 7, 0x00FF8040);
    auto pasted = std::make_unique<CPicture>();
    pasted->Create(clip.width(), clip.height(), 1);
    pasted->GrabFrom(clip, DirectMap);
    portfolio.m_pictures.push_back(std::move(pasted));

    // Imports: a BMP and a two-frame GIF, both larger than a picture may be made.
    Surface wide(1500, 1100, 0x00336699);
    std::vector<std::uint8_t> indices(std::size_t(1500) * 1100, 1);
    const std::vector<Colour> palette = {colourBlack, 0x00336699};
    test::writeBytes(dir / "wide.bmp", EncodeBmp8(1500, 1100, palette, indices));
    GifFile gif;
    gif.screenWidth = 2000;
    gif.screenHeight = 1500;
    gif.globalTable = CubeColourTable();
    for (int frame = 0; frame < 2; ++frame) {
        GifImage image;
        image.width = 2000;
        image.height = 1500;
        image.bitsPerPixel = 8;
        image.pixels.assign(std::size_t(2000) * 1500, std::uint8_t(0x1C));
        gif.images.push_back(std::move(image));
    }
    ASSERT_TRUE(WriteGifFile(gif, dir / "anim.gif"));
    std::vector<std::filesystem::path> files = {dir / "wide.bmp", dir / "anim.gif"};
    CurrentMap = &DirectMap;
    ImportReport report = ImportPictureFiles(portfolio, files, feedback);
    ASSERT_EQ(report.picturesAdded, 3);
    expectReloads(portfolio);
}

} // namespace
} // namespace pixelon

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/Portfolio.h"
#include "editing/EditOperations.h"

namespace pixelon {
namespace {

namespace fs = std::filesystem;

CPicture picture(int w, int h) {
    CPicture p;
    p.Create(w, h, 5);
    p.m_nDepth = 16;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.SetPixel(x, y, 0xFFFF);
    return p;
}

TEST(EditOperations, ApplyInOrderWithSelection) {
    CPicture p = picture(6, 4);
    p.SetPixel(0, 0, 0);
    RecordingFeedback feedback;
    PictureEditor editor(p, feedback);
    applyEditOperation(editor, "fold=left-to-right");
    EXPECT_EQ(editor.pixel(5, 0), colourBlack);
    applyEditOperation(editor, "select=0,0,2,2");
    applyEditOperation(editor, "shift=down");
    EXPECT_EQ(editor.pixel(0, 1), colourBlack);
    EXPECT_EQ(editor.pixel(0, 0), colourWhite);
    applyEditOperation(editor, "crop");
    EXPECT_EQ(editor.width(), 2);
    EXPECT_EQ(editor.height(), 2);
    applyEditOperation(editor, "scale=4X4");
    EXPECT_EQ(editor.width(), 4);
    applyEditOperation(editor, "swap=3,1,2,0,3");
    EXPECT_EQ(editor.pixel(0, 0), colourWhite); // the black corner, swapped
    EXPECT_EQ(editor.pixel(0, 2), colourBlack);
    applyEditOperation(editor, "gsmap=250,200,100,10");
    applyEditOperation(editor, "rotate=180");
    applyEditOperation(editor, "clear");
    EXPECT_EQ(editor.pixel(0, 2), colourWhite);
    currentMappingSteps() = MappingSteps{};
    CurrentMap = &DirectMap;
}

TEST(EditOperations, ShiftNamesWhereTheContentGoes) {
    CPicture p = picture(4, 3);
    p.SetPixel(1, 1, 0);
    RecordingFeedback feedback;
    PictureEditor editor(p, feedback);
    applyEditOperation(editor, "shift=right");
    EXPECT_EQ(editor.pixel(2, 1), colourBlack);
    applyEditOperation(editor, "shift=up");
    EXPECT_EQ(editor.pixel(2, 0), colourBlack);
}

TEST(EditOperations, BadTextIsRefusedWithItsName) {
    CPicture p = picture(3, 3);
    RecordingFeedback feedback;
    PictureEditor editor(p, feedback);
    for (const char* bad : {"spin", "rotate=up", "scale=0x5", "scale=5", "resize=2000x3",
                            "swap=1,2,3", "swap=9,0,0,0,0", "select=5,5,1,1", "select=0,0,0,1",
                            "gsmap=1,2,3,300", "mono=1", "fold=sideways", "shift=1"}) {
        try {
            applyEditOperation(editor, bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(editor.width(), 3);
}

TEST(EditCommand, EditsAndSavesThroughTheProgram) {
    const char* bin = std::getenv("PIXELON_BINARY_DIR");
    if (!bin)
        GTEST_SKIP() << "PIXELON_BINARY_DIR is not set";
    const fs::path program = fs::path(bin) / "cli" / "pixelon";
    if (!fs::exists(program))
        GTEST_SKIP() << "pixelon is not built";
    const fs::path dir = fs::temp_directory_path() / ("pixelon-edit-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    CPortfolio portfolio;
    auto p = std::make_unique<CPicture>(picture(3, 2));
    p->SetPixel(0, 0, 0);
    portfolio.m_pictures.push_back(std::move(p));
    RecordingFeedback feedback;
    ASSERT_TRUE(portfolio.WriteFile(dir / "in.pfo", feedback));
    const std::string command = program.string() + " edit " + (dir / "in.pfo").string() +
                                " --id 5 rotate=right fold=mirror -o " +
                                (dir / "out.pfo").string() + " 2>" + (dir / "err").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    CPortfolio back;
    ASSERT_TRUE(back.ReadFile(dir / "out.pfo", feedback));
    ASSERT_EQ(back.Count(), 1);
    const CPicture& r = back.Picture(0);
    EXPECT_EQ(r.m_nWidth, 2);
    EXPECT_EQ(r.m_nHeight, 3);
    // Right 90 puts the black pixel at the top right; the mirror brings it to the top left.
    EXPECT_EQ(r.GetPixel(0, 0), 0);
    EXPECT_EQ(r.GetPixel(1, 0), 0xFFFF);
    const std::string bad = program.string() + " edit " + (dir / "in.pfo").string() +
                            " --id 6 mono 2>" + (dir / "err").string();
    EXPECT_NE(std::system(bad.c_str()), 0);
    fs::remove_all(dir);
}

} // namespace
} // namespace pixelon

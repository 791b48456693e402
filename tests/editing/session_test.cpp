#include <gtest/gtest.h>

#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "editing/EditorSession.h"

namespace pixelon {
namespace {

TEST(InteractiveImport, AddedOnlyOnOk) {
    Surface bitmap(2000, 3, rgb(255, 0, 0));
    int runs = 0;
    auto cancel = importForEditing(bitmap, 9, [&](CPicture& p) {
        ++runs;
        EXPECT_EQ(p.m_nWidth, 1280);
        return EditorResult::Cancel;
    });
    EXPECT_FALSE(cancel);
    auto ok = importForEditing(bitmap, 9, [](CPicture&) { return EditorResult::Ok; });
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->m_nId, 9);
    EXPECT_EQ(ok->GetPixel(0, 0), 0xF800);
    EXPECT_EQ(runs, 1);
}

TEST(Placement, RoundTripAndRanges) {
    HiveData hive;
    EditorPlacement p{-20, 300, true, 40, 50};
    p.save(hive);
    EditorPlacement back = EditorPlacement::load(hive);
    EXPECT_EQ(back.editorX, -20);
    EXPECT_EQ(back.editorY, 300);
    EXPECT_TRUE(back.easyPaletteVisible);
    EXPECT_EQ(back.easyPaletteY, 50);
    const char* key = "Software\\Kivo Norvane\\Vistrel\\Settings";
    hive.setValue(key, "EasyPalattePositionX", std::uint32_t(70000));
    hive.setValue(key, "EasyPalatteVisible", std::uint32_t(2));
    back = EditorPlacement::load(hive);
    EXPECT_EQ(back.easyPaletteX, 0);
    EXPECT_FALSE(back.easyPaletteVisible);
    EXPECT_EQ(EditorPlacement::load(HiveData{}).editorX, 0);
}

TEST(UserPaletteSettings, RoundTripThroughTheRecord) {
    CAppSettings settings;
    UserPalette palette = userPaletteFrom(settings);
    EXPECT_EQ(palette.colours[5], 0xFFFFFFu);
    palette.colours[5] = rgb(1, 2, 3);
    palette.currentPaletteFile = std::string(300, 'a');
    storeUserPalette(palette, settings);
    EXPECT_EQ(settings.m_crCustomColors[5], rgb(1, 2, 3));
    EXPECT_EQ(settings.m_strUserPaletteFile.size(), 255u);
}

} // namespace
} // namespace pixelon

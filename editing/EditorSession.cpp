#include "editing/EditorSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/AppSettings.h"
#include "core/Portfolio.h"

namespace pixelon {

namespace {

constexpr std::string_view SettingsKey = "Software\\Kivo Norvane\\Vistrel\\Settings";

} // namespace

UserPalette userPaletteFrom(const CAppSettings& settings) {
    UserPalette palette;
    for (std::size_t i = 0; i < palette.colours.size(); ++i)
        palette.colours[i] = settings.m_crCustomColors[i] & 0x00FFFFFF;
    palette.currentPaletteFile = settings.m_strUserPaletteFile;
    return palette;
}

void storeUserPalette(const UserPalette& palette, CAppSettings& settings) {
    for (std::size_t i = 0; i < palette.colours.size(); ++i)
        settings.m_crCustomColors[i] = palette.colours[i] & 0x00FFFFFF;
    settings.m_strUserPaletteFile =
        palette.currentPaletteFile.substr(0, CAppSettings::kMaxPaletteFileLength);
}

void greyIndicesToRgb565(CPicture& picture) {
    if (picture.m_nDepth > 2)
        return;
    const std::uint16_t colours[4] = {toRgb565(colourBlack), toRgb565(colourDarkGrey),
                                      toRgb565(colourLightGrey), toRgb565(colourWhite)};
    const std::size_t count = picture.m_pixels.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t v =
            std::uint16_t(picture.m_pixels[i * 2] << 8 | picture.m_pixels[i * 2 + 1]);
        const std::uint16_t c = colours[std::min<std::uint16_t>(v, 3)];
        picture.m_pixels[i * 2] = std::uint8_t(c >> 8);
        picture.m_pixels[i * 2 + 1] = std::uint8_t(c);
    }
    picture.m_nDepth = 16;
}

EditorResult editNewPicture(CPicture& picture, const EditorRunner& runner) {
    const EditorResult result = runner(picture);
    if (result != EditorResult::Ok)
        greyIndicesToRgb565(picture);
    return result;
}

std::unique_ptr<CPicture> importForEditing(const Surface& bitmap, int id,
                                           const EditorRunner& runner) {
    if (bitmap.empty())
        return nullptr;
    auto picture = std::make_unique<CPicture>();
    picture->Create(bitmap.width(), bitmap.height(), id);
    picture->GrabFrom(bitmap, *CurrentMap);
    if (runner(*picture) != EditorResult::Ok)
        return nullptr;
    return picture;
}

EditorPlacement EditorPlacement::load(const HiveData& hive) {
    auto number = [&](std::string_view name) -> std::optional<std::uint32_t> {
        const auto v = hive.value(SettingsKey, name);
        if (!v)
            return {};
        if (const auto* n = std::get_if<std::uint32_t>(&*v))
            return *n;
        return {};
    };
    EditorPlacement p;
    // The editor's place is taken as stored; the EasyPalette's must lie within 0..65535.
    p.editorX = int(std::int32_t(number("EditorPositionX").value_or(0)));
    p.editorY = int(std::int32_t(number("EditorPositionY").value_or(0)));
    const std::uint32_t visible = number("EasyPalatteVisible").value_or(0);
    p.easyPaletteVisible = visible == 1;
    const std::uint32_t x = number("EasyPalattePositionX").value_or(0);
    const std::uint32_t y = number("EasyPalattePositionY").value_or(0);
    p.easyPaletteX = x <= 65535 ? int(x) : 0;
    p.easyPaletteY = y <= 65535 ? int(y) : 0;
    return p;
}

EditorPlacement EditorPlacement::load(const Registry& registry) {
    return load(registry.load(Hive::CurrentUser));
}

void EditorPlacement::save(HiveData& hive) const {
    hive.setValue(SettingsKey, "EasyPalatteVisible", std::uint32_t(easyPaletteVisible ? 1 : 0));
    hive.setValue(SettingsKey, "EasyPalattePositionX",
                  std::uint32_t(std::clamp(easyPaletteX, 0, 65535)));
    hive.setValue(SettingsKey, "EasyPalattePositionY",
                  std::uint32_t(std::clamp(easyPaletteY, 0, 65535)));
    hive.setValue(SettingsKey, "EditorPositionX", std::uint32_t(editorX));
    hive.setValue(SettingsKey, "EditorPositionY", std::uint32_t(editorY));
}

bool EditorPlacement::save(Registry& registry) const {
    return registry.update(Hive::CurrentUser, [this](HiveData& hive) { save(hive); });
}

} // namespace pixelon

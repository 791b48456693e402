#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Picture.h"
#include "editing/PaletteFile.h"
#include "editing/PictureEditor.h"
#include "platform/Registry.h"

namespace pixelon {

class CAppSettings;
class CPortfolio;

// The user palette kept in the settings record (CustomColor0..15 and UserPaletteFile).
UserPalette userPaletteFrom(const CAppSettings& settings);
void storeUserPalette(const UserPalette& palette, CAppSettings& settings);

// Opens the editor on a picture and returns how it ended; on OK the picture holds the edit.
// The window layer supplies the real one; tests supply their own.
using EditorRunner = std::function<EditorResult(CPicture&)>;

// Turns GreyMap indices (depth 1 or 2) into RGB565 colours, so the picture saves and reloads
// as it is shown. Pictures already holding colours are left alone.
void greyIndicesToRgb565(CPicture& picture);

// Opens the editor on a new picture (already added to the portfolio). If the editor is
// cancelled the picture keeps its white pixels, turned into colours so they save correctly.
EditorResult editNewPicture(CPicture& picture, const EditorRunner& runner);

// The interactive import of one decoded bitmap: a picture of at most 1280 x 1024 taken under
// CurrentMap, returned only when the editor ends with OK.
std::unique_ptr<CPicture> importForEditing(const Surface& bitmap, int id,
                                           const EditorRunner& runner);

// The editor's window place and the EasyPalette's, kept under the settings key.
struct EditorPlacement {
    int editorX = 0;
    int editorY = 0;
    bool easyPaletteVisible = false;
    int easyPaletteX = 0;
    int easyPaletteY = 0;

    static EditorPlacement load(const HiveData& userHive);
    static EditorPlacement load(const Registry& registry);
    void save(HiveData& userHive) const;
    bool save(Registry& registry) const;
};

} // namespace pixelon

// The picture editor's commands in the main window.

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"
#include "editing/EditorSession.h"
#include "editing/PaletteFile.h"

#if PIXELON_HAVE_EDITING_UI
#include "editing/ui/EditorDialogs.h"
#include "editing/ui/EditorWindow.h"
#endif

namespace pixelon::app {

namespace {

EditorRunner runnerOf(CGlyphonApp& app) {
    return [&app](CPicture& picture) {
        return app.editor()(picture) ? EditorResult::Ok : EditorResult::Cancel;
    };
}

void editPicture(CGlyphonApp& app) {
    std::vector<int> selected = app.view().selectedIndices();
    if (selected.size() != 1 || selected[0] >= app.doc().m_portfolio.Count())
        return;
    if (app.editor()(app.doc().m_portfolio.Picture(selected[0]))) {
        app.doc().SetModifiedFlag();
        app.view().updatePreview();
    }
}

void newPicture(CGlyphonApp& app) {
    // The proposal follows the caret line, as Duplicate does; the last line without a selection.
    const int caret = currentPictureIndex(app);
    std::unique_ptr<CPicture> picture = app.newPictureDialog()(app.doc().m_portfolio, caret);
    if (!picture)
        return;
    CPicture& added = *picture;
    int index = app.doc().m_portfolio.InsertSorted(std::move(picture));
    app.doc().SetModifiedFlag();
    app.view().documentChanged();
    app.view().selectOnly(index);
    // The picture stays even when the editor is cancelled.
    editNewPicture(added, runnerOf(app));
    app.view().updatePreview();
}

#if PIXELON_HAVE_EDITING_UI
// The user palette as the settings keep it.
UserPalette paletteFrom(const CAppSettings& settings) {
    UserPalette palette;
    palette.colours = settings.m_crCustomColors;
    palette.currentPaletteFile = settings.m_strUserPaletteFile;
    return palette;
}

void storePalette(CAppSettings& settings, const UserPalette& palette) {
    settings.m_crCustomColors = palette.colours;
    settings.m_strUserPaletteFile = palette.currentPaletteFile.substr(
        0, std::min(palette.currentPaletteFile.size(), CAppSettings::kMaxPaletteFileLength));
}
#endif

} // namespace

void registerEditingCommands(CGlyphonApp& app) {
#if PIXELON_HAVE_EDITING_UI
    app.useEditorWindows(
        [&app](CPicture& picture) {
            UserPalette palette = paletteFrom(app.settings());
            ui::EditorOptions options;
            options.portfolio = &app.doc().m_portfolio;
            options.userPalette = &palette;
            options.registry = &app.registry();
            PreviewSize size = app.view().previewSize();
            options.phoneWidth = size.width;
            options.phoneHeight = size.height;
            EditorResult result = ui::openEditor(picture, app.feedback(), options, &app.frame());
            storePalette(app.settings(), palette);
            return result == EditorResult::Ok;
        },
        [&app](const CPortfolio& portfolio, int caret) {
            return ui::runNewPictureDialog(&app.frame(), portfolio, caret);
        });
    CGlyphonView& view = app.view();
    view.addCommand(ID_OPEN_USER_PALETTE, [&app] {
        UserPalette palette = paletteFrom(app.settings());
        if (ui::openUserPalette(&app.frame(), palette))
            storePalette(app.settings(), palette);
    });
    view.addCommand(ID_SAVE_USER_PALETTE, [&app] {
        UserPalette palette = paletteFrom(app.settings());
        ui::runUserPaletteDialog(&app.frame(), palette);
        storePalette(app.settings(), palette);
    });
    view.addCommand(ID_IMPORT_PSP_PALETTE, [&app] {
        if (app.doc().SaveModified())
            ui::importPspPalette(&app.frame());
    });
#endif
    if (!app.editor())
        return; // neither the editor window nor a stand-in: the commands stay out of the menus
    app.view().addCommand(ID_EDIT_PICTURE, [&app] { editPicture(app); });
    if (app.newPictureDialog())
        app.view().addCommand(ID_NEW_PICTURE, [&app] { newPicture(app); });
}

} // namespace pixelon::app

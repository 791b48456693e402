// The picture file commands of the window: importing picture files and exporting pictures.

#include <filesystem>
#include <vector>

#include "app/DragAndDrop.h"
#include "app/ExportCommand.h"
#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/WiredCommands.h"
#include "operations/PictureImport.h"

namespace pixelon::app {

namespace {

// Imports one picture file chosen by the user or given on the command line.
void importPictureFile(CGlyphonApp& app, const std::string& path) {
    CGlyphonDoc& doc = app.doc();
    int before = doc.m_portfolio.Count();
    std::vector<std::filesystem::path> files{path};
    // One file is imported interactively: each single picture goes through the editor and is
    // added only on OK. Without an editor the picture is added at once.
    ImportOptions options;
    if (app.editor())
        options.editor = [&app](CPicture& picture, const Surface&) {
            return app.editor()(picture);
        };
    ImportReport report = ImportPictureFiles(doc.m_portfolio, files, app.feedback(), options);
    if (report.picturesAdded == 0 && report.animationsAdded == 0)
        return;
    doc.SetModifiedFlag();
    app.view().documentChanged();
    // New pictures take IDs after the last one, so the first of them follows the old ones.
    if (doc.m_portfolio.Count() > before)
        app.view().selectOnly(before);
}

} // namespace

void registerPictureCommands(CGlyphonApp& app) {
    app.doc().m_importPicture = [&app](const std::string& path) { importPictureFile(app, path); };
    registerDragAndDrop(app);
    app.view().addCommand(ID_EXPORT_PICTURE, [&app] {
        std::vector<int> selected = app.view().selectedIndices();
        exportSelectedPictures(app.doc(), selected, app.settings(), app.view().previewSize());
    });
}

} // namespace pixelon::app

// The picture file commands of the window: importing picture files and exporting pictures.

#include <QClipboard>
#include <QGuiApplication>

#include <filesystem>
#include <vector>

#include "app/ExportCommand.h"
#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/WiredCommands.h"
#include "operations/PictureImport.h"
#include "platform/qt/SurfaceImage.h"

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

// "Copy Picture": the picture at its own size, transparent pixels shown.
void copyPicture(CGlyphonApp& app) {
    std::vector<int> selected = app.view().selectedIndices();
    if (selected.size() != 1 || selected[0] >= app.doc().m_portfolio.Count())
        return;
    const CPicture& picture = app.doc().m_portfolio.Picture(selected[0]);
    Surface bitmap = picture.MakeBitmap();
    picture.Draw(bitmap, 0, 0, -1, CPicture::MaxWidth, CPicture::MaxHeight, true);
    QGuiApplication::clipboard()->setImage(toQImage(bitmap));
}

// "Paste New Picture": a new picture from the clipboard's bitmap, added at once, then edited.
void pastePicture(CGlyphonApp& app) {
    QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return;
    Surface bitmap = fromQImage(image, 1300, 1360);
    if (bitmap.empty())
        return;
    CGlyphonDoc& doc = app.doc();
    auto picture = std::make_unique<CPicture>();
    if (!picture->Create(bitmap.width(), bitmap.height(), NewPictureId(doc.m_portfolio)))
        return;
    picture->GrabFrom(bitmap, DirectMap);
    CPicture& added = *picture;
    int index = AddPicture(doc.m_portfolio, std::move(picture));
    doc.SetModifiedFlag();
    app.view().documentChanged();
    app.view().selectOnly(index);
    // The picture stays even when the editor is cancelled.
    if (app.editor())
        app.editor()(added);
    app.view().updatePreview();
}

} // namespace

void registerPictureCommands(CGlyphonApp& app) {
    app.view().addCommand(ID_EDIT_COPY, [&app] { copyPicture(app); });
    app.view().addCommand(ID_PASTE_NEW_PICTURE, [&app] { pastePicture(app); });
    app.view().addCommand(ID_PASTE_EDIT_NEW_PICTURE, [&app] { pastePicture(app); });
    app.doc().m_importPicture = [&app](const std::string& path) { importPictureFile(app, path); };
    app.view().addCommand(ID_EXPORT_PICTURE, [&app] {
        std::vector<int> selected = app.view().selectedIndices();
        exportSelectedPictures(app.doc(), selected, app.settings(), app.view().previewSize());
    });
}

} // namespace pixelon::app

// Portfolio operations: IDs, heights, merge, picture files, the clipboard and the grabber.

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QListWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/DragAndDrop.h"
#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/OperationDialogs.h"
#include "app/WiredCommands.h"
#include "operations/DuplicateCheck.h"
#include "operations/Heights.h"
#include "operations/Ids.h"
#include "operations/Merge.h"
#include "operations/PictureBitmaps.h"
#include "operations/PictureImport.h"
#include "platform/FileFeedback.h"
#include "platform/qt/SurfaceImage.h"

#if PIXELON_HAVE_OPERATIONS_UI
#include "operations/ui/OperationWindows.h"
#endif

namespace pixelon::app {

int currentPictureIndex(CGlyphonApp& app) {
    std::vector<int> selected = app.view().selectedIndices();
    if (selected.empty())
        return -1;
    const int caret = app.view().list()->currentRow();
    if (std::find(selected.begin(), selected.end(), caret) != selected.end())
        return caret;
    return selected.front();
}

void CGlyphonApp::useOperationDialogs(std::unique_ptr<OperationDialogs> dialogs) {
    if (m_operationDialogs)
        return;
    m_ownOperationDialogs = std::move(dialogs);
    m_operationDialogs = m_ownOperationDialogs.get();
}

namespace {

#if PIXELON_HAVE_OPERATIONS_UI
class QtOperationDialogs : public OperationDialogs {
public:
    QtOperationDialogs(QWidget* parent, Feedback& feedback)
        : m_parent(parent), m_feedback(feedback) {}

    std::optional<int> askPortfolioId(int proposal) override {
        return ui::runIdDialog(m_parent, proposal, m_feedback);
    }
    bool editHeights(HeightDialogModel& model) override {
        return ui::runHeightDialog(m_parent, model);
    }
    bool editShift(ShiftDialogModel& model) override { return ui::runShiftDialog(m_parent, model); }
    std::optional<MergeChoice> merge(const CPortfolio& ours, const CPortfolio& theirs) override {
        return ui::runMergeDialog(m_parent, ours, theirs);
    }
    std::optional<ScreenGrab> grabScreen() override {
        const QImage snapshot = ui::grabScreenImage();
        // The window is made once and kept for the next grab.
        if (!m_grabber)
            m_grabber = std::make_unique<ui::ImageGrabber>();
        auto rect = ui::grabFromSnapshot(*m_grabber, snapshot, m_feedback);
        if (!rect)
            return std::nullopt;
        return ScreenGrab{fromQImage(snapshot), *rect};
    }

private:
    QWidget* m_parent;
    Feedback& m_feedback;
    std::unique_ptr<ui::ImageGrabber> m_grabber;
};
#endif

void duplicatePicture(CGlyphonApp& app) {
    CPortfolio& portfolio = app.doc().m_portfolio;
    const int index = currentPictureIndex(app);
    if (index < 0 || index >= portfolio.Count())
        return;
    auto id = app.operationDialogs()->askPortfolioId(
        NextFreeId(portfolio, portfolio.Picture(index).m_nId));
    if (!id)
        return;
    app.picturesChanged(DuplicatePicture(portfolio, index, *id));
}

void changePictureId(CGlyphonApp& app) {
    CPortfolio& portfolio = app.doc().m_portfolio;
    std::vector<int> selected = app.view().selectedIndices();
    if (selected.size() != 1 || selected[0] >= portfolio.Count())
        return;
    auto id = app.operationDialogs()->askPortfolioId(portfolio.Picture(selected[0]).m_nId);
    if (!id)
        return;
    app.picturesChanged(ChangePictureId(portfolio, selected[0], *id));
}

void reorderIds(CGlyphonApp& app) {
    CPortfolio& portfolio = app.doc().m_portfolio;
    if (portfolio.Count() == 0)
        return;
    RenumberIds(portfolio, app.feedback());
    app.picturesChanged(0);
}

// The height commands are enabled with pictures but work on the selection: with none, the
// prompt pane says what to do instead of the command doing nothing silently.
bool haveSelection(CGlyphonApp& app, const std::vector<int>& selected) {
    if (!selected.empty())
        return true;
    app.frame().showPrompt(SelectPicturesFirstText);
    return false;
}

void heights(CGlyphonApp& app, bool crop) {
    std::vector<int> selected = app.view().selectedIndices();
    if (!haveSelection(app, selected))
        return;
    HeightDialogModel model = crop ? HeightDialogModel::crop() : HeightDialogModel::enlarge();
    if (!app.operationDialogs()->editHeights(model) || !model.changes())
        return;
    CPortfolio& portfolio = app.doc().m_portfolio;
    if (crop)
        CropHeights(portfolio, selected, model.top.value, model.bottom.value, model.threshold.value,
                    app.feedback());
    else
        EnlargeHeights(portfolio, selected, model.top.value, model.bottom.value,
                       model.threshold.value, app.feedback());
    app.picturesChanged();
}

void shiftVertically(CGlyphonApp& app) {
    std::vector<int> selected = app.view().selectedIndices();
    if (!haveSelection(app, selected))
        return;
    ShiftDialogModel model;
    if (!app.operationDialogs()->editShift(model) || !model.changes())
        return;
    ShiftVertically(app.doc().m_portfolio, selected, model.shift.value, app.feedback());
    app.picturesChanged();
}

void mergePortfolios(CGlyphonApp& app) {
    FileRequest request;
    request.filter = MergeOpenFilter;
    request.defaultExt = MergeDefaultExtension;
    auto answer = app.doc().chooser().chooseOpen(request);
    if (!answer || answer->paths.empty())
        return;
    CPortfolio theirs;
    // The reader's own reasons stay unseen: a failed merge read says only that it failed, and
    // whatever was read before the failure is dropped with the temporary portfolio.
    RecordingFeedback quiet;
    if (!theirs.ReadFile(answer->paths.front(), quiet)) {
        app.feedback().titledMessage(MergeReadFailedTitle,
                                     NamingFile(answer->paths.front(), MergeReadFailedText),
                                     MessageIcon::Stop);
        return;
    }
    auto choice = app.operationDialogs()->merge(app.doc().m_portfolio, theirs);
    if (!choice)
        return;
    ApplyMerge(app.doc().m_portfolio, theirs, *choice, app.feedback());
    app.picturesChanged();
}

void pictureFromFile(CGlyphonApp& app, int& filterIndex) {
    FileRequest request;
    request.title = ImportDialogTitle;
    request.filter = ImportFilter;
    request.multiple = true;
    request.filterIndex = filterIndex;
    auto answer = app.doc().chooser().chooseOpen(request);
    if (!answer || answer->paths.empty())
        return;
    filterIndex = answer->filterIndex;
    CGlyphonDoc& doc = app.doc();
    if (!doc.m_bActive) {
        // Pictures imported with no portfolio open start a new one.
        if (!doc.SaveModified())
            return;
        doc.OnNewDocument();
    }
    std::vector<std::filesystem::path> chosen(answer->paths.begin(), answer->paths.end());
    const std::vector<std::filesystem::path> files = ImportFileOrder(chosen);
    ImportOptions options;
    // One file is imported interactively: a single picture goes through the editor and is
    // added only on OK. Several files are a batch: every picture is added at once.
    if (files.size() == 1 && app.editor())
        options.editor = [&app](CPicture& picture, const Surface&) {
            return app.editor()(picture);
        };
    const int before = doc.m_portfolio.Count();
    const ImportReport report = ImportPictureFiles(doc.m_portfolio, files, app.feedback(), options);
    if (report.picturesAdded == 0 && report.animationsAdded == 0)
        return;
    app.picturesChanged(doc.m_portfolio.Count() > before ? doc.m_portfolio.Count() - 1 : -1);
}

void pasteAndEdit(CGlyphonApp& app) {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull())
        return;
    CGlyphonDoc& doc = app.doc();
    auto picture = PictureFromBitmap(fromQImage(image, PastedMaxWidth, PastedMaxHeight),
                                     NewPictureId(doc.m_portfolio));
    if (!picture)
        return;
    CPicture& added = *picture;
    app.picturesChanged(AddPicture(doc.m_portfolio, std::move(picture)));
    // The picture stays even when the editor is cancelled. Refilling the list redraws the
    // preview too.
    if (app.editor())
        app.editor()(added);
    app.view().documentChanged();
}

// Puts the current picture on the clipboard as `render` draws it; nothing without one. With
// `png`, the picture itself goes along as a PNG at its own depth (image/png).
void copyCurrentPicture(CGlyphonApp& app, Surface (*render)(const CPicture&), bool png = false) {
    const int index = currentPictureIndex(app);
    if (index < 0 || index >= app.doc().m_portfolio.Count())
        return;
    const CPicture& picture = app.doc().m_portfolio.Picture(index);
    const QImage shown = toQImage(render(picture));
    if (png)
        QGuiApplication::clipboard()->setMimeData(pictureMimeData(picture, shown, false));
    else
        QGuiApplication::clipboard()->setImage(shown);
}

void imageGrabber(CGlyphonApp& app) {
    CPortfolio& portfolio = app.doc().m_portfolio;
    const int id = NewPictureId(portfolio);
    auto grab = app.operationDialogs()->grabScreen();
    if (!grab)
        return;
    auto picture = PictureFromScreenGrab(grab->snapshot, grab->rect, id);
    if (!picture)
        return;
    app.picturesChanged(AddPicture(portfolio, std::move(picture)));
}

} // namespace

void registerOperationCommands(CGlyphonApp& app) {
#if PIXELON_HAVE_OPERATIONS_UI
    app.useOperationDialogs(std::make_unique<QtOperationDialogs>(&app.frame(), app.feedback()));
#endif
    CGlyphonView& view = app.view();
    view.addCommand(ID_CHECK_UNICODES, [&app] {
        CheckDuplicateIds(app.doc().m_portfolio, CheckUnicodesName, app.feedback(), true);
    });
    view.addCommand(ID_REORDER_IDS, [&app] { reorderIds(app); });
    view.addCommand(ID_PASTE_EDIT_NEW_PICTURE, [&app] { pasteAndEdit(app); });
    view.addCommand(ID_PASTE_NEW_PICTURE, [&app] { pasteAndEdit(app); });
    view.addCommand(ID_EDIT_COPY, [&app] { copyCurrentPicture(app, CopyBitmap, true); });
    view.addCommand(ID_COPY_WITH_GRID, [&app] {
        copyCurrentPicture(app, [](const CPicture& p) { return CopyWithGridBitmap(p); });
    });
    auto importFilter = std::make_shared<int>(0);
    view.addCommand(ID_INSERT_FROM_FILE,
                    [&app, importFilter] { pictureFromFile(app, *importFilter); });
    if (!app.operationDialogs())
        return; // neither the windows nor a stand-in: the dialog commands stay out of the menus
    view.addCommand(ID_DUPLICATE_PICTURE, [&app] { duplicatePicture(app); });
    view.addCommand(ID_PICTURE_ID, [&app] { changePictureId(app); });
    view.addCommand(ID_CROP_HEIGHT, [&app] { heights(app, true); });
    view.addCommand(ID_ENLARGE_HEIGHT, [&app] { heights(app, false); });
    view.addCommand(ID_SHIFT_VERTICALLY, [&app] { shiftVertically(app); });
    view.addCommand(ID_MERGE_PORTFOLIOS, [&app] { mergePortfolios(app); });
    view.addCommand(ID_IMAGE_GRABBER, [&app] { imageGrabber(app); });
}

} // namespace pixelon::app

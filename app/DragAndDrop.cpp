#include "app/DragAndDrop.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "codecs/FileBytes.h"
#include "codecs/FileType.h"
#include "codecs/PngFile.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/PictureBitmaps.h"
#include "operations/PictureImport.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::app {

std::vector<std::string> droppedFiles(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

namespace {

std::string NotOpenedText(const std::vector<std::string>& paths) {
    std::string text = "One portfolio opens at a time: " +
                       std::filesystem::path(paths.front()).filename().string();
    if (paths.size() > 1)
        text += " and " + std::to_string(paths.size() - 1) + " more";
    return text + (paths.size() > 1 ? " were not opened" : " was not opened");
}

} // namespace

void openDroppedFiles(CGlyphonApp& app, const std::vector<std::string>& paths) {
    CGlyphonDoc& doc = app.doc();
    std::vector<std::filesystem::path> pictures;
    bool opened = false;
    std::vector<std::string> notOpened; // portfolios beyond the first: one document at a time
    for (const std::string& path : paths) {
        // A PNG is told by its content, whatever its name; the rest as Open tells them.
        const bool picture =
            !hasPortfolioExtension(path) &&
            (PictureFileTypeOf(path) == PictureFileType::Png || !isPortfolioPath(path));
        if (picture) {
            pictures.emplace_back(path);
        } else if (opened) {
            notOpened.push_back(path);
        } else {
            opened = true;
            // As Open: unsaved changes are asked about, then the file loads (or its error shows).
            if (!doc.SaveModified())
                return;
            if (doc.OnOpenDocument(path))
                app.view().OnInitialUpdate();
        }
    }
    if (!notOpened.empty())
        app.frame().showPrompt(QString::fromStdString(NotOpenedText(notOpened)));
    if (pictures.empty())
        return;
    if (!doc.m_bActive) {
        // Pictures dropped with no portfolio open start a new one, as Import does.
        if (!doc.SaveModified())
            return;
        doc.OnNewDocument();
    }
    ImportOptions options;
    if (pictures.size() == 1 && app.editor())
        options.editor = [&app](CPicture& picture, const Surface&) {
            return app.editor()(picture);
        };
    const int before = doc.m_portfolio.Count();
    const ImportReport report =
        ImportPictureFiles(doc.m_portfolio, pictures, app.feedback(), options);
    if (report.picturesAdded == 0 && report.animationsAdded == 0)
        return;
    app.picturesChanged(doc.m_portfolio.Count() > before ? before : -1);
}

namespace {

// The folder of dragged pictures' files: one a run, made afresh with a random name and only
// its owner's access (a fixed name in the shared temporary folder could be made beforehand by
// another user, or be a link elsewhere). It goes when the program ends; empty when it could not
// be made.
QString dragFolder() {
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        auto made = std::make_unique<QTemporaryDir>(QDir::temp().filePath("pixelon-drag-XXXXXX"));
        return made->isValid() ? std::move(made) : nullptr;
    }();
    return folder ? folder->path() : QString();
}

} // namespace

QMimeData* pictureMimeData(const CPicture& picture, const QImage& shown, bool withFile) {
    auto* data = new QMimeData;
    data->setImageData(shown);
    auto png = EncodePng(PicturePng(picture));
    auto* bytes = std::get_if<std::vector<std::uint8_t>>(&png);
    if (!bytes)
        return data;
    data->setData("image/png", QByteArray(reinterpret_cast<const char*>(bytes->data()),
                                          qsizetype(bytes->size())));
    if (withFile) {
        const QString folder = dragFolder();
        if (folder.isEmpty())
            return data;
        const QString file = QDir(folder).filePath(
            QStringLiteral("picture-%1.png").arg(picture.m_nId, 5, 10, QChar('0')));
        if (WriteFileAtomically(QFile::encodeName(file).toStdString(), *bytes))
            data->setUrls({QUrl::fromLocalFile(file)});
    }
    return data;
}

QStringList PictureListWidget::mimeTypes() const {
    return {QStringLiteral("image/png"), QStringLiteral("text/uri-list")};
}

QMimeData* PictureListWidget::mimeData(const QList<QListWidgetItem*>& items) const {
    return m_mimeData ? m_mimeData(items) : nullptr;
}

void registerDragAndDrop(CGlyphonApp& app) {
    app.frame().m_dropFiles = [&app](const std::vector<std::string>& paths) {
        openDroppedFiles(app, paths);
    };
    auto* list = dynamic_cast<PictureListWidget*>(app.view().list());
    if (!list)
        return;
    list->setDragEnabled(true);
    list->setDragDropMode(QAbstractItemView::DragOnly);
    list->m_mimeData = [&app](const QList<QListWidgetItem*>& items) -> QMimeData* {
        // The first dragged picture is handed over; the desktop takes one image at a time.
        if (items.isEmpty())
            return nullptr;
        const int id = items.front()->data(Qt::UserRole).toInt();
        for (const auto& picture : app.doc().m_portfolio.m_pictures)
            if (picture->m_nId == id)
                return pictureMimeData(*picture, toQImage(CopyBitmap(*picture)), true);
        return nullptr;
    };
}

} // namespace pixelon::app

#pragma once

#include <QListWidget>

#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace pixelon {
class CPicture;
}

namespace pixelon::app {

class CGlyphonApp;

// The local files a drag carries, in its order; other URLs are left out.
std::vector<std::string> droppedFiles(const QMimeData& data);

// Files dropped on the main window: the first portfolio among them opens as Open opens one
// (asking about unsaved changes first), then the pictures are imported as Import imports them
// (one file through the picture editor, several as a batch).
void openDroppedFiles(CGlyphonApp& app, const std::vector<std::string>& paths);

// A picture for the clipboard or a drag: the picture as a PNG at its own depth (image/png),
// `shown` as the image, and, when `withFile`, the URL of that PNG written to a temporary
// folder, for file managers that take only files.
QMimeData* pictureMimeData(const CPicture& picture, const QImage& shown, bool withFile);

// The picture list: dragging its pictures out hands over what `m_mimeData` makes of them.
class PictureListWidget : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<QMimeData*(const QList<QListWidgetItem*>&)> m_mimeData;
    // What a drag of these items carries; public so a test can check it without a drag.
    QMimeData* dragData(const QList<QListWidgetItem*>& items) const { return mimeData(items); }

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
};

// Lets the main window take dropped files and the picture list give its pictures.
void registerDragAndDrop(CGlyphonApp& app);

} // namespace pixelon::app

#pragma once

#include <QFileDialog>

#include <memory>

#include "core/Document.h"

class QLineEdit;
class QPlainTextEdit;

namespace pixelon::app {

// The document's file dialogs over QFileDialog. Save dialogs may carry the Name and Notes
// panel; while the document has no path, typing a name proposes it as the file name.
class QtFileChooser : public FileChooser {
public:
    void setParent(QWidget* parent) { m_parent = parent; }

    std::optional<FileAnswer> chooseOpen(const FileRequest& request) override;
    std::optional<FileAnswer> chooseSave(const FileRequest& request) override;

    // The save dialog as chooseSave shows it (tests drive it without showing it).
    struct SaveDialog {
        std::unique_ptr<QFileDialog> dialog;
        QLineEdit* name = nullptr;       // owned by the dialog; null without the panel
        QPlainTextEdit* notes = nullptr; // owned by the dialog
    };
    SaveDialog makeSaveDialog(const FileRequest& request) const;

    // "Description|patterns|..." as Qt name filters.
    static QStringList nameFilters(const std::string& filter);

private:
    QWidget* m_parent = nullptr;
};

// The filter index as the settings keep it (1 for the first filter) of a chosen Qt filter.
int filterIndexOf(const QStringList& filters, const QString& chosen);

} // namespace pixelon::app

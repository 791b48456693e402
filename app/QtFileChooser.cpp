#include "app/QtFileChooser.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>

namespace pixelon::app {

namespace {

void selectFilter(QFileDialog& dialog, const QStringList& filters, int index) {
    if (filters.isEmpty())
        return;
    int at = index >= 1 && index <= filters.size() ? index - 1 : 0;
    dialog.selectNameFilter(filters[at]);
}

} // namespace

namespace {

// A description's own pattern list, "(*.gif)" or "(*.pfo;*.gif;*.jpg)": the text from its last
// opening parenthesis, when that holds only patterns. -1 when the description has none.
qsizetype ownPatternList(const QString& description) {
    if (!description.endsWith(')'))
        return -1;
    const qsizetype open = description.lastIndexOf('(');
    if (open < 0)
        return -1;
    const QString inside = description.mid(open + 1, description.size() - open - 2);
    const QStringList parts = inside.split(QRegularExpression("[; ]"), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return -1;
    for (const QString& part : parts)
        if (!part.contains('*'))
            return -1;
    return open;
}

} // namespace

QStringList QtFileChooser::nameFilters(const std::string& filter) {
    QStringList out;
    for (const FileFilter& f : parseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& p : f.patterns)
            patterns << QString::fromStdString(p);
        // Qt shows a filter as written and takes its patterns from the last parentheses. A
        // description that lists patterns itself gives way to the list that really applies, so
        // the dialog shows one list, not "GIF File (*.gif) (*.gif)".
        QString description = QString::fromStdString(f.description);
        if (const qsizetype at = ownPatternList(description); at >= 0)
            description = description.left(at).trimmed();
        if (patterns.isEmpty())
            out << description;
        else
            out << description + " (" + patterns.join(' ') + ")";
    }
    return out;
}

int filterIndexOf(const QStringList& filters, const QString& chosen) {
    int at = int(filters.indexOf(chosen));
    return at < 0 ? 0 : at + 1;
}

std::optional<FileAnswer> QtFileChooser::chooseOpen(const FileRequest& request) {
    QFileDialog dialog(m_parent, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QStringList filters = nameFilters(request.filter);
    dialog.setNameFilters(filters);
    selectFilter(dialog, filters, request.filterIndex);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileAnswer answer;
    for (const QString& f : dialog.selectedFiles())
        answer.paths.push_back(f.toStdString());
    answer.filterIndex = filterIndexOf(filters, dialog.selectedNameFilter());
    return answer;
}

QtFileChooser::SaveDialog QtFileChooser::makeSaveDialog(const FileRequest& request) const {
    SaveDialog out;
    out.dialog = std::make_unique<QFileDialog>(m_parent, QString::fromStdString(request.title));
    QFileDialog& dialog = *out.dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters = nameFilters(request.filter);
    dialog.setNameFilters(filters);
    selectFilter(dialog, filters, request.filterIndex);
    if (!request.defaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    if (!request.defaultName.empty() && request.defaultName != " ")
        dialog.selectFile(QString::fromStdString(request.defaultName));
    if (!request.nameAndNotes)
        return out;

    // The panel below the standard controls needs Qt's own dialog, not the desktop's.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    out.name = new QLineEdit(QString::fromStdString(request.name), &dialog);
    out.notes = new QPlainTextEdit(QString::fromStdString(request.notes), &dialog);
    out.notes->setMaximumHeight(80);
    if (grid) {
        int row = grid->rowCount();
        grid->addWidget(new QLabel("Name:", &dialog), row, 0);
        grid->addWidget(out.name, row, 1, 1, grid->columnCount() - 1);
        grid->addWidget(new QLabel("Notes:", &dialog), row + 1, 0);
        grid->addWidget(out.notes, row + 1, 1, 1, grid->columnCount() - 1);
    }
    if (request.nameSetsFileName) {
        QFileDialog* d = &dialog;
        QObject::connect(out.name, &QLineEdit::textEdited, &dialog, [d](const QString& text) {
            d->selectFile(QString::fromStdString(sanitiseFileName(text.toStdString())));
        });
    }
    return out;
}

std::optional<FileAnswer> QtFileChooser::chooseSave(const FileRequest& request) {
    SaveDialog save = makeSaveDialog(request);
    if (save.dialog->exec() != QDialog::Accepted || save.dialog->selectedFiles().isEmpty())
        return std::nullopt;
    FileAnswer answer;
    answer.paths.push_back(save.dialog->selectedFiles().front().toStdString());
    answer.filterIndex =
        filterIndexOf(save.dialog->nameFilters(), save.dialog->selectedNameFilter());
    answer.name = save.name ? save.name->text().toStdString() : request.name;
    answer.notes = save.notes ? save.notes->toPlainText().toStdString() : request.notes;
    return answer;
}

} // namespace pixelon::app

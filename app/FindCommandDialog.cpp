#include "app/FindCommandDialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace pixelon::app {

FindCommandDialog::FindCommandDialog(const CommandFinder& finder, const CommandState& state,
                                     QWidget* parent)
    : QDialog(parent), m_finder(finder), m_state(state), m_search(new QLineEdit(this)),
      m_results(new QListWidget(this)) {
    setWindowTitle("Find Command");
    m_search->setPlaceholderText("Type part of a command's name");
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_results);
    resize(460, 360);
    connect(m_search, &QLineEdit::textChanged, this, &FindCommandDialog::refresh);
    connect(m_search, &QLineEdit::returnPressed, this, &FindCommandDialog::accept);
    connect(m_results, &QListWidget::itemActivated, this, [this] { accept(); });
    refresh();
}

void FindCommandDialog::refresh() {
    m_results->clear();
    for (const FoundCommand& c : m_finder.find(m_search->text().toStdString(), m_state)) {
        QString line = QString::fromStdString(c.text);
        if (!c.menu.empty())
            line += QString("   (%1)").arg(QString::fromStdString(c.menu));
        if (!c.keys.empty())
            line += QString("   %1").arg(QString::fromStdString(c.keys));
        auto* item = new QListWidgetItem(line, m_results);
        item->setData(Qt::UserRole, c.id);
        // Disabled commands are listed so the user sees why nothing runs, but cannot be chosen.
        if (!c.enabled)
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    }
    for (int i = 0; i < m_results->count(); ++i) {
        if (m_results->item(i)->flags() & Qt::ItemIsEnabled) {
            m_results->setCurrentRow(i);
            break;
        }
    }
}

void FindCommandDialog::accept() {
    QListWidgetItem* item = m_results->currentItem();
    if (!item || !(item->flags() & Qt::ItemIsEnabled))
        return;
    m_chosen = item->data(Qt::UserRole).toInt();
    QDialog::accept();
}

bool FindCommandDialog::eventFilter(QObject* watched, QEvent* event) {
    // Up and Down in the search field move through the results.
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            int row = m_results->currentRow();
            int step = key->key() == Qt::Key_Down ? 1 : -1;
            for (int r = row + step; r >= 0 && r < m_results->count(); r += step) {
                if (m_results->item(r)->flags() & Qt::ItemIsEnabled) {
                    m_results->setCurrentRow(r);
                    break;
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pixelon::app

#pragma once

#include <QDialog>

#include "app/CommandFinder.h"

class QLineEdit;
class QListWidget;

namespace pixelon::app {

// "Find Command": a search field over the command table and the matching commands with their
// menu and keys. Enter or a double click chooses the current line when its command is enabled.
class FindCommandDialog : public QDialog {
    Q_OBJECT
public:
    FindCommandDialog(const CommandFinder& finder, const CommandState& state,
                      QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_search; }
    QListWidget* results() const { return m_results; }
    // The command chosen with OK, 0 when none.
    int chosen() const { return m_chosen; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    const CommandFinder& m_finder;
    CommandState m_state;
    QLineEdit* m_search;
    QListWidget* m_results;
    int m_chosen = 0;
};

} // namespace pixelon::app

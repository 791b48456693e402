#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Commands.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace pixelon::app {

class CGlyphonView;

// The main window: menus, toolbar and the two-pane status bar built from the command table,
// a fixed 800 x 800 frame, the caption "Vistrel - <title>".
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int Width = 800;
    static constexpr int Height = 800;

    CMainFrame();
    ~CMainFrame() override;

    // Builds menus and toolbar for the commands the view has handlers for. Runs once, after
    // every command is registered.
    void buildCommands(CGlyphonView& view);
    // Evaluates every command's enablement rule against the view's state.
    void updateCommands();

    QAction* action(int id) const;
    QMenu* menu(Menu which) const;
    QToolBar* toolBar() const { return m_toolBar; }
    QString statusSummary() const;

    void setCaption(const QString& caption) { setWindowTitle(caption); }
    void setStatusSummary(const QString& text);
    bool ascentLineChecked() const;
    void setAscentLineChecked(bool on);

    // The recent-file menu entries, most recent first; a click opens the path.
    void setRecentFiles(const std::vector<std::string>& paths);
    std::function<void(const std::string&)> m_openRecent;
    // Asked before the window closes; false keeps it open.
    std::function<bool()> m_canClose;
    // Tells where the window moved (the MainWinX and MainWinY settings).
    std::function<void(int x, int y)> m_moved;

    // The centred position on a screen, negative coordinates becoming 0.
    static QPoint centredOn(const QRect& screen);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QAction* makeAction(const CommandSpec& spec, CGlyphonView& view);

    CGlyphonView* m_view = nullptr;
    std::map<int, QAction*> m_actions; // owned by this window
    std::map<Menu, QMenu*> m_menus;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_prompt = nullptr;
    QLabel* m_summary = nullptr;
    QAction* m_recentSeparator = nullptr;
    bool m_bAscentLine = false;
    std::vector<QAction*> m_recentActions;
};

} // namespace pixelon::app

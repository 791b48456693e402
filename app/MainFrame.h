#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandFinder.h"
#include "app/Commands.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;
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
    static constexpr int PromptPaneWidth = 320;

    CMainFrame();
    ~CMainFrame() override;

    // Builds menus, toolbar and the picture list's context menu from the whole command table.
    // Runs once, after every handler is registered; commands without a handler stay disabled.
    void buildCommands(CGlyphonView& view);
    // Evaluates every command's enablement rule against the view's state, and the check marks.
    void updateCommands();

    QAction* action(int id) const;
    QMenu* menu(Menu which) const;
    QMenu* pictureListMenu() const { return m_listMenu; }
    QToolBar* toolBar() const { return m_toolBar; }
    QString statusSummary() const;
    QString statusPrompt() const;
    QLabel* promptPane() const { return m_prompt; }
    QLabel* summaryPane() const { return m_summary; }

    // The caption exactly as given; a literal "[*]" in a path stays as it is.
    void setCaption(const QString& caption);
    void setStatusSummary(const QString& text);
    // A note in the prompt pane; the next menu or toolbar prompt replaces it, and clearNote
    // takes it away once the user does something else.
    void showPrompt(const QString& text);
    // The prompt pane back to "Ready" when it shows a note; a menu or toolbar prompt stays.
    void clearNote();
    bool ascentLineChecked() const { return checked(ID_ASCENT_LINE); }
    void setAscentLineChecked(bool on) { setChecked(ID_ASCENT_LINE, on); }
    // The check marks of the checkable menu items (Ascent Line, Communications Log). Kept apart
    // from the actions' own state, which Qt flips before the handler runs.
    bool checked(int id) const;
    void setChecked(int id, bool on);

    // Places the window frame (title bar included) with its top-left corner at `pos`.
    void placeFrame(const QPoint& pos);

    // "Find Command": the search dialog over every command; runs the chosen one.
    void openFindCommand();
    // Runs a command as the menus do: only when it has a handler and its rule allows it.
    void runCommand(int id);

    // The recent-file menu entries, most recent first; a click opens the path.
    void setRecentFiles(const std::vector<std::string>& paths);
    std::function<void(const std::string&)> m_openRecent;
    // Asked before the window closes; false keeps it open.
    std::function<bool()> m_canClose;
    // Tells where the window moved (the MainWinX and MainWinY settings).
    std::function<void(int x, int y)> m_moved;
    // Files dropped on the window, local paths in the drag's order.
    std::function<void(const std::vector<std::string>&)> m_dropFiles;
    // Replaces the Find Command dialog in tests: gets the finder and returns the chosen id.
    std::function<int(const CommandFinder&, const CommandState&)> m_chooseCommand;

    // The centred position on a screen, negative coordinates becoming 0.
    static QPoint centredOn(const QRect& screen);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* makeAction(int id);
    void buildMenus();
    void buildToolBar();
    // Moves the window again once the window manager's frame is known.
    void checkFramePlace();

    CGlyphonView* m_view = nullptr;
    std::unique_ptr<CommandFinder> m_finder;
    std::map<int, QAction*> m_actions; // owned by this window
    std::map<Menu, QMenu*> m_menus;
    std::map<int, bool> m_checked;
    QMenu* m_listMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_prompt = nullptr;
    bool m_noteShown = false;
    QLabel* m_summary = nullptr;
    QAction* m_recentSeparator = nullptr;
    static constexpr int FrameCheckTries = 40; // 2 seconds
    QPoint m_framePlace;
    int m_frameChecks = 0;
    QTimer* m_frameTimer = nullptr;
    std::vector<QAction*> m_recentActions;
};

} // namespace pixelon::app

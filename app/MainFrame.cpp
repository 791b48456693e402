#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "core/Document.h"

namespace pixelon::app {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The idle text of the prompt pane.
const char* const kReady = "Ready";

bool isCheckable(int id) {
    return id == ID_ASCENT_LINE || id == ID_COMMS_LOG || id == ID_APP_KINETTO ||
           id == ID_APP_BACKGROUND || id == ID_APP_EMS;
}

} // namespace

CMainFrame::CMainFrame() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(Width, Height);
    setAcceptDrops(true);
    m_frameTimer = new QTimer(this);
    m_frameTimer->setInterval(50);
    connect(m_frameTimer, &QTimer::timeout, this, &CMainFrame::checkFramePlace);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        placeFrame(centredOn(screen->geometry()));

    m_toolBar = addToolBar("Toolbar");
    m_toolBar->setObjectName("toolbar");
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setIconSize(QSize(24, 24));

    // The prompt pane has a fixed width; the summary takes the rest and is a permanent widget,
    // so nothing that shows a message on the bar can cover it.
    m_prompt = new QLabel(kReady, this);
    m_prompt->setObjectName("prompt");
    m_prompt->setFixedWidth(PromptPaneWidth);
    m_summary = new QLabel(this);
    m_summary->setObjectName("summary");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_prompt);
    statusBar()->addPermanentWidget(m_summary, 1);
    setCaption(QString::fromStdString(captionText(" ")));
}

CMainFrame::~CMainFrame() = default;

QPoint CMainFrame::centredOn(const QRect& screen) {
    int x = screen.x() + (screen.width() - Width) / 2;
    int y = screen.y() + (screen.height() - Height) / 2;
    return {std::max(0, x), std::max(0, y)};
}

void CMainFrame::placeFrame(const QPoint& pos) {
    // Before the native window exists, a move tells the window system that the position is
    // the frame's. Once it exists (a progress window parented to this one makes it early),
    // a move places the client area until the window manager's frame is known, so the place
    // is checked again after the window is shown.
    m_framePlace = pos;
    move(pos);
    if (testAttribute(Qt::WA_WState_Created))
        m_frameChecks = FrameCheckTries;
    if (isVisible() && m_frameChecks > 0)
        m_frameTimer->start();
}

void CMainFrame::checkFramePlace() {
    QWindow* window = windowHandle();
    if (!window || --m_frameChecks <= 0) {
        m_frameTimer->stop();
        return;
    }
    QMargins margins = window->frameMargins();
    if (margins.isNull())
        return; // no frame yet, or none at all (then the place is already right)
    // The client area goes inside the frame's margins. Qt's idea of where the window is may
    // still be stale and it skips a move to that place, so the move is made in two steps.
    QPoint client = m_framePlace + QPoint(margins.left(), margins.top());
    if (window->position() == client)
        window->setPosition(client + QPoint(0, 1));
    window->setPosition(client);
    m_frameTimer->stop();
    m_frameChecks = 0;
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_frameChecks > 0)
        m_frameTimer->start();
}

void CMainFrame::setCaption(const QString& caption) {
    // Qt reads "[*]" as the modified marker; doubled it shows as itself.
    QString escaped = caption;
    escaped.replace("[*]", "[*][*]");
    setWindowTitle(escaped);
}

QAction* CMainFrame::makeAction(int id) {
    // The first entry of an identifier names it; every entry adds its accelerators.
    const CommandSpec* first = app::findCommand(id);
    auto* a = new QAction(qs(menuLabel(*first)), this);
    QList<QKeySequence> keys;
    for (const CommandSpec& spec : commandTable())
        if (spec.id == id)
            for (std::string_view k : acceleratorList(spec))
                keys << QKeySequence(qs(k));
    a->setShortcuts(keys);
    // Accelerators work with the window active, whether or not the item is in a menu.
    a->setShortcutContext(Qt::WindowShortcut);
    for (const CommandSpec& spec : commandTable()) {
        if (spec.id == id && !spec.tip.empty()) {
            a->setStatusTip(qs(spec.tip));
            a->setToolTip(qs(spec.tip));
            break;
        }
    }
    std::string_view icon = iconName(id);
    if (!icon.empty())
        a->setIcon(QIcon(QString(":/icons/%1.png").arg(qs(icon))));
    a->setIconVisibleInMenu(false);
    a->setCheckable(isCheckable(id));
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    addAction(a);
    return a;
}

void CMainFrame::buildMenus() {
    for (const MenuTitle& t : menuTitles()) {
        // The Tools menu is removed when the window is created; its commands stay reachable
        // through Find Command.
        if (t.menu == Menu::Tools)
            continue;
        m_menus[t.menu] = menuBar()->addMenu(qs(t.title));
    }
    for (const CommandSpec& spec : commandTable()) {
        if (spec.removedAtStart || spec.menu == Menu::None || spec.menu == Menu::Tools)
            continue;
        QMenu* menu = m_menus[spec.menu];
        QAction* a = action(spec.id);
        if (separatorBefore(spec.id) && !menu->actions().isEmpty())
            menu->addSeparator();
        if (spec.id == ID_APP_EXIT) {
            // The recent files go between two separators above Exit, shown when there are any.
            m_recentSeparator = menu->addSeparator();
            m_recentSeparator->setVisible(false);
            menu->addSeparator();
        }
        a->setText(qs(menuLabel(CommandSpec{spec.id, spec.menu, shownText(spec), {}, spec.rule})));
        menu->addAction(a);
    }
}

void CMainFrame::buildToolBar() {
    for (int id : toolbarLayout()) {
        if (id == 0)
            m_toolBar->addSeparator();
        else if (QAction* a = action(id))
            m_toolBar->addAction(a);
    }
}

void CMainFrame::buildCommands(CGlyphonView& view) {
    m_view = &view;
    for (const CommandSpec& spec : commandTable())
        if (!action(spec.id))
            m_actions[spec.id] = makeAction(spec.id);
    m_finder = std::make_unique<CommandFinder>([this](int id) { return m_view->hasCommand(id); });
    buildMenus();
    buildToolBar();
    m_listMenu = new QMenu(this);
    for (int id : app::pictureListMenu()) {
        if (id == 0)
            m_listMenu->addSeparator();
        else
            m_listMenu->addAction(action(id));
    }
    updateCommands();
}

void CMainFrame::updateCommands() {
    if (!m_view)
        return;
    CommandState state = m_view->commandState();
    for (auto& [id, a] : m_actions) {
        const CommandSpec* spec = app::findCommand(id);
        a->setEnabled(spec && m_view->hasCommand(id) && app::isEnabled(spec->rule, state));
    }
    // The application buttons show the current application type.
    m_checked[ID_APP_KINETTO] = state.applicationType == int(ApplicationType::Kinetto);
    m_checked[ID_APP_BACKGROUND] = state.applicationType == int(ApplicationType::BackgroundPicture);
    m_checked[ID_APP_EMS] = state.applicationType == int(ApplicationType::VistrelEms);
    for (auto& [id, on] : m_checked)
        if (QAction* a = action(id))
            a->setChecked(on);
}

void CMainFrame::runCommand(int id) {
    if (m_view)
        m_view->runCommand(id);
    // The action flipped its own check mark; the stored state is what counts.
    updateCommands();
}

bool CMainFrame::checked(int id) const {
    auto it = m_checked.find(id);
    return it != m_checked.end() && it->second;
}

void CMainFrame::setChecked(int id, bool on) {
    m_checked[id] = on;
    if (QAction* a = action(id))
        a->setChecked(on);
}

void CMainFrame::openFindCommand() {
    if (!m_view || !m_finder)
        return;
    CommandState state = m_view->commandState();
    int chosen = 0;
    if (m_chooseCommand) {
        chosen = m_chooseCommand(*m_finder, state);
    } else {
        FindCommandDialog dialog(*m_finder, state, this);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.chosen();
    }
    if (chosen != 0)
        runCommand(chosen);
}

QAction* CMainFrame::action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* CMainFrame::menu(Menu which) const {
    auto it = m_menus.find(which);
    return it == m_menus.end() ? nullptr : it->second;
}

QString CMainFrame::statusSummary() const {
    return m_summary->text();
}

QString CMainFrame::statusPrompt() const {
    return m_prompt->text();
}

void CMainFrame::setStatusSummary(const QString& text) {
    m_summary->setText(text);
}

void CMainFrame::showPrompt(const QString& text) {
    m_prompt->setText(text);
    m_noteShown = true;
}

void CMainFrame::clearNote() {
    if (!m_noteShown)
        return;
    m_noteShown = false;
    m_prompt->setText(kReady);
}

void CMainFrame::setRecentFiles(const std::vector<std::string>& paths) {
    QMenu* file = menu(Menu::File);
    if (!file)
        return;
    for (QAction* a : m_recentActions)
        delete a;
    m_recentActions.clear();
    QAction* exitSeparator = nullptr;
    if (m_recentSeparator) {
        QList<QAction*> items = file->actions();
        qsizetype at = items.indexOf(m_recentSeparator);
        if (at >= 0 && at + 1 < items.size())
            exitSeparator = items[at + 1];
    }
    for (std::size_t i = 0; i < paths.size() && int(i) < RecentFileCount; ++i) {
        auto* a =
            new QAction(QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(paths[i])), this);
        a->setData(int(ID_FILE_MRU_FIRST + int(i)));
        std::string path = paths[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (m_openRecent)
                m_openRecent(path);
        });
        file->insertAction(exitSeparator ? exitSeparator : action(ID_APP_EXIT), a);
        m_recentActions.push_back(a);
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!m_recentActions.empty());
}

bool CMainFrame::event(QEvent* event) {
    // Menu and toolbar prompts go to the first pane only; the summary pane stays as it is.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_prompt->setText(tip.isEmpty() ? QString(kReady) : tip);
        m_noteShown = false;
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_canClose && !m_canClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (m_moved)
        m_moved(x(), y());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    // Only local files are taken; a drag of the window's own pictures carries one too.
    const QMimeData* data = event->mimeData();
    if (m_dropFiles && data && data->hasUrls() && event->source() == nullptr)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!m_dropFiles || !data) {
        event->ignore();
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dropFiles(paths);
}

} // namespace pixelon::app

#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/GlyphonView.h"
#include "core/Document.h"

namespace pixelon::app {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Standard icons where the platform has one; the others show their short text.
QIcon iconFor(int id, QStyle* style) {
    switch (id) {
    case ID_FILE_OPEN:
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    case ID_FILE_SAVE:
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ID_APP_ABOUT:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case ID_PREV_PHONE_TYPE:
        return style->standardIcon(QStyle::SP_ArrowLeft);
    case ID_NEXT_PHONE_TYPE:
        return style->standardIcon(QStyle::SP_ArrowRight);
    default:
        return {};
    }
}

} // namespace

CMainFrame::CMainFrame() {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(Width, Height);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(centredOn(screen->geometry()));

    m_toolBar = addToolBar("Toolbar");
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_prompt = new QLabel(this);
    m_prompt->setFixedWidth(320);
    m_summary = new QLabel(this);
    statusBar()->addWidget(m_prompt);
    statusBar()->addWidget(m_summary, 1);
    setWindowTitle(QString::fromStdString(captionText(" ")));
}

CMainFrame::~CMainFrame() = default;

QPoint CMainFrame::centredOn(const QRect& screen) {
    int x = screen.x() + (screen.width() - Width) / 2;
    int y = screen.y() + (screen.height() - Height) / 2;
    return {std::max(0, x), std::max(0, y)};
}

QAction* CMainFrame::makeAction(const CommandSpec& spec, CGlyphonView& view) {
    auto* a = new QAction(qs(menuLabel(spec)), this);
    QList<QKeySequence> keys;
    for (std::string_view k : acceleratorList(spec))
        keys << QKeySequence(qs(k));
    a->setShortcuts(keys);
    // Accelerators work with the window active, whether or not the item is in a menu.
    a->setShortcutContext(Qt::WindowShortcut);
    if (!spec.tip.empty()) {
        a->setStatusTip(qs(spec.tip));
        a->setToolTip(qs(spec.tip));
    }
    a->setIcon(iconFor(spec.id, style()));
    a->setIconVisibleInMenu(false);
    int id = spec.id;
    connect(a, &QAction::triggered, &view, [&view, id] { view.runCommand(id); });
    addAction(a);
    return a;
}

void CMainFrame::buildCommands(CGlyphonView& view) {
    m_view = &view;
    for (const MenuTitle& t : menuTitles()) {
        // The Tools menu is removed when the window is created; its commands stay reachable
        // only through their identifiers.
        if (t.menu == Menu::Tools)
            continue;
        m_menus[t.menu] = menuBar()->addMenu(qs(t.title));
    }
    for (const CommandSpec& spec : commandTable()) {
        if (!view.hasCommand(spec.id))
            continue;
        QAction*& a = m_actions[spec.id];
        if (!a)
            a = makeAction(spec, view);
        if (spec.removedAtStart || spec.menu == Menu::None || spec.menu == Menu::Tools)
            continue;
        a->setText(qs(menuLabel(spec)));
        if (a->shortcuts().isEmpty()) {
            QList<QKeySequence> keys;
            for (std::string_view k : acceleratorList(spec))
                keys << QKeySequence(qs(k));
            a->setShortcuts(keys);
        }
        if (spec.id == ID_APP_EXIT) {
            m_menus[Menu::File]->addSeparator();
            m_recentSeparator = m_menus[Menu::File]->addSeparator();
            m_recentSeparator->setVisible(false);
        }
        if (spec.id == ID_PICTURE_ID)
            a->setText(qs(PictureIdMenuText.substr(0, PictureIdMenuText.find('\t'))));
        if (spec.id == ID_APP_ABOUT)
            a->setText(qs(AboutMenuText));
        m_menus[spec.menu]->addAction(a);
    }
    if (QAction* ascent = action(ID_ASCENT_LINE))
        ascent->setCheckable(true);
    for (int id : toolbarLayout()) {
        if (id == 0) {
            if (!m_toolBar->actions().isEmpty() && !m_toolBar->actions().back()->isSeparator())
                m_toolBar->addSeparator();
        } else if (QAction* a = action(id)) {
            m_toolBar->addAction(a);
        }
    }
    updateCommands();
}

void CMainFrame::updateCommands() {
    if (!m_view)
        return;
    CommandState state = m_view->commandState();
    for (auto& [id, a] : m_actions) {
        if (const CommandSpec* spec = findCommand(id))
            a->setEnabled(app::isEnabled(spec->rule, state));
    }
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

void CMainFrame::setStatusSummary(const QString& text) {
    m_summary->setText(text);
}

bool CMainFrame::ascentLineChecked() const {
    return m_bAscentLine;
}

void CMainFrame::setAscentLineChecked(bool on) {
    // Kept apart from the action's own check state, which Qt flips before the handler runs.
    m_bAscentLine = on;
    if (QAction* a = action(ID_ASCENT_LINE))
        a->setChecked(on);
}

void CMainFrame::setRecentFiles(const std::vector<std::string>& paths) {
    QMenu* file = menu(Menu::File);
    if (!file)
        return;
    for (QAction* a : m_recentActions)
        delete a;
    m_recentActions.clear();
    QAction* before = action(ID_APP_EXIT);
    for (std::size_t i = 0; i < paths.size() && int(i) < RecentFileCount; ++i) {
        auto* a =
            new QAction(QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(paths[i])), this);
        a->setData(int(ID_FILE_MRU_FIRST + int(i)));
        std::string path = paths[i];
        connect(a, &QAction::triggered, this, [this, path] {
            if (m_openRecent)
                m_openRecent(path);
        });
        if (m_recentSeparator)
            file->insertAction(m_recentSeparator, a);
        else
            file->insertAction(before, a);
        m_recentActions.push_back(a);
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!m_recentActions.empty());
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

} // namespace pixelon::app

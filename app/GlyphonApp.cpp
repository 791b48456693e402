#include "app/GlyphonApp.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/OperationDialogs.h"
#include "app/QtFileChooser.h"
#include "app/WiredCommands.h"
#include "core/Colours.h"
#include "core/FileTypes.h"
#include "platform/qt/QtFeedback.h"
#if PIXELON_HAVE_PHONE_UI
#include "phone/ui/PhoneWindows.h"
#endif

namespace pixelon::app {

namespace {

// What the screen can show of a colour: itself on a true-colour screen, else its RGB565 value.
Colour nearestOnScreen(Colour c) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->depth() >= 24)
        return c;
    return fromRgb565(toRgb565(c));
}

} // namespace

CGlyphonApp::CGlyphonApp(AppServices services) {
    if (!services.feedback) {
        m_ownFeedback = std::make_unique<QtFeedback>();
        services.feedback = m_ownFeedback.get();
    }
    if (!services.chooser) {
        m_ownChooser = std::make_unique<QtFileChooser>();
        services.chooser = m_ownChooser.get();
    }
    if (!services.dialogs) {
        m_ownDialogs = std::make_unique<QtViewDialogs>(*services.feedback);
        services.dialogs = m_ownDialogs.get();
    }
    if (!services.store) {
        m_ownStore = std::make_unique<FilePortfolioStore>();
        services.store = m_ownStore.get();
    }
    m_feedbackRef = services.feedback;
    m_chooserRef = services.chooser;
    m_dialogsRef = services.dialogs;
    m_storeRef = services.store;
    m_registry = services.registry ? services.registry : &Registry::instance();
    m_settings = services.settings ? services.settings : &CAppSettings::instance();
    m_dataHome = services.dataHome ? *services.dataHome : desktopDataHome();
    m_runUpdateTools = services.runUpdateTools;
    m_editor = services.editor;
    m_newPicture = services.newPicture;
    m_operationDialogs = services.operationDialogs;

    m_recent.load(*m_registry);
    m_doc = std::make_unique<CGlyphonDoc>(*m_feedbackRef, *m_chooserRef, *m_storeRef);
    m_doc->m_addToRecent = [this](const std::string& path) { addRecentFile(path); };

    m_frame = std::make_unique<CMainFrame>();
    adaptPhoneColours(nearestOnScreen);
    m_view =
        new CGlyphonView(*m_frame, *m_doc, *m_settings, *m_registry, *m_dialogsRef, m_frame.get());
    m_frame->setCentralWidget(m_view);
    if (auto* qt = dynamic_cast<QtFeedback*>(m_feedbackRef))
        qt->setParent(m_frame.get());
    if (m_ownChooser)
        m_ownChooser->setParent(m_frame.get());
    if (m_ownDialogs)
        m_ownDialogs->setParent(m_frame.get());

    registerCommands();
    m_frame->buildCommands(*m_view);
    m_frame->setRecentFiles(m_recent.entries());
    m_frame->m_openRecent = [this](const std::string& path) { openRecentFile(path); };
    m_frame->m_canClose = [this] { return m_doc->SaveModified(); };
    m_frame->m_moved = [this](int x, int y) {
        m_settings->m_nMainWinX = std::max(0, x);
        m_settings->m_nMainWinY = std::max(0, y);
    };
}

CGlyphonApp::~CGlyphonApp() {
    // The view writes the settings back as it is destroyed, before the document goes.
    m_frame.reset();
    m_recent.save(*m_registry);
}

void CGlyphonApp::registerCommands() {
    m_view->addCommand(ID_APP_EXIT, [this] { m_frame->close(); });
    m_view->addCommand(ID_RESTORE_ASSOCIATIONS, [this] {
        // What restoreFileAssociations does, with the desktop's cache tools left to the caller.
        registerFileTypes(*m_registry, currentExecutable(), kRestoredTypeName, m_dataHome,
                          m_runUpdateTools);
        m_feedbackRef->message(kRestoreReport, MessageIcon::Information);
    });
    m_view->m_afterSettingsLoad = [this] {
        registerFileTypes(*m_registry, currentExecutable(), kPortfolioTypeName, m_dataHome,
                          m_runUpdateTools);
    };
    registerEditingCommands(*this);
    registerPictureCommands(*this);
    registerPhoneCommands(*this);
    registerOperationCommands(*this);
    registerObexCommands(*this);
    registerFontCommands(*this);
    registerAnimationCommands(*this);
    registerOutputCommands(*this);
    // The shell's own commands come last, so they are the ones that stay registered.
    m_view->addCommand(ID_FIND_COMMAND, [this] { m_frame->openFindCommand(); });
#if PIXELON_HAVE_PHONE_UI
    m_view->addCommand(ID_COMMS_LOG, [this] { toggleCommsLog(); });
#endif
}

void CGlyphonApp::toggleCommsLog() {
#if PIXELON_HAVE_PHONE_UI
    // The window's own visibility decides, so a log hidden by other means shows again.
    bool show = !(m_commsLogWindow && m_commsLogWindow->isVisible());
    ui::CommsLogWindow& window = ui::showCommsLog(*m_settings, show, m_frame.get());
    if (m_commsLogWindow.data() != &window) {
        // Closing the window from its title bar clears the check mark too.
        m_commsLogWindow = &window;
        QObject::connect(&window, &ui::CommsLogWindow::closed, m_frame.get(),
                         [this] { m_frame->setChecked(ID_COMMS_LOG, false); });
    }
    m_frame->setChecked(ID_COMMS_LOG, show);
#endif
}

bool CGlyphonApp::InitInstance(const std::optional<std::string>& path, bool show) {
    if (path && !path->empty() && !m_doc->OnOpenDocument(*path))
        return false;
    m_view->OnInitialUpdate();
    if (show) {
        m_frame->show();
        m_frame->raise();
    }
    return true;
}

void CGlyphonApp::picturesChanged(int select) {
    m_doc->SetModifiedFlag();
    m_view->documentChanged(); // redraws the preview for the selection it kept
    if (select >= 0) {
        m_view->selectOnly(select);
        m_view->updatePreview();
    }
}

void CGlyphonApp::addRecentFile(const std::string& path) {
    m_recent.add(path);
    m_recent.save(*m_registry);
    m_frame->setRecentFiles(m_recent.entries());
}

void CGlyphonApp::openRecentFile(const std::string& path) {
    // A portfolio replaces the open one, so its changes are asked about first.
    if (isPortfolioPath(path) && !m_doc->SaveModified())
        return;
    if (!m_doc->OnOpenDocument(path)) {
        m_recent.remove(path);
        m_recent.save(*m_registry);
        m_frame->setRecentFiles(m_recent.entries());
        return;
    }
    m_view->OnInitialUpdate();
}

} // namespace pixelon::app

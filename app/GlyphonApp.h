#pragma once

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/GlyphonDoc.h"
#include "app/ViewDialogs.h"
#include "core/AppSettings.h"
#include "core/RecentFiles.h"
#include "platform/Registry.h"

namespace pixelon::app {

class CMainFrame;
class CGlyphonView;
class QtFileChooser;
class OperationDialogs;

// Stand-ins a test hands to the application; every null member gets the real one.
struct AppServices {
    Feedback* feedback = nullptr;
    FileChooser* chooser = nullptr;
    ViewDialogs* dialogs = nullptr;
    PortfolioStore* store = nullptr;
    Registry* registry = nullptr;
    CAppSettings* settings = nullptr;
    // Where the desktop's file type entries go; unset: the user's data folder.
    std::optional<std::filesystem::path> dataHome;
    bool runUpdateTools = true;
    // The picture editor (OK writes the picture) and the New Picture dialog; unset: the windows.
    std::function<bool(CPicture& picture)> editor;
    std::function<std::unique_ptr<CPicture>(const CPortfolio& portfolio, int caret)> newPicture;
    // The dialogs of the portfolio operations; unset: the windows.
    OperationDialogs* operationDialogs = nullptr;
};

// The application: settings and recent files, the one document and its window.
class CGlyphonApp {
public:
    explicit CGlyphonApp(AppServices services = {});
    ~CGlyphonApp();
    CGlyphonApp(const CGlyphonApp&) = delete;
    CGlyphonApp& operator=(const CGlyphonApp&) = delete;

    // Opens the command line's one path, if any, and shows the window. False when the path
    // could not be opened: the program then ends.
    bool InitInstance(const std::optional<std::string>& path, bool show = true);

    CMainFrame& frame() { return *m_frame; }
    CGlyphonView& view() { return *m_view; }
    CGlyphonDoc& doc() { return *m_doc; }
    CAppSettings& settings() { return *m_settings; }
    Feedback& feedback() { return *m_feedbackRef; }
    Registry& registry() { return *m_registry; }
    ViewDialogs& dialogs() { return *m_dialogsRef; }
    const std::filesystem::path& dataHome() const { return m_dataHome; }
    bool runUpdateTools() const { return m_runUpdateTools; }
    // Opens the picture editor on a picture; true when it ended with OK. Empty when the
    // editor is not built into this program.
    const std::function<bool(CPicture&)>& editor() const { return m_editor; }
    const std::function<std::unique_ptr<CPicture>(const CPortfolio&, int)>&
    newPictureDialog() const {
        return m_newPicture;
    }
    // The windows used where no stand-in was given.
    void useEditorWindows(std::function<bool(CPicture&)> editor,
                          std::function<std::unique_ptr<CPicture>(const CPortfolio&, int)> dialog) {
        if (!m_editor)
            m_editor = std::move(editor);
        if (!m_newPicture)
            m_newPicture = std::move(dialog);
    }
    const CRecentFileList& recentFiles() const { return m_recent; }
    // The dialogs of the portfolio operations; null until registerOperationCommands gave the
    // windows when no stand-in was given.
    OperationDialogs* operationDialogs() const { return m_operationDialogs; }
    void useOperationDialogs(std::unique_ptr<OperationDialogs> dialogs);

    // After a command changed the pictures: the modified flag, the list refilled, the line
    // `select` alone selected (none when negative) and the preview.
    void picturesChanged(int select = -1);

    void addRecentFile(const std::string& path);
    // Communications Log: shows or hides the log window and ticks the menu item to match.
    void toggleCommsLog();
    void openRecentFile(const std::string& path);

private:
    void registerCommands();

    std::unique_ptr<Feedback> m_ownFeedback;
    std::unique_ptr<QtFileChooser> m_ownChooser;
    std::unique_ptr<QtViewDialogs> m_ownDialogs;
    std::unique_ptr<FilePortfolioStore> m_ownStore;
    Feedback* m_feedbackRef;
    FileChooser* m_chooserRef;
    ViewDialogs* m_dialogsRef;
    PortfolioStore* m_storeRef;
    Registry* m_registry;
    CAppSettings* m_settings;
    CRecentFileList m_recent;
    std::filesystem::path m_dataHome;
    bool m_runUpdateTools = true;
    std::function<bool(CPicture&)> m_editor;
    std::function<std::unique_ptr<CPicture>(const CPortfolio&, int)> m_newPicture;
    std::unique_ptr<OperationDialogs> m_ownOperationDialogs;
    OperationDialogs* m_operationDialogs = nullptr;
    std::unique_ptr<CGlyphonDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CGlyphonView* m_view = nullptr;     // owned by the frame
    QPointer<QWidget> m_commsLogWindow; // the log window whose closing is watched
};

} // namespace pixelon::app

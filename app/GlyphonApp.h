#pragma once

#include <filesystem>
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
    const CRecentFileList& recentFiles() const { return m_recent; }

    void addRecentFile(const std::string& path);
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
    std::unique_ptr<CGlyphonDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CGlyphonView* m_view = nullptr; // owned by the frame
};

} // namespace pixelon::app

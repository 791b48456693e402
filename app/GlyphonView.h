#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "app/Commands.h"
#include "app/GlyphonDoc.h"
#include "app/ViewDialogs.h"
#include "core/AppSettings.h"
#include "phone/PhoneTypes.h"
#include "platform/Surface.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace pixelon::app {

class CMainFrame;

// Shows the preview bitmap magnified; a double click asks to edit the picture.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int Zoom = 2;
    explicit PreviewPane(const Surface& bitmap, QWidget* parent = nullptr);
    QSize sizeHint() const override;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    const Surface& m_bitmap;
};

// The form view: the picture list, the preview, the name and notes fields. It handles the
// commands of the window; each handler is registered by identifier.
class CGlyphonView : public QWidget, public DocumentObserver {
    Q_OBJECT
public:
    static constexpr int PreviewBitmapSize = 128;

    CGlyphonView(CMainFrame& frame, CGlyphonDoc& doc, CAppSettings& settings, Registry& registry,
                 ViewDialogs& dialogs, QWidget* parent = nullptr);
    ~CGlyphonView() override;

    // The first call loads the settings and places the window; later calls refill.
    void OnInitialUpdate();

    void addCommand(int id, std::function<void()> run);
    bool hasCommand(int id) const { return m_commands.count(id) != 0; }
    // Runs a command's handler when its rule allows it; updates the menus either way.
    void runCommand(int id);
    // The pane that has the keyboard focus (list, name or notes), if any.
    QWidget* focusedPane() const;

    // What the enablement rules look at now.
    CommandState commandState() const;
    std::vector<int> selectedIndices() const;
    void selectOnly(int index);
    void selectAll();

    QListWidget* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    QPlainTextEdit* notesField() const { return m_notes; }
    PreviewPane* preview() const { return m_preview; }
    const Surface& previewBitmap() const { return m_previewBitmap; }
    QString statusSummary() const;

    ApplicationType applicationType() const;
    void setApplicationType(ApplicationType app);
    // The size of the preview region for the current phone format and application type.
    PreviewSize previewSize() const { return m_previewSize; }
    void layoutForPhoneType();

    // The size New Picture proposes, set by the colour phone type command.
    PreviewSize m_newPictureSize{101, 80};

    // Runs after the settings were loaded (the file type registration).
    std::function<void()> m_afterSettingsLoad;

    // DocumentObserver
    void documentCleared() override;
    void documentChanged() override;
    void showAscentLine() override;

    // Redraws the selected picture into the preview bitmap, or hides the preview.
    void updatePreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void registerOwnCommands();
    void refillList();
    void selectionChanged();
    void editName();
    void editNotes();
    void textMetrics();
    void toggleAscentLine();
    // F6 and Shift+F6: the keyboard focus to the next or previous pane.
    void moveToPane(int step);
    std::array<QWidget*, 3> panes() const;

    CMainFrame& m_frame;
    CGlyphonDoc& m_doc;
    CAppSettings& m_settings;
    Registry& m_registry;
    ViewDialogs& m_dialogs;
    std::map<int, std::function<void()>> m_commands;
    bool m_bFirstUpdate = true;
    bool m_bSettingsLoaded = false;
    bool m_ascentShownEarly = false; // a load ticked Ascent Line before the first update
    Surface m_previewBitmap{PreviewBitmapSize, PreviewBitmapSize};
    PreviewSize m_previewSize{101, 80};

    QLabel* m_portfolioLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QListWidget* m_list = nullptr;
    PreviewPane* m_preview = nullptr;
    QLabel* m_pictureSize = nullptr;
};

} // namespace pixelon::app

#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <array>
#include <map>
#include <memory>

#include "core/Picture.h"
#include "editing/EditorSession.h"
#include "editing/PaletteFile.h"
#include "editing/PictureEditor.h"
#include "editing/ui/EditorWidgets.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace pixelon {
class CPortfolio;
class Feedback;
class Registry;
} // namespace pixelon

namespace pixelon::ui {

class PaletteButton;

struct EditorOptions {
    const CPortfolio* portfolio = nullptr; // ascent and glyph font
    UserPalette* userPalette = nullptr;    // custom colours of every colour chooser
    Registry* registry = nullptr;          // saved window places; none in tests
    int phoneWidth = 101;                  // crop's standard size
    int phoneHeight = 80;
};

// The "Image Editor" window (dialog 137).
class EditorWindow : public QDialog {
    Q_OBJECT
public:
    EditorWindow(CPicture& picture, Feedback& feedback, EditorOptions options,
                 QWidget* parent = nullptr);
    ~EditorWindow() override;

    PictureEditor& editor() { return m_editor; }
    CanvasView* view() const { return m_view; }
    QScrollBar* horizontalScroll() const { return m_hScroll; }
    QScrollBar* verticalScroll() const { return m_vScroll; }
    QAbstractButton* control(int id) const;
    EasyPaletteWindow* easyPalette() const { return m_easy; }
    void toggleEasyPalette();

    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void checkFramePlace();
    QPushButton* addButton(int id, const char* text, void (EditorWindow::*slot)());
    void refresh();
    void command(const std::function<void()>& action);
    void onPalette(int id, int code);

    void zoomIn();
    void zoomOut();
    void clear();
    void resizePicture();
    void scalePicture();
    void cropPicture();
    void foldPicture();
    void swapColours();
    void greyScale();
    void monoColours();
    void gsMap();
    void cubeColours();
    void copy();
    void paste();
    void grid();
    void font();
    void undo();
    void colour();
    void glyphFont(const QString& path);
    void rebuildGlyphMenu();

    CPicture& m_picture;
    EditorOptions m_options;
    PictureEditor m_editor;
    CanvasView* m_view = nullptr;
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    std::map<int, QAbstractButton*> m_controls;
    std::map<int, PaletteButton*> m_palette;
    QCheckBox* m_dither = nullptr;
    QLabel* m_x = nullptr;
    QLabel* m_y = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_selection = nullptr;
    std::array<QLabel*, 3> m_rgb{};
    QPointer<EasyPaletteWindow> m_easy;
    Feedback& m_feedback;
    class QMenu* m_glyphMenu = nullptr;
    EditorPlacement m_placement;
    // The stored place is the frame's; some window managers put the client area there, so
    // the place is checked once the frame is known.
    bool m_placeFrame = false;
    int m_frameChecks = 0;
    class QTimer* m_frameTimer = nullptr;
};

// Opens the editor on `picture` and returns OK or Cancel; only OK writes the picture.
EditorResult openEditor(CPicture& picture, Feedback& feedback, EditorOptions options = {},
                        QWidget* parent = nullptr);

} // namespace pixelon::ui

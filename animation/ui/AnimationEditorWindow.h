#pragma once

#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <map>
#include <set>

#include "animation/AnimationEditor.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QScrollBar;

namespace pixelon::ui {

// The preview's one-shot timer over a QTimer.
class QtPreviewTimer : public QObject, public PreviewTimer {
    Q_OBJECT
public:
    explicit QtPreviewTimer(QObject* parent = nullptr);
    void start(int milliseconds) override;
    void stop() override;
    bool isActive() const { return m_timer.isActive(); }

signals:
    void fired();

private:
    QTimer m_timer;
};

// Shows the editor's preview surface; its size is the preview's size.
class AnimationPreview : public QWidget {
    Q_OBJECT
public:
    explicit AnimationPreview(AnimationEditor& editor, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 160}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    AnimationEditor& m_editor;
};

// The "Animation Editor" window (dialog 223). Every control is a child named "ctl<id>" with
// the dialog's control identifier, so tests can press it.
class AnimationEditorWindow : public QDialog {
    Q_OBJECT
public:
    // `services.timer` is ignored: the window runs its own.
    AnimationEditorWindow(CPortfolio& portfolio, AnimationEditorServices services, bool zoom,
                          double viewRatio, QWidget* parent = nullptr);
    ~AnimationEditorWindow() override;

    AnimationEditor& editor() { return *m_editor; }
    QWidget* control(int id) const;
    QtPreviewTimer& timer() { return *m_timer; }
    // After OK: whether the portfolio's animations changed.
    bool animationsChanged() const { return m_animationsChanged; }

    void accept() override;

private:
    void build();
    QWidget* buildToolbar();
    QWidget* buildLists();
    QWidget* buildParameters();
    QWidget* buildPreview();
    void connectControls();
    void refresh();
    void refreshFrames();
    void refreshFields();
    void refreshPlayback();
    void applyFrameFields();
    std::vector<int> selectedRows(QListWidget* list) const;
    template <typename T> T* add(int id, T* widget);

    QtPreviewTimer* m_timer;
    std::unique_ptr<AnimationEditor> m_editor;
    std::map<int, QWidget*> m_controls;
    QListWidget* m_animations = nullptr;
    QListWidget* m_images = nullptr;
    QListWidget* m_frames = nullptr;
    QListWidget* m_storyboard = nullptr;
    QScrollBar* m_scroll = nullptr;
    AnimationPreview* m_preview = nullptr;
    bool m_refreshing = false;
    bool m_lightRefresh = false;  // playback ticks and scrolling redraw only the preview
    std::set<int> m_editedFields; // frame fields typed into since they were last applied
    bool m_animationsChanged = false;
};

// Runs the window modally; true on OK. `zoom` comes in as ZoomAnimPreview and goes out as the
// box was left.
struct AnimationEditorRun {
    bool accepted = false;
    bool animationsChanged = false;
    bool picturesChanged = false;
    bool zoom = false;
};
AnimationEditorRun runAnimationEditor(CPortfolio& portfolio, AnimationEditorServices services,
                                      bool zoom, double viewRatio, QWidget* parent);

} // namespace pixelon::ui

#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <array>
#include <optional>

#include "operations/Heights.h"
#include "operations/Ids.h"
#include "operations/Merge.h"
#include "platform/Surface.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace pixelon {
class Feedback;
}

namespace pixelon::ui {

// "Enter Portfolio ID": the proposal in five digits; OK checks the range.
class IdDialog : public QDialog {
    Q_OBJECT
public:
    IdDialog(int proposal, Feedback& feedback, QWidget* parent = nullptr);
    QLineEdit* field() const { return m_field; }
    std::optional<int> value() const { return m_model.value(); }

private:
    IdDialogModel m_model;
    QLineEdit* m_field = nullptr;
};
std::optional<int> runIdDialog(QWidget* parent, int proposal, Feedback& feedback);

// One slider with its caption and the label that follows its value while it moves.
struct SliderRow {
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
};

// "Crop Height of Images" and "Enlarge Height of Images": three sliders.
class HeightDialog : public QDialog {
    Q_OBJECT
public:
    HeightDialog(HeightDialogModel& model, QWidget* parent = nullptr);
    const SliderRow& top() const { return m_rows[0]; }
    const SliderRow& bottom() const { return m_rows[1]; }
    const SliderRow& threshold() const { return m_rows[2]; }

private:
    HeightDialogModel& m_model;
    std::array<SliderRow, 3> m_rows;
};
bool runHeightDialog(QWidget* parent, HeightDialogModel& model);

// "Shift Images Vertically": one vertical slider, None / Up n / Down n.
class ShiftDialog : public QDialog {
    Q_OBJECT
public:
    ShiftDialog(ShiftDialogModel& model, QWidget* parent = nullptr);
    const SliderRow& row() const { return m_row; }

private:
    ShiftDialogModel& m_model;
    SliderRow m_row;
};
bool runShiftDialog(QWidget* parent, ShiftDialogModel& model);

// "Merge": the result list, the merge file's list and the removed list, the buttons between
// them and a preview of the single selected line.
class MergeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int PreviewSize = 128;

    MergeDialog(const CPortfolio& ours, const CPortfolio& theirs, QWidget* parent = nullptr);
    const MergeModel& model() const { return m_model; }
    QListWidget* list(MergeList which) const { return m_lists[std::size_t(which)]; }
    QPushButton* button(MergeButton which) const { return m_buttons[std::size_t(which)]; }
    QLabel* preview() const { return m_preview; }
    // The scale the preview shows the picture at; 0 when there is none.
    int previewScale() const { return m_previewScale; }

private:
    void refill();
    void selectionChanged(MergeList which);
    void updateButtonsAndPreview();

    MergeModel m_model;
    std::array<QListWidget*, 3> m_lists{};
    std::array<QPushButton*, MergeButtonCount> m_buttons{};
    QLabel* m_preview = nullptr;
    int m_previewScale = 0;
    bool m_refilling = false;
};
std::optional<MergeChoice> runMergeDialog(QWidget* parent, const CPortfolio& ours,
                                          const CPortfolio& theirs);

// A window over the whole screen showing a snapshot; the left button fixes one corner, moving
// drags a 3-pixel rectangle outline to the pointer and releasing ends the grab. Escape cancels.
class ImageGrabber : public QWidget {
    Q_OBJECT
public:
    static constexpr int BandWidth = 3;

    ImageGrabber();
    // Shows the snapshot full-screen and waits until the grab ends; the rectangle in snapshot
    // pixels, or nothing when cancelled.
    std::optional<Rect> grab(const QImage& snapshot);
    // Shows the snapshot without waiting (tests drive the mouse themselves).
    void start(const QImage& snapshot);
    std::optional<Rect> band() const { return m_band; }
    bool finished() const { return m_finished; }

signals:
    void grabEnded();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    // Closed by the window manager: the grab is cancelled rather than left waiting.
    void closeEvent(QCloseEvent*) override;

private:
    QPoint toSnapshot(QPoint p) const;
    void end(bool keep);

    QImage m_snapshot;
    std::optional<QPoint> m_anchor;
    std::optional<Rect> m_band;
    bool m_finished = false;
};

// A snapshot of the whole primary screen, read after open menus have closed and the windows
// under them had `settleMs` to redraw; a null image where the window system refuses it.
inline constexpr int GrabSettleMs = 300;
QImage grabScreenImage(int settleMs = GrabSettleMs);

// Runs the grabber on a snapshot. A null or empty snapshot (the window system refused the grab)
// is said through `feedback` instead of showing an empty window. The rectangle, or nothing.
std::optional<Rect> grabFromSnapshot(ImageGrabber& grabber, const QImage& snapshot,
                                     Feedback& feedback);

} // namespace pixelon::ui

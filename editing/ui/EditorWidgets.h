#pragma once

#include <QWidget>

#include <utility>

#include "editing/PaletteFile.h"
#include "editing/PictureEditor.h"

namespace pixelon::ui {

// Shows the editor model magnified and forwards mouse and keys to it in picture coordinates.
class CanvasView : public QWidget {
    Q_OBJECT
public:
    CanvasView(PictureEditor& editor, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {520, 420}; }

signals:
    void changed(); // the model may have changed: refresh fields and buttons

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::pair<int, int> pictureAt(QPoint p) const;
    PictureEditor& m_editor;
};

// The EasyPalette window: 256 cells; a left or right release sets that drawing colour.
class EasyPaletteWindow : public QWidget {
    Q_OBJECT
public:
    explicit EasyPaletteWindow(QWidget* parent = nullptr);
    const EasyPaletteModel& model() const { return m_model; }

signals:
    void colourChosen(Colour colour, bool left);
    void closed();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    EasyPaletteModel m_model;
};

} // namespace pixelon::ui

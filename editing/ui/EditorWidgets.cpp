// The picture editor window's own widgets: the magnified canvas and the EasyPalette.

#include "editing/ui/EditorWidgets.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

MouseButton buttonOf(Qt::MouseButton b) {
    return b == Qt::RightButton ? MouseButton::Right : MouseButton::Left;
}

Modifiers modifiersOf(Qt::KeyboardModifiers m) {
    return {bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier)};
}

} // namespace

CanvasView::CanvasView(PictureEditor& editor, QWidget* parent) : QWidget(parent), m_editor(editor) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 160);
    setObjectName("canvas");
}

void CanvasView::resizeEvent(QResizeEvent*) {
    m_editor.setViewSize(width(), height());
    emit changed();
}

void CanvasView::paintEvent(QPaintEvent*) {
    Surface view;
    m_editor.renderView(view);
    QPainter(this).drawImage(0, 0, toQImage(view));
}

std::pair<int, int> CanvasView::pictureAt(QPoint p) const {
    return m_editor.viewToPicture(p.x(), p.y());
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    // One notch scrolls 40 view pixels; Shift or a sideways wheel scrolls across.
    const QPoint delta = event->angleDelta();
    int dx = -delta.x() * 40 / 120, dy = -delta.y() * 40 / 120;
    if (event->modifiers() & Qt::ShiftModifier)
        std::swap(dx, dy);
    m_editor.setScroll(m_editor.scrollX() + dx, m_editor.scrollY() + dy);
    update();
    emit changed();
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const auto [x, y] = pictureAt(event->position().toPoint());
    m_editor.mouseDown(buttonOf(event->button()), x, y, modifiersOf(event->modifiers()));
    update();
    emit changed();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    const auto [x, y] = pictureAt(event->position().toPoint());
    m_editor.mouseMove(x, y, modifiersOf(event->modifiers()));
    update();
    emit changed();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    const auto [x, y] = pictureAt(event->position().toPoint());
    m_editor.mouseUp(buttonOf(event->button()), x, y, modifiersOf(event->modifiers()));
    update();
    emit changed();
}

void CanvasView::leaveEvent(QEvent*) {
    m_editor.pointerLeft();
    emit changed();
}

void CanvasView::keyPressEvent(QKeyEvent* event) {
    if (!m_editor.placingText())
        return QWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Backspace)
        m_editor.backspace();
    else if (!event->text().isEmpty() && event->text().at(0).isPrint())
        m_editor.typeText(event->text().toStdString());
    else
        return QWidget::keyPressEvent(event);
    update();
}

EasyPaletteWindow::EasyPaletteWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool), m_model(EasyPaletteModel::fromFile(defaultPalettePath())) {
    setWindowTitle("EasyPalette");
    setFixedSize(EasyPaletteModel::WindowWidth, EasyPaletteModel::WindowHeight);
}

void EasyPaletteWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int cell = 0; cell < EasyPaletteModel::Cells; ++cell) {
        const Rect r = m_model.cellRect(cell);
        painter.fillRect(r.left, r.top, r.width(), r.height(), toQColor(m_model.colour(cell)));
    }
}

void EasyPaletteWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int cell = m_model.cellAt(p.x(), p.y());
    if (cell >= 0)
        emit colourChosen(m_model.colour(cell), event->button() != Qt::RightButton);
}

void EasyPaletteWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace pixelon::ui

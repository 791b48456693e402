#include "editing/ui/PaletteButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "editing/PaletteFile.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

PaletteButton::PaletteButton(int id, QWidget* parent)
    : QWidget(parent), m_id(id), m_first(rgb(255, 0, 0)), m_second(rgb(0, 255, 0)) {
    setCursor(Qt::CrossCursor);
    setObjectName(QString("ctl%1").arg(id));
    // A layout short of room must not squeeze the colour out of sight.
    setMinimumSize(16, 16);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PaletteButton::setColours(Colour first, Colour second) {
    m_first = first;
    m_second = second;
    update();
}

void PaletteButton::paintEvent(QPaintEvent*) {
    Surface s(width(), height());
    paintPaletteButton(s, m_first, m_second);
    QPainter(this).drawImage(0, 0, toQImage(s));
}

void PaletteButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit notify(m_id, PaletteButtonLeftClick);
    else if (event->button() == Qt::RightButton)
        emit notify(m_id, PaletteButtonRightClick);
}

} // namespace pixelon::ui

#pragma once

#include <QWidget>

#include "platform/Surface.h"

namespace pixelon::ui {

// A control showing a colour or a two-colour half-tone as a 4 x 4 checkerboard in a black
// frame. A left press notifies with 0x201, a right press with 0x204.
class PaletteButton : public QWidget {
    Q_OBJECT
public:
    explicit PaletteButton(int id, QWidget* parent = nullptr);

    int id() const { return m_id; }
    Colour first() const { return m_first; }
    Colour second() const { return m_second; }
    void setColours(Colour first, Colour second);
    void setFirst(Colour c) { setColours(c, m_second); }
    void setSecond(Colour c) { setColours(m_first, c); }
    QSize sizeHint() const override { return {22, 22}; }

signals:
    void notify(int id, int code);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_id;
    Colour m_first;
    Colour m_second;
};

} // namespace pixelon::ui

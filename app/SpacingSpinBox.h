#pragma once

#include <QSpinBox>

namespace pixelon::app {

// The Text Metrics dialog's Spacing field: its arrows, keys and wheel step within low..high,
// yet any whole number may stand in it (a value read from a file), for OK to refuse with the
// range message. From a value outside the range either arrow steps back into it.
class SpacingSpinBox : public QSpinBox {
    Q_OBJECT
public:
    SpacingSpinBox(int low, int high, QWidget* parent = nullptr);
    void stepBy(int steps) override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_low;
    int m_high;
};

} // namespace pixelon::app

#include "app/SpacingSpinBox.h"

#include <algorithm>
#include <limits>

namespace pixelon::app {

SpacingSpinBox::SpacingSpinBox(int low, int high, QWidget* parent)
    : QSpinBox(parent), m_low(low), m_high(high) {
    setObjectName("spacing");
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setValue(std::clamp(0, low, high));
}

void SpacingSpinBox::stepBy(int steps) {
    const long long next = (long long)value() + steps;
    setValue(int(std::clamp<long long>(next, m_low, m_high)));
    selectAll();
}

QAbstractSpinBox::StepEnabled SpacingSpinBox::stepEnabled() const {
    // From a value outside the range either arrow steps back into it.
    if (value() < m_low || value() > m_high)
        return StepUpEnabled | StepDownEnabled;
    StepEnabled enabled = StepNone;
    if (value() < m_high)
        enabled |= StepUpEnabled;
    if (value() > m_low)
        enabled |= StepDownEnabled;
    return enabled;
}

QSize SpacingSpinBox::sizeHint() const {
    // As wide as the values the arrows reach (and a few digits more), not as the whole int
    // range the field can hold.
    QSize hint = QSpinBox::sizeHint();
    const int digits = fontMetrics().horizontalAdvance(QString(12, '0'));
    hint.setWidth(std::min(hint.width(), digits + 40));
    return hint;
}

} // namespace pixelon::app

#pragma once

#include <QAction>
#include <QString>
#include <QToolBar>
#include <QToolButton>

namespace pixelon::app::test {

// What keeps a shown toolbar from showing every button in full: the first action whose button
// is hidden or reaches beyond the bar, or the overflow button; empty when nothing does.
inline QString toolbarOverflow(const QToolBar& bar) {
    for (QAction* a : bar.actions()) {
        const QWidget* button = bar.widgetForAction(a);
        if (!button || !button->isVisible())
            return "hidden: " + a->text();
        if (!bar.rect().contains(button->geometry()))
            return "beyond the bar: " + a->text();
    }
    const auto* more = bar.findChild<QToolButton*>("qt_toolbar_ext_button");
    if (more && more->isVisible())
        return "the overflow button is shown";
    return {};
}

} // namespace pixelon::app::test

#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

#include "platform/Feedback.h"

class QLabel;
class QProgressBar;

namespace pixelon {

// Feedback over Qt: message boxes are QMessageBox, the progress window is a small modeless
// widget that repaints only when the shared redraw rule decides to show a new position.
class QtFeedback : public Feedback {
public:
    explicit QtFeedback(QWidget* parent = nullptr);
    ~QtFeedback() override;

    // The window message boxes and the progress window are centred on.
    void setParent(QWidget* parent);

    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    Answer titledMessage(std::string_view title, std::string_view text, MessageIcon icon,
                         MessageButtons buttons) override;
    ProgressWindow& progress() override;

    // The visible progress widget while the window is open, else null (tests look at it).
    QWidget* progressWidget() const;

private:
    class Progress;
    QPointer<QWidget> m_parent;
    std::unique_ptr<Progress> m_progress;
};

} // namespace pixelon

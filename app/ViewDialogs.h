#pragma once

#include <optional>
#include <string>

#include "core/Document.h"

class QWidget;

namespace pixelon::app {

// The small dialogs of the view's own commands. The window uses the Qt ones; tests answer
// from a script so they never wait on a modal dialog.
class ViewDialogs {
public:
    virtual ~ViewDialogs() = default;
    virtual std::optional<std::string> askPortfolioName(const std::string& current) = 0;
    virtual std::optional<std::string> askPortfolioNotes(const std::string& current) = 0;
    virtual std::optional<TextMetrics> editTextMetrics(const TextMetrics& current) = 0;
    // "Enter Picture #": a number from 1 to `maximum`.
    virtual std::optional<int> askPictureNumber(const std::string& label, int proposal,
                                                int maximum) = 0;
};

class QtViewDialogs : public ViewDialogs {
public:
    explicit QtViewDialogs(Feedback& feedback) : m_feedback(feedback) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    std::optional<std::string> askPortfolioName(const std::string& current) override;
    std::optional<std::string> askPortfolioNotes(const std::string& current) override;
    std::optional<TextMetrics> editTextMetrics(const TextMetrics& current) override;
    std::optional<int> askPictureNumber(const std::string& label, int proposal,
                                        int maximum) override;

private:
    Feedback& m_feedback;
    QWidget* m_parent = nullptr;
};

} // namespace pixelon::app

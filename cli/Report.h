#pragma once

// How pixelon reports: every message names the file it concerns, and bytes that are not
// printable text reach the terminal escaped, never raw.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "cli/Printable.h"
#include "cli/ProgressLine.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

// The console's messages, escaped. Stop messages are prefixed with the subject ("FILE: " or
// "FILE:LINE: ") while one is set.
class CliFeedback : public ConsoleFeedback {
public:
    using ConsoleFeedback::ConsoleFeedback;
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    ProgressWindow& progress() override { return m_progressLine; }

    // Long work draws its progress line on standard error when `on` and that is a terminal;
    // `subject` (the file worked on) is shown while the work names none itself.
    void showProgress(bool on, std::string subject = {}) {
        m_progressLine.enable(on);
        m_progressLine.setSubject(std::move(subject));
    }

    // The file later failures concern; `line` (optional) gives the line number, 0 for none.
    void setSubject(std::string path, std::function<std::uint64_t()> line = {});
    void clearSubject() { setSubject({}); }
    // Reports (information messages) go to standard output rather than standard error.
    void reportsToStdout(bool on) { m_reportsToStdout = on; }

private:
    std::string m_path;
    std::function<std::uint64_t()> m_line;
    bool m_reportsToStdout = false;
    ProgressLine m_progressLine;
};

// Reads a portfolio; a failure is reported as "PATH:LINE: " and the reader's message.
bool readPortfolio(CPortfolio& portfolio, const std::string& path, CliFeedback& feedback);

// Writes a portfolio; a failure is reported as "PATH: " and the writer's message.
bool writePortfolio(CPortfolio& portfolio, const std::string& path, CliFeedback& feedback);

} // namespace pixelon::cli

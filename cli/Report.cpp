#include "cli/Report.h"

#include <cstdio>

namespace pixelon::cli {

Answer CliFeedback::message(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    m_progressLine.erase();
    std::string shown;
    if (icon == MessageIcon::Stop && !m_path.empty()) {
        shown = m_path;
        if (std::uint64_t line = m_line ? m_line() : 0)
            shown += ":" + std::to_string(line);
        shown += ": ";
    }
    shown += text;
    if (icon == MessageIcon::Information && m_reportsToStdout) {
        std::printf("%s\n", printable(shown).c_str());
        std::fflush(stdout);
        return firstButton(buttons);
    }
    return ConsoleFeedback::message(printable(shown), icon, buttons);
}

void CliFeedback::setSubject(std::string path, std::function<std::uint64_t()> line) {
    m_path = std::move(path);
    m_line = std::move(line);
}

bool readPortfolio(CPortfolio& portfolio, const std::string& path, CliFeedback& feedback) {
    feedback.setSubject(path, [&portfolio] { return portfolio.FailedLine(); });
    const bool ok = portfolio.ReadFile(path, feedback);
    feedback.clearSubject();
    return ok;
}

bool writePortfolio(CPortfolio& portfolio, const std::string& path, CliFeedback& feedback) {
    feedback.setSubject(path);
    const bool ok = portfolio.WriteFile(path, feedback);
    feedback.clearSubject();
    return ok;
}

} // namespace pixelon::cli

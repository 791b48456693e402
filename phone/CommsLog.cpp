#include "phone/CommsLog.h"

#include <cstdarg>
#include <cstdio>

namespace pixelon {

void CCommsLog::AppendLog(std::string_view text, bool refresh) {
    static constexpr std::string_view ellipsis = "...";
    if (m_text.size() + text.size() > MaxChars) {
        if (text.size() + ellipsis.size() >= MaxChars) {
            // A single text larger than the whole log: keep its tail only.
            m_text.assign(ellipsis);
            text = text.substr(text.size() - (MaxChars - ellipsis.size()));
        } else {
            std::size_t keep = MaxChars - ellipsis.size() - text.size();
            std::size_t keepFrom = m_text.size() > keep ? m_text.size() - keep : 0;
            // In place: the log is trimmed on every line once it is full.
            m_text.replace(0, keepFrom, ellipsis);
        }
    }
    m_text.append(text);
    if (refresh && m_listener)
        m_listener();
}

void CCommsLog::LogComms(int port, std::string_view message) {
    AppendLog(formatText("COM%d: ", port), false);
    AppendLog(message, true);
}

void CCommsLog::Clear() {
    m_text.clear();
    if (m_listener)
        m_listener();
}

CCommsLog& commsLog() {
    static CCommsLog log;
    return log;
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(std::size_t(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(std::size_t(n));
    }
    va_end(args);
    return out;
}

} // namespace pixelon

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pixelon {

// The communications log: the program's only log, a text buffer of bounded size that a window
// may show. Text is collected whether a window is showing it or not.
class CCommsLog {
public:
    static constexpr std::size_t MaxChars = 131072;

    // Appends text; when the buffer would grow past MaxChars it keeps "..." and the newest
    // characters. `refresh` tells the window (if any) to show the new text.
    void AppendLog(std::string_view text, bool refresh = true);
    // "COM%d: " and then the message.
    void LogComms(int port, std::string_view message);
    void Clear();

    const std::string& text() const { return m_text; }

    // The window registers here to be told when the text should be shown again.
    void setRefreshListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    std::string m_text;
    std::function<void()> m_listener;
};

// The process-wide log.
CCommsLog& commsLog();

// printf-style formatting into a std::string.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace pixelon

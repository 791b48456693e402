#pragma once

#include <cstdarg>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace pixelon {

class Registry;

inline constexpr std::string_view kDebugSettingsKey = "SOFTWARE\\Norvane\\ZevOvo";
inline constexpr std::string_view kDefaultViewer = "ZevOvo.exe";
inline constexpr int kRawLine = 255;
inline constexpr std::size_t kMaxDebugText = 8192;

struct DebugSettings {
    bool enabled = false;
    bool visible = false; // level-0 messages beep
    std::string viewerPath{kDefaultViewer};
    int level = 0; // the highest level shown
};

// Reads the channel's settings from the machine hive; values are decimal strings (32-bit
// numbers are accepted too). Anything missing or out of range keeps its default.
DebugSettings readDebugSettings(const Registry& registry, std::string_view processName);

// Formats one message as the viewer receives it, without the terminating zero: the text is cut
// to 8 KB, "\r\n" is added unless it ends with a line feed, and a message that is not raw gets
// the prefix "0x<thread> <process> (<level>) :".
std::string formatDebugLine(std::string_view processName, int level, unsigned threadId,
                            std::string_view text);

// The channel of one process to the debug viewer, a Unix-domain datagram socket. One datagram
// carries one line with its terminating zero.
class CDebugChannel {
public:
    // `socketPath` finds the viewer's socket; it is asked again until it names one, since the
    // viewer may create its folder only when it starts.
    using SocketLocator = std::function<std::optional<std::filesystem::path>()>;
    CDebugChannel(std::string processName, DebugSettings settings, SocketLocator socketPath);
    ~CDebugChannel();
    CDebugChannel(const CDebugChannel&) = delete;
    CDebugChannel& operator=(const CDebugChannel&) = delete;

    // Starts the viewer unless it is listening already, waits up to a second for it, then sends
    // the banner. Does nothing when the channel is off.
    void start();
    bool enabled() const { return m_settings.enabled; }
    const DebugSettings& settings() const { return m_settings; }

    void output(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void voutput(int level, const char* format, va_list args);

private:
    bool viewerListening();
    const std::optional<std::filesystem::path>& socketPath();
    bool send(const std::string& line);

    std::string m_processName;
    DebugSettings m_settings;
    SocketLocator m_locator;
    std::optional<std::filesystem::path> m_socketPath;
    int m_fd = -1;
    std::mutex m_mutex;
};

// The process-wide channel of the library (process name "VerrinDLL"), started on first use.
CDebugChannel& verrinChannel();

// Shorthand for messages of the library.
void debugLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace pixelon

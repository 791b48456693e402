#include "installer/DebugChannel.h"

#include "installer/DebugSocket.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace pixelon {

namespace {

constexpr std::string_view kProcessName = "VerrinDLL";

std::optional<int> decimal(const Registry& registry, std::string_view key, std::string_view name) {
    if (auto text = registry.readString(Hive::LocalMachine, key, name)) {
        std::string_view s = *text;
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
            s.remove_prefix(1);
        }
        int value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec != std::errc{} || end == s.data()) {
            return std::nullopt;
        }
        return value;
    }
    if (auto number = registry.readDword(Hive::LocalMachine, key, name)) {
        return static_cast<int>(*number);
    }
    return std::nullopt;
}

std::optional<sockaddr_un> addressOf(const std::filesystem::path& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string s = path.string();
    if (s.size() >= sizeof(addr.sun_path)) {
        return std::nullopt;
    }
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return addr;
}

std::string timeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

SpawnResult startViewer(const std::string& path) {
    SpawnOptions options;
    options.searchPath = path.find('/') == std::string::npos;
    SpawnResult r = spawnProcess(path, {}, options);
    if (!r.started() && path == kDefaultViewer) {
        // The viewer's file name on this system is lower case without an extension.
        r = spawnProcess("zevovo", {}, SpawnOptions{{}, true, {}});
    }
    return r;
}

} // namespace

DebugSettings readDebugSettings(const Registry& registry, std::string_view processName) {
    DebugSettings s;
    const std::string key(kDebugSettingsKey);
    if (auto enabled = decimal(registry, key, "Enabled"); enabled == 0 || enabled == 1) {
        s.enabled = *enabled == 1;
    }
    if (auto visible = decimal(registry, key, "Visible"); visible == 0 || visible == 1) {
        s.visible = *visible == 1;
    }
    if (auto path = registry.readString(Hive::LocalMachine, key, "Path"); path && !path->empty()) {
        s.viewerPath = *path;
    }
    const std::string processKey = key + "\\" + std::string(processName);
    if (auto level = decimal(registry, processKey, "Level"); level && *level >= 0) {
        s.level = *level;
    }
    return s;
}

std::string formatDebugLine(std::string_view processName, int level, unsigned threadId,
                            std::string_view text) {
    // The text and its line end together fit the 8 KB buffer with its terminating zero.
    constexpr std::size_t limit = kMaxDebugText - 1;
    std::string body(text.substr(0, limit));
    if (body.empty() || body.back() != '\n') {
        if (body.size() > limit - 2) {
            body.resize(limit - 2);
        }
        body += "\r\n";
    }
    if (level == kRawLine) {
        return body;
    }
    char prefix[160];
    std::snprintf(prefix, sizeof prefix, "0x%04x %.*s (%i) :", threadId,
                  static_cast<int>(std::min<std::size_t>(processName.size(), 64)),
                  processName.data(), level);
    return prefix + body;
}

CDebugChannel::CDebugChannel(std::string processName, DebugSettings settings,
                             SocketLocator socketPath)
    : m_processName(std::move(processName)), m_settings(std::move(settings)),
      m_locator(std::move(socketPath)) {}

const std::optional<std::filesystem::path>& CDebugChannel::socketPath() {
    if (!m_socketPath && m_locator) {
        m_socketPath = m_locator();
    }
    return m_socketPath;
}

CDebugChannel::~CDebugChannel() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool CDebugChannel::viewerListening() {
    if (!socketPath()) {
        return false;
    }
    const auto addr = addressOf(*m_socketPath);
    const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (!addr || probe < 0) {
        if (probe >= 0) {
            ::close(probe);
        }
        return false;
    }
    const bool ok =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&*addr), sizeof(sockaddr_un)) == 0;
    ::close(probe);
    return ok;
}

void CDebugChannel::start() {
    if (!m_settings.enabled || m_fd >= 0) {
        return; // off, or started already
    }
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd >= 0) {
        // A viewer that stops reading must not stall the installation for long.
        timeval timeout{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    }
    if (!viewerListening()) {
        const SpawnResult r = startViewer(m_settings.viewerPath);
        if (!r.started()) {
            std::fprintf(stderr, "%s: cannot start the debug viewer \"%s\": %s\n",
                         m_processName.c_str(), m_settings.viewerPath.c_str(),
                         std::strerror(r.error));
        } else {
            // The viewer runs on after this process; it is not waited for.
            CProcess(r.pid).release();
            for (int i = 0; i < 10 && !viewerListening(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
    }
    output(kRawLine, " *********** ProcessName: %s - Level: %i  - Time: %s ", m_processName.c_str(),
           m_settings.level, timeNow().c_str());
}

void CDebugChannel::output(int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    voutput(level, format, args);
    va_end(args);
}

void CDebugChannel::voutput(int level, const char* format, va_list args) {
    if (!m_settings.enabled) {
        return;
    }
    if (level != kRawLine) {
        if (level > m_settings.level) {
            return;
        }
        if (level == 0 && m_settings.visible && ::isatty(STDERR_FILENO)) {
            [[maybe_unused]] const auto n = ::write(STDERR_FILENO, "\a", 1);
        }
    }
    char text[kMaxDebugText];
    std::vsnprintf(text, sizeof text, format, args);
    const std::string line =
        formatDebugLine(m_processName, level, static_cast<unsigned>(::gettid()), text);
    std::lock_guard lock(m_mutex);
    send(line);
}

bool CDebugChannel::send(const std::string& line) {
    if (m_fd < 0 || !socketPath()) {
        return false;
    }
    const auto addr = addressOf(*m_socketPath);
    if (!addr) {
        return false;
    }
    // The terminating zero travels with the line.
    return ::sendto(m_fd, line.c_str(), line.size() + 1, MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&*addr), sizeof(sockaddr_un)) >= 0;
}

CDebugChannel& verrinChannel() {
    static std::unique_ptr<CDebugChannel> channel = [] {
        DebugSettings settings;
        try {
            settings = readDebugSettings(Registry::fromEnvironment(), kProcessName);
        } catch (...) {
            settings = DebugSettings{};
        }
        auto c = std::make_unique<CDebugChannel>(std::string(kProcessName), settings,
                                                 [] { return debugsocket::socketPath(false); });
        c->start();
        return c;
    }();
    return *channel;
}

void debugLog(int level, const char* format, ...) {
    CDebugChannel& channel = verrinChannel();
    if (!channel.enabled()) {
        return;
    }
    va_list args;
    va_start(args, format);
    channel.voutput(level, format, args);
    va_end(args);
}

} // namespace pixelon

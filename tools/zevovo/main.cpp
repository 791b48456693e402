// zevovo: receives the debug lines of the installer library and prints each one to standard
// output as it arrives, so that a user can watch an installation.

#include "installer/DebugSocket.h"
#include "platform/Version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

constexpr const char* kHelp =
    "Usage: zevovo [--count N]\n"
    "\n"
    "Shows the debug lines of the installer support library. Every line a program sends to\n"
    "the viewer is printed to standard output as it arrives, until the viewer is stopped\n"
    "(Ctrl+C or SIGTERM).\n"
    "\n"
    "The viewer listens on the datagram socket \"DebugOut-Window.DebugOutput\" in\n"
    "$XDG_RUNTIME_DIR (else /tmp/pixelon-<uid>). Only one viewer listens at a time.\n"
    "\n"
    "Options:\n"
    "  --count N   stop after N lines\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

bool listening(const sockaddr_un& addr) {
    const int probe = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool ok = ::connect(probe, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(probe);
    return ok;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "zevovo: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    long count = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            pixelon::PrintVersion("zevovo");
            return 0;
        }
        if (arg == "--count" && i + 1 < argc) {
            char* end = nullptr;
            count = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != 0 || count <= 0) {
                return fail("--count needs a positive number");
            }
        } else {
            return fail("unknown argument \"" + std::string(arg) + "\" (see --help)");
        }
    }

    const auto path = pixelon::debugsocket::socketPath(true);
    if (!path) {
        return fail("no usable runtime folder for the socket (set XDG_RUNTIME_DIR)");
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path->c_str(), path->string().size() + 1);
    if (listening(addr)) {
        return fail("another viewer is listening on " + path->string());
    }
    ::unlink(path->c_str()); // a socket left behind by a viewer that was killed

    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        return fail("cannot listen on " + path->string() + ": " + std::strerror(errno));
    }
    ::chmod(path->c_str(), 0600);

    struct sigaction action {};
    action.sa_handler = onSignal; // no SA_RESTART, so a signal ends the blocking receive
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);

    std::fprintf(stderr, "zevovo: %s listening on %s\n", pixelon::debugsocket::kWindowTitle.data(),
                 path->c_str());
    std::string buffer(256 * 1024, '\0');
    while (!g_stop && count != 0) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "zevovo: receive failed: %s\n", std::strerror(errno));
            break;
        }
        // A line travels with its terminating zero; anything after the first zero is ignored.
        const std::size_t length = strnlen(buffer.data(), static_cast<std::size_t>(n));
        if (length == 0) {
            continue;
        }
        std::fwrite(buffer.data(), 1, length, stdout);
        std::fflush(stdout);
        if (count > 0) {
            --count;
        }
    }
    ::close(fd);
    ::unlink(path->c_str());
    return 0;
}

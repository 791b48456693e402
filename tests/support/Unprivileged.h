#pragma once

// Runs a check in a child process without superuser rights, so tests of file permissions mean
// the same when the suite runs as root (as CI does).

#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pixelon::test {

// The user a root process drops to: "nobody" on Debian.
constexpr uid_t UnprivilegedId = 65534;

// Hands `folder` to the unprivileged user when running as root.
inline void giveToUnprivileged(const std::filesystem::path& folder) {
    if (::geteuid() == 0)
        (void)!::chown(folder.c_str(), UnprivilegedId, UnprivilegedId);
}

// Runs `body` in a forked child that has dropped root; returns its result, or "" when the
// body returned "" (success). The body must not use gtest assertions.
inline std::string runUnprivileged(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string result;
        if (::geteuid() == 0 && (::setgid(UnprivilegedId) != 0 || ::setuid(UnprivilegedId) != 0))
            result = "cannot drop root";
        else
            result = body();
        (void)!::write(pipeFds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "the child died";
    return result;
}

} // namespace pixelon::test

#pragma once
// Starting a program as a child process that a test can wait for with a deadline, kill at a
// chosen moment, run without superuser rights or under a file size limit.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/Unprivileged.h"

namespace pixelon::test {

struct SpawnOptions {
    std::filesystem::path folder; // working folder; out.txt, err.txt
    std::vector<std::pair<std::string, std::string>> environment; // added or replaced
    bool unprivileged = false;    // drop root (as Unprivileged.h does) before starting
    long long fileSizeLimit = -1; // RLIMIT_FSIZE in bytes, SIGXFSZ ignored; -1 for none
};

// Starts `argv` (argv[0] a path) in a child; its output goes to out.txt and err.txt of the
// working folder. Returns the child's process id, or -1.
inline pid_t spawnProgram(const std::vector<std::string>& argv, const SpawnOptions& options) {
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    // In the child: only async-signal-safe work would be strictly right after a fork, but the
    // test process is single-threaded here.
    if (!options.folder.empty() && ::chdir(options.folder.c_str()) != 0)
        ::_exit(126);
    const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
        ::_exit(126);
    for (const auto& [name, value] : options.environment)
        ::setenv(name.c_str(), value.c_str(), 1);
    if (options.fileSizeLimit >= 0) {
        ::signal(SIGXFSZ, SIG_IGN); // an ignored signal stays ignored across exec
        const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
    }
    if (options.unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(UnprivilegedId) != 0 ||
         ::setuid(UnprivilegedId) != 0))
        ::_exit(126);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

// Waits for the child; its exit status, 128 + the signal that ended it, or -1 when it was
// still running after `limit` (it is then killed).
inline int waitForChild(pid_t child, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0)
            return -1;
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

} // namespace pixelon::test

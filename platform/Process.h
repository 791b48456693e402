#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace pixelon {

// How a process ended: its exit code, or the signal that ended it.
struct ProcessExit {
    bool signalled = false;
    int code = 0; // exit status, or the signal number when signalled
    bool success() const { return !signalled && code == 0; }
};

struct SpawnOptions {
    std::filesystem::path workingDir;          // empty: the caller's
    bool searchPath = false;                   // look the program up in $PATH when it has no slash
    std::vector<std::string> extraEnvironment; // "NAME=value" entries added to the caller's
};

struct SpawnResult {
    pid_t pid = -1;
    int error = 0; // errno when the program could not be started
    bool started() const { return pid > 0; }
};

// A started child process. Unless detached, the destructor reaps the child when it has ended so
// that no zombie is left behind; a child that is still running is left running.
class CProcess {
public:
    CProcess() = default;
    explicit CProcess(pid_t pid) : m_pid(pid) {}
    CProcess(CProcess&& other) noexcept;
    CProcess& operator=(CProcess&& other) noexcept;
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;
    ~CProcess();

    pid_t pid() const { return m_pid; }
    bool valid() const { return m_pid > 0; }

    // Waits up to `timeout` for the child to end; zero only polls.
    std::optional<ProcessExit> wait(std::chrono::milliseconds timeout);
    bool running() { return valid() && !m_exit && !wait(std::chrono::milliseconds(0)); }
    const std::optional<ProcessExit>& exitStatus() const { return m_exit; }
    bool kill(int signal);
    pid_t release(); // gives up ownership without reaping

private:
    pid_t m_pid = -1;
    std::optional<ProcessExit> m_exit;
};

// Starts `program` with `args` (without the program name, which becomes argv[0]).
SpawnResult spawnProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const SpawnOptions& options = {});

// Splits a parameter string the way a Windows program splits its command line: blanks separate
// words, double quotes group blanks into a word, a backslash before a quote escapes it.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The shell's "open": an executable file is started with the parameter string split into
// words; any other file is handed to the desktop's opener (xdg-open).
SpawnResult shellExecute(const std::filesystem::path& file, std::string_view parameters,
                         const std::filesystem::path& workingDir = {});

struct ProcessInfo {
    pid_t pid = 0;
    std::string name; // file name of the executable, else the kernel's short command name
};

// The running processes, read from /proc (or `procRoot` for tests).
std::vector<ProcessInfo> listProcesses(const std::filesystem::path& procRoot = "/proc");

// Files that could not be deleted are put on a list and deleted when the list is next processed
// (the stand-in for deleting a file at the next restart). The list is a text file, one absolute
// path a line: $PIXELON_PENDING_LIST when set, else pending-deletions in $PIXELON_REGISTRY_DIR
// when that is set, else $XDG_STATE_HOME/pixelon/pending-deletions (~/.local/state/...).
std::filesystem::path pendingDeletionList();
bool scheduleDeletion(const std::filesystem::path& file,
                      const std::filesystem::path& list = pendingDeletionList());
// Deletes every listed file that exists; paths that still cannot be deleted stay listed.
// Returns the number of files deleted.
int processPendingDeletions(const std::filesystem::path& list = pendingDeletionList());

// A file that ships with a program in `programFolder`: beside it (a build folder), else in
// `installedFolder` relative to the folder above it (an installed tree, e.g. "lib/pixelon").
// Empty when neither exists.
std::filesystem::path companionFile(const std::filesystem::path& programFolder,
                                    std::string_view name,
                                    const std::filesystem::path& installedFolder);

} // namespace pixelon

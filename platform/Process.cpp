#include "platform/Process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace pixelon {

namespace fs = std::filesystem;

namespace {

ProcessExit toExit(int status) {
    if (WIFSIGNALED(status)) {
        return {true, WTERMSIG(status)};
    }
    return {false, WIFEXITED(status) ? WEXITSTATUS(status) : 0};
}

std::string nameOf(std::string_view entry) {
    return std::string(entry.substr(0, entry.find('=')));
}

// The caller's environment with `extra` entries replacing those of the same name.
std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto& x : extra) {
            replaced = replaced || nameOf(x) == nameOf(entry);
        }
        if (!replaced) {
            env.push_back(std::move(entry));
        }
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (auto& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

// An exclusive lock on a file beside the list, held while the list is read or replaced.
class ListLock {
public:
    explicit ListLock(const fs::path& list) {
        std::error_code ec;
        fs::create_directories(list.parent_path(), ec);
        const fs::path lockPath = list.string() + ".lock";
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~ListLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

std::vector<std::string> readList(const fs::path& list) {
    std::vector<std::string> lines;
    std::ifstream in(list);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Replaces the list through a temporary file so a failed write keeps the old list.
bool writeList(const fs::path& list, const std::vector<std::string>& lines) {
    std::error_code ec;
    if (lines.empty()) {
        fs::remove(list, ec);
        return !ec;
    }
    const fs::path temp = list.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const auto& l : lines) {
            out << l << '\n';
        }
        out.flush();
        if (!out) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, list, ec);
    return !ec;
}

} // namespace

CProcess::CProcess(CProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)), m_exit(std::move(other.m_exit)) {}

CProcess& CProcess::operator=(CProcess&& other) noexcept {
    if (this != &other) {
        if (valid() && !m_exit) {
            wait(std::chrono::milliseconds(0));
        }
        m_pid = std::exchange(other.m_pid, -1);
        m_exit = std::move(other.m_exit);
    }
    return *this;
}

CProcess::~CProcess() {
    if (valid() && !m_exit) {
        wait(std::chrono::milliseconds(0));
    }
}

std::optional<ProcessExit> CProcess::wait(std::chrono::milliseconds timeout) {
    if (!valid()) {
        return std::nullopt;
    }
    if (m_exit) {
        return m_exit;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_exit = toExit(status);
            return m_exit;
        }
        if (r < 0 && errno != EINTR) {
            // Not our child (or already reaped elsewhere): treat it as ended.
            m_exit = ProcessExit{};
            return m_exit;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool CProcess::kill(int signal) {
    return valid() && !m_exit && ::kill(m_pid, signal) == 0;
}

pid_t CProcess::release() {
    return std::exchange(m_pid, -1);
}

SpawnResult spawnProcess(const fs::path& program, const std::vector<std::string>& args,
                         const SpawnOptions& options) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = mergedEnvironment(options.extraEnvironment);
    std::vector<char*> argvPtr = pointers(argv);
    std::vector<char*> envPtr = pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!options.workingDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDir.c_str());
    }
    pid_t pid = -1;
    const int rc =
        options.searchPath
            ? posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, argvPtr.data(), envPtr.data())
            : posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPtr.data(), envPtr.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return {-1, rc};
    }
    return {pid, 0};
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            inWord = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

SpawnResult shellExecute(const fs::path& file, std::string_view parameters,
                         const fs::path& workingDir) {
    std::error_code ec;
    SpawnOptions options;
    options.workingDir = workingDir;
    if (fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0) {
        return spawnProcess(file, splitCommandLine(parameters), options);
    }
    if (!fs::exists(file, ec)) {
        return {-1, ENOENT};
    }
    options.searchPath = true;
    return spawnProcess("xdg-open", {file.string()}, options);
}

std::vector<ProcessInfo> listProcesses(const fs::path& procRoot) {
    std::vector<ProcessInfo> out;
    std::error_code ec;
    for (fs::directory_iterator it(procRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string dir = it->path().filename().string();
        if (dir.empty() || dir.find_first_not_of("0123456789") != std::string::npos ||
            dir.size() > 9) {
            continue;
        }
        ProcessInfo info;
        info.pid = static_cast<pid_t>(std::stol(dir));
        std::error_code linkError;
        const fs::path exe = fs::read_symlink(it->path() / "exe", linkError);
        if (!linkError) {
            info.name = exe.filename().string();
            constexpr std::string_view deleted = " (deleted)";
            if (info.name.ends_with(deleted)) {
                info.name.resize(info.name.size() - deleted.size());
            }
        } else {
            std::ifstream comm(it->path() / "comm");
            std::getline(comm, info.name);
        }
        if (!info.name.empty()) {
            out.push_back(std::move(info));
        }
    }
    return out;
}

fs::path pendingDeletionList() {
    if (const char* list = std::getenv("PIXELON_PENDING_LIST"); list != nullptr && *list != 0) {
        return list;
    }
    if (const char* dir = std::getenv("PIXELON_REGISTRY_DIR"); dir != nullptr && *dir != 0) {
        return fs::path(dir) / "pending-deletions";
    }
    fs::path state;
    if (const char* s = std::getenv("XDG_STATE_HOME"); s != nullptr && *s == '/') {
        state = s;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
        state = fs::path(home) / ".local" / "state";
    } else {
        state = "/tmp";
    }
    return state / "pixelon" / "pending-deletions";
}

bool scheduleDeletion(const fs::path& file, const fs::path& list) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    const std::string text = absolute.string();
    if (ec || text.empty() || text.find('\n') != std::string::npos) {
        return false;
    }
    ListLock lock(list);
    if (!lock.locked()) {
        return false;
    }
    std::vector<std::string> lines = readList(list);
    for (const auto& l : lines) {
        if (l == text) {
            return true;
        }
    }
    lines.push_back(text);
    return writeList(list, lines);
}

int processPendingDeletions(const fs::path& list) {
    std::error_code ec;
    if (!fs::exists(list, ec)) {
        return 0;
    }
    ListLock lock(list);
    if (!lock.locked()) {
        return 0;
    }
    std::vector<std::string> remaining;
    int deleted = 0;
    for (const auto& line : readList(list)) {
        std::error_code removeError;
        const bool existed =
            fs::symlink_status(line, removeError).type() != fs::file_type::not_found;
        if (!existed) {
            continue;
        }
        if (fs::remove(line, removeError) && !removeError) {
            ++deleted;
        } else {
            remaining.push_back(line);
        }
    }
    writeList(list, remaining);
    return deleted;
}

std::filesystem::path companionFile(const std::filesystem::path& programFolder,
                                    std::string_view name,
                                    const std::filesystem::path& installedFolder) {
    std::error_code ec;
    for (const std::filesystem::path& candidate :
         {programFolder / name, programFolder.parent_path() / installedFolder / name})
        if (std::filesystem::exists(candidate, ec))
            return candidate;
    return {};
}

} // namespace pixelon

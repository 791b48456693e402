#include "platform/Registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace pixelon {

namespace {

// Hive files larger than this are refused: reading yields an empty hive and writing fails, so a
// runaway file is never loaded whole nor silently replaced.
constexpr std::uintmax_t maxHiveBytes = 64u << 20;

constexpr const char* rootName(Hive hive) {
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = other.release();
        }
        return *this;
    }
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::filesystem::path lockPath(const std::filesystem::path& hive) {
    std::filesystem::path p = hive;
    p += ".lock";
    return p;
}

// Holds flock on the lock file beside a hive for the lifetime of the object. The lock file is
// separate from the hive because the hive itself is replaced by rename on every write.
class HiveLock {
public:
    HiveLock(const std::filesystem::path& hive, bool exclusive) {
        const std::string path = lockPath(hive).string();
        m_fd = Fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!m_fd.valid() && !exclusive)
            m_fd = Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); // a reader of a system hive
        if (!m_fd.valid())
            return;
        int rc;
        do
            rc = ::flock(m_fd.get(), exclusive ? LOCK_EX : LOCK_SH);
        while (rc != 0 && errno == EINTR);
        m_locked = rc == 0;
    }
    bool locked() const { return m_locked; }

private:
    Fd m_fd;
    bool m_locked = false;
};

enum class ReadStatus { Ok, Missing, Failed };

// Reads a whole hive file. A file that exists but cannot be read, or is too large, is Failed.
ReadStatus readFile(const std::filesystem::path& path, std::string& out) {
    out.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uintmax_t>(st.st_size) > maxHiveBytes)
        return ReadStatus::Failed;
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(fd.get(), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadStatus::Failed;
        if (n == 0)
            break; // the file shrank under us; keep what was read
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return ReadStatus::Ok;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncFolder(const std::filesystem::path& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// Writes `text` to a temporary file beside `path`, flushes it and renames it over `path`.
bool replaceFile(const std::filesystem::path& path, std::string_view text, mode_t mode) {
    std::string tmp = path.string() + ".XXXXXX";
    Fd fd(::mkstemp(tmp.data()));
    if (!fd.valid())
        return false;
    const bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), text) &&
                    ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                    ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    syncFolder(path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path());
    return true;
}

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

} // namespace

Registry::Registry(std::filesystem::path userHive, std::filesystem::path machineHive)
    : m_user(std::move(userHive)), m_machine(std::move(machineHive)) {}

Registry Registry::fromEnvironment() {
    if (const char* dir = std::getenv("PIXELON_REGISTRY_DIR"); dir && *dir) {
        const std::filesystem::path base(dir);
        return Registry(base / "user.reg", base / "machine.reg");
    }
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg; // a relative value is invalid and ignored
    else
        config = homeFolder() / ".config";
    return Registry(config / "pixelon" / "user.reg", "/var/lib/pixelon/machine.reg");
}

Registry& Registry::instance() {
    static Registry registry = fromEnvironment();
    return registry;
}

const std::filesystem::path& Registry::path(Hive hive) const {
    return hive == Hive::CurrentUser ? m_user : m_machine;
}

HiveData Registry::load(Hive hive) const {
    HiveData data;
    const HiveLock lock(path(hive), false);
    std::string text;
    if (readFile(path(hive), text) == ReadStatus::Ok)
        HiveData::fromRegText(text, rootName(hive), data);
    return data;
}

std::optional<std::uint32_t> Registry::readDword(Hive hive, std::string_view key,
                                                 std::string_view name) const {
    auto v = load(hive).value(key, name);
    if (v && std::holds_alternative<std::uint32_t>(*v))
        return std::get<std::uint32_t>(*v);
    return std::nullopt;
}

std::optional<std::string> Registry::readString(Hive hive, std::string_view key,
                                                std::string_view name) const {
    auto v = load(hive).value(key, name);
    if (v && std::holds_alternative<std::string>(*v))
        return std::get<std::string>(std::move(*v));
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> Registry::readBinary(Hive hive, std::string_view key,
                                                              std::string_view name) const {
    auto v = load(hive).value(key, name);
    if (v && std::holds_alternative<std::vector<std::uint8_t>>(*v))
        return std::get<std::vector<std::uint8_t>>(std::move(*v));
    return std::nullopt;
}

bool Registry::keyExists(Hive hive, std::string_view key) const {
    return load(hive).hasKey(key);
}

bool Registry::writeDword(Hive hive, std::string_view key, std::string_view name,
                          std::uint32_t value) {
    return update(hive, [&](HiveData& d) { d.setValue(key, name, value); });
}

bool Registry::writeString(Hive hive, std::string_view key, std::string_view name,
                           std::string_view value) {
    return update(hive, [&](HiveData& d) { d.setValue(key, name, std::string(value)); });
}

bool Registry::writeBinary(Hive hive, std::string_view key, std::string_view name,
                           std::vector<std::uint8_t> value) {
    return update(hive, [&](HiveData& d) { d.setValue(key, name, std::move(value)); });
}

bool Registry::createKey(Hive hive, std::string_view key) {
    return update(hive, [&](HiveData& d) { d.createKey(key); });
}

bool Registry::deleteValue(Hive hive, std::string_view key, std::string_view name) {
    bool found = false;
    const bool written = update(hive, [&](HiveData& d) { found = d.deleteValue(key, name); });
    return written && found;
}

bool Registry::deleteKey(Hive hive, std::string_view key) {
    bool found = false;
    const bool written = update(hive, [&](HiveData& d) { found = d.deleteKey(key); });
    return written && found;
}

bool Registry::update(Hive hive, const std::function<void(HiveData&)>& change) {
    const std::filesystem::path& hivePath = path(hive);
    std::error_code ec;
    if (hivePath.has_parent_path())
        std::filesystem::create_directories(hivePath.parent_path(), ec);
    const HiveLock lock(hivePath, true);
    if (!lock.locked())
        return false;

    // A hive that is a symbolic link (into a folder of dotfiles, say) stays one: the file it
    // points to is replaced.
    std::filesystem::path file = hivePath;
    for (int depth = 0; depth < 8 && std::filesystem::is_symlink(file, ec); ++depth) {
        const auto target = std::filesystem::read_symlink(file, ec);
        if (ec)
            break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }

    std::string old;
    const ReadStatus status = readFile(file, old);
    if (status == ReadStatus::Failed)
        return false; // never replace a hive we could not read
    HiveData data;
    mode_t mode = 0644;
    if (status == ReadStatus::Ok) {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0)
            mode = st.st_mode & 07777;
        if (!HiveData::fromRegText(old, rootName(hive), data) &&
            old.find_first_not_of(" \t\r\n") != std::string::npos) {
            // Keep an unrecognisable file aside instead of overwriting it unseen.
            std::filesystem::path bad = file;
            bad += ".bad";
            if (::rename(file.c_str(), bad.c_str()) != 0)
                return false;
        }
    }

    change(data);
    const std::string text = data.toRegText(rootName(hive));
    if (status == ReadStatus::Ok && text == old)
        return true; // nothing changed: spare the disk a rewrite
    return replaceFile(file, text, mode);
}

} // namespace pixelon

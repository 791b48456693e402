#include "phone/obex/ObexReceiver.h"
#include "core/WriteFully.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "phone/CommsLog.h"

namespace pixelon::obex {

void ObexReceiver::resetObject() {
    m_inPut = false;
    m_name.clear();
    m_body.clear();
    m_tooBig = false;
}

Bytes ObexReceiver::receive(std::span<const std::uint8_t> bytes) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    Bytes out;
    for (;;) {
        auto length = AnnouncedLength(m_pending);
        if (!length)
            break;
        if (*length < 3) {
            // No packet can be that short: drop what came and refuse it.
            m_pending.clear();
            Bytes reply = Response(RspBadRequest);
            out.insert(out.end(), reply.begin(), reply.end());
            break;
        }
        if (m_pending.size() < *length)
            break;
        Bytes packet(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(*length));
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(*length));
        Bytes reply = handle(packet);
        out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
}

Bytes ObexReceiver::handle(const Bytes& bytes) {
    const std::uint8_t op = bytes[0];
    if (op == OpConnect) {
        auto p = ParsePacket(bytes, true);
        if (!p)
            return Response(RspBadRequest);
        m_connected = true;
        m_disconnected = false;
        resetObject();
        return ConnectResponse(RspSuccess, OwnMaxPacket);
    }
    if (op == OpDisconnect) {
        m_connected = false;
        m_disconnected = true;
        resetObject();
        return Response(RspSuccess);
    }
    if (op == OpAbort) {
        resetObject();
        return Response(RspSuccess);
    }
    if ((op & 0x7F) != OpPut)
        return Response(RspNotImplemented);
    auto p = ParsePacket(bytes, false);
    if (!p) {
        resetObject();
        return Response(RspBadRequest);
    }
    m_inPut = true;
    for (const Header& h : p->headers) {
        if (h.id == HdrName) {
            m_name = HeaderText(h.value);
        } else if (h.id == HdrBody || h.id == HdrEndOfBody) {
            if (m_body.size() + h.value.size() > MaxObjectSize)
                m_tooBig = true;
            else
                m_body.insert(m_body.end(), h.value.begin(), h.value.end());
        }
    }
    if (!(op & FinalBit))
        return Response(m_tooBig ? std::uint8_t(0xCD) : RspContinue);
    if (m_tooBig) {
        resetObject();
        return Response(0xCD); // Request Entity Too Large
    }
    const std::uint8_t code = m_onObject ? m_onObject(m_name, m_body) : RspSuccess;
    if (code == RspSuccess)
        ++m_objects;
    resetObject();
    return Response(code);
}

std::string SafeObjectName(std::string_view name) {
    auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name = name.substr(slash + 1);
    if (name.empty())
        return "object";
    if (name == "." || name == "..")
        return name.size() == 1 ? "\\x2E" : "\\x2E\\x2E";
    // The backslash that starts an escape cannot come from the sender: it separates components.
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            out += formatText("\\x%02X", u);
        else
            out.push_back(c);
    }
    return out;
}

namespace {

std::uint8_t codeForErrno(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return RspDatabaseFull;
    case ENAMETOOLONG:
        return RspBadRequest;
    case EISDIR:
    case ENOTEMPTY:
    case EEXIST:
        return RspConflict;
    case EACCES:
    case EPERM:
    case EROFS:
        return RspForbidden;
    default:
        return RspInternalError;
    }
}

// A descriptor closed at the end of its scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

StoreResult StoreObject(const std::filesystem::path& folder, const std::string& name,
                        const Bytes& body) {
    StoreResult result;
    result.storedName = SafeObjectName(name);
    auto failed = [&](int error) {
        result.code = codeForErrno(error);
        result.error = std::strerror(error);
        return result;
    };
    Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0)
        return failed(errno);
    // The object is written under a fresh private name (O_EXCL: never an existing file or
    // link) and then renamed over its own name, which replaces a link instead of following it.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    Fd out;
    for (int attempt = 0; out.fd < 0; ++attempt) {
        temporary = formatText(".obex-%ld-%u.part", long(::getpid()), counter++);
        out.fd = ::openat(dir.fd, temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (out.fd < 0 && (errno != EEXIST || attempt > 100))
            return failed(errno);
    }
    if (!WriteFully(out.fd, body.data(), body.size()) || ::fsync(out.fd) != 0 ||
        ::renameat(dir.fd, temporary.c_str(), dir.fd, result.storedName.c_str()) != 0) {
        int error = errno;
        ::unlinkat(dir.fd, temporary.c_str(), 0);
        return failed(error);
    }
    ::fsync(dir.fd);
    return result;
}

} // namespace pixelon::obex

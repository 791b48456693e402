#include "phone/obex/ObexReceiver.h"

#include <unistd.h>

#include "core/AtomicFile.h"
#include "core/EString.h"

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
    ++m_objects;
    if (m_onObject)
        m_onObject(m_name, m_body);
    resetObject();
    return Response(RspSuccess);
}

std::string SafeObjectName(std::string_view name) {
    auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name = name.substr(slash + 1);
    std::string out;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            out.push_back(c);
    if (out.empty() || out == "." || out == "..")
        return "object";
    return out;
}

bool StoreObject(const std::filesystem::path& folder, const std::string& name, const Bytes& body) {
    try {
        AtomicFile out(folder / SafeObjectName(name));
        std::size_t done = 0;
        while (done < body.size()) {
            ssize_t n = ::write(out.fd(), body.data() + done, body.size() - done);
            if (n <= 0)
                return false;
            done += std::size_t(n);
        }
        out.commit();
        return true;
    } catch (const EString&) {
        return false;
    }
}

} // namespace pixelon::obex

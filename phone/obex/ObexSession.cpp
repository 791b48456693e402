#include "phone/obex/ObexSession.h"

#include <algorithm>
#include <chrono>

#include "phone/CommsLog.h"
#include "phone/obex/Deadline.h"

namespace pixelon::obex {

void ObexClientSession::fail(std::string_view text) {
    if (m_log)
        m_log(text);
}

bool ObexClientSession::sendPacket(const Bytes& request) {
    std::string error;
    if (!m_stream.writeAll(request, m_timeoutMs, error)) {
        m_broken = true;
        fail("OBEX: " + error);
        return false;
    }
    return true;
}

std::optional<Packet> ObexClientSession::receive(bool connectReply) {
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(m_timeoutMs);
    Bytes bytes(3);
    std::size_t have = 0, want = 3;
    while (have < want) {
        std::string error;
        long n = m_stream.readSome(std::span(bytes).subspan(have, want - have),
                                   remainingMs(deadline), error);
        if (n < 0) {
            m_broken = true;
            fail("OBEX: " + error);
            return std::nullopt;
        }
        if (n == 0 && remainingMs(deadline) == 0) {
            m_broken = true;
            fail(formatText("OBEX: no answer from the receiver within %d seconds",
                            (m_timeoutMs + 999) / 1000));
            return std::nullopt;
        }
        have += std::size_t(n);
        if (have == 3 && want == 3) {
            std::size_t length = *AnnouncedLength(bytes);
            // A refusal of CONNECT may come bare, without the CONNECT fields.
            if (connectReply && length == 3 && !IsSuccessCode(bytes[0]))
                connectReply = false;
            if (length < (connectReply ? 7u : 3u)) {
                m_broken = true;
                fail(formatText("OBEX: malformed response (length %zu)", length));
                return std::nullopt;
            }
            want = length;
            bytes.resize(want);
        }
    }
    std::string error;
    auto packet = ParsePacket(bytes, connectReply, &error);
    if (!packet) {
        m_broken = true;
        fail("OBEX: malformed response: " + error);
    }
    return packet;
}

std::optional<Packet> ObexClientSession::exchange(const Bytes& request, bool connectReply) {
    if (m_broken) {
        fail("OBEX: the connection to the receiver is lost");
        return std::nullopt;
    }
    if (!sendPacket(request))
        return std::nullopt;
    auto reply = receive(connectReply);
    if (reply)
        m_lastCode = reply->code;
    return reply;
}

bool ObexClientSession::checkCode(std::string_view what, const Packet& reply) {
    if (IsSuccessCode(reply.code))
        return true;
    fail(formatText("OBEX %.*s refused: response 0x%02X (%.*s)", int(what.size()), what.data(),
                    reply.code, int(ResponseName(reply.code).size()),
                    ResponseName(reply.code).data()));
    return false;
}

Bytes ObexClientSession::withConnectionId(std::span<const std::uint8_t> headers) const {
    const std::size_t prefix = m_connectionId ? 5 : 0;
    Bytes out(prefix + headers.size());
    if (m_connectionId) {
        std::uint32_t id = *m_connectionId;
        out[0] = HdrConnectionId;
        for (int i = 0; i < 4; ++i)
            out[std::size_t(1 + i)] = std::uint8_t(id >> (24 - 8 * i));
    }
    std::copy(headers.begin(), headers.end(), out.begin() + std::ptrdiff_t(prefix));
    return out;
}

bool ObexClientSession::connect() {
    std::string error;
    if (!m_stream.beginObex(error)) {
        fail("OBEX: " + error);
        return false;
    }
    auto reply = exchange(ConnectRequest(m_ownMax), true);
    if (!reply || !checkCode("CONNECT", *reply))
        return false;
    if (reply->code != RspSuccess) {
        fail(formatText("OBEX CONNECT refused: response 0x%02X (%s)", reply->code, "Continue"));
        return false;
    }
    m_peerMax = std::max<std::size_t>(reply->maxPacketLength, MinPacketLength);
    if (const Header* id = reply->find(HdrConnectionId))
        m_connectionId = id->number();
    m_connected = true;
    return true;
}

bool ObexClientSession::checkPut(const std::optional<Packet>& reply, bool final) {
    if (!reply || !checkCode("PUT", *reply))
        return false;
    // Success ends the object: before the last packet, the rest would never become part of it.
    if (!final && reply->code == RspSuccess) {
        fail("OBEX: the receiver ended the transfer early (it answered Success before the last "
             "packet)");
        return false;
    }
    // The answer to the last packet says whether the object arrived; Continue does not.
    if (final && reply->code != RspSuccess) {
        fail(formatText("OBEX: the receiver did not confirm the object (response 0x%02X (%s) "
                        "to the last packet)",
                        reply->code, std::string(ResponseName(reply->code)).c_str()));
        return false;
    }
    return true;
}

bool ObexClientSession::put(std::span<const std::uint8_t> headers, bool final) {
    Bytes all = withConnectionId(headers);
    if (3 + all.size() <= m_peerMax)
        return checkPut(exchange(PutRequest(all, final), false), final);
    // Too big for one packet: only a lone body header may be split, into Body pieces that
    // each take a packet of their own, the last keeping the original header and final flag.
    auto parsed = ParseHeaders(headers);
    if (!parsed || parsed->size() != 1 ||
        ((*parsed)[0].id != HdrBody && (*parsed)[0].id != HdrEndOfBody)) {
        fail(formatText("OBEX: a header of %zu bytes does not fit the receiver's packets of %zu "
                        "bytes",
                        headers.size(), m_peerMax));
        return false;
    }
    const Header& body = (*parsed)[0];
    std::size_t room = m_peerMax - 3 - withConnectionId({}).size() - 3;
    std::span<const std::uint8_t> data(body.value);
    while (data.size() > room) {
        Bytes piece = withConnectionId(BodyHeader(data.first(room), false));
        if (!checkPut(exchange(PutRequest(piece, false), false), false))
            return false;
        data = data.subspan(room);
    }
    Bytes last = withConnectionId(BodyHeader(data, body.id == HdrEndOfBody));
    return checkPut(exchange(PutRequest(last, final), false), final);
}

bool ObexClientSession::disconnect() {
    if (!m_connected) {
        m_stream.endObex();
        return false;
    }
    m_connected = false;
    auto reply = exchange(DisconnectRequest(withConnectionId({})), false);
    bool ok = reply && checkCode("DISCONNECT", *reply);
    if (!m_broken)
        m_stream.endObex();
    return ok;
}

} // namespace pixelon::obex

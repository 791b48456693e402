#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "phone/obex/ObexPacket.h"
#include "phone/obex/ObexTransport.h"

namespace pixelon::obex {

// The client side of one OBEX session over a stream: CONNECT, PUTs, DISCONNECT. Every wait for
// the receiver is bounded by the time-out; a failure is reported through `log` with the
// response code, and the calls answer false.
class ObexClientSession {
public:
    using Log = std::function<void(std::string_view)>;

    ObexClientSession(ObexStream& stream, Log log, int timeoutMs = 10000,
                      std::uint16_t ownMaxPacket = 0x2000)
        : m_stream(stream), m_log(std::move(log)), m_timeoutMs(timeoutMs), m_ownMax(ownMaxPacket) {}

    bool connect();
    // Sends one PUT carrying `headers`; a body header that does not fit the receiver's packet
    // size is split over several packets. A packet that is not the last must be answered
    // Continue (Success there means the receiver ended the object early), the last one
    // Success; any other answer fails the PUT.
    bool put(std::span<const std::uint8_t> headers, bool final);
    bool disconnect();

    bool connected() const { return m_connected; }
    // The code of the last response (0 when none arrived).
    std::uint8_t lastCode() const { return m_lastCode; }
    std::size_t peerMaxPacket() const { return m_peerMax; }

private:
    std::optional<Packet> exchange(const Bytes& request, bool connectReply);
    bool sendPacket(const Bytes& request);
    std::optional<Packet> receive(bool connectReply);
    bool checkCode(std::string_view what, const Packet& reply);
    bool checkPut(const std::optional<Packet>& reply, bool final);
    Bytes withConnectionId(std::span<const std::uint8_t> headers) const;
    void fail(std::string_view text);

    ObexStream& m_stream;
    Log m_log;
    int m_timeoutMs;
    std::uint16_t m_ownMax;
    std::size_t m_peerMax = MinPacketLength;
    std::optional<std::uint32_t> m_connectionId;
    bool m_connected = false;
    bool m_broken = false;
    std::uint8_t m_lastCode = 0;
};

} // namespace pixelon::obex

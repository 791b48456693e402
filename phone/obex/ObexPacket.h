#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon::obex {

using Bytes = std::vector<std::uint8_t>;

// Request opcodes; the high bit is the final bit.
constexpr std::uint8_t OpConnect = 0x80;
constexpr std::uint8_t OpDisconnect = 0x81;
constexpr std::uint8_t OpPut = 0x02;
constexpr std::uint8_t OpGet = 0x03;
constexpr std::uint8_t OpAbort = 0xFF;
constexpr std::uint8_t FinalBit = 0x80;

// Response codes, final bit included.
constexpr std::uint8_t RspContinue = 0x90;
constexpr std::uint8_t RspSuccess = 0xA0;
constexpr std::uint8_t RspBadRequest = 0xC0;
constexpr std::uint8_t RspForbidden = 0xC3;
constexpr std::uint8_t RspConflict = 0xC9;
constexpr std::uint8_t RspDatabaseFull = 0xE0;
constexpr std::uint8_t RspNotImplemented = 0xD1;
constexpr std::uint8_t RspInternalError = 0xD0;

// Header identifiers the program and the receiver use.
constexpr std::uint8_t HdrName = 0x01;
constexpr std::uint8_t HdrLength = 0xC3;
constexpr std::uint8_t HdrBody = 0x48;
constexpr std::uint8_t HdrEndOfBody = 0x49;
constexpr std::uint8_t HdrConnectionId = 0xCB;

constexpr std::uint8_t ObexVersion = 0x10; // 1.0
// The smallest packet every OBEX peer must accept, and the largest a length field can say.
constexpr std::size_t MinPacketLength = 255;
constexpr std::size_t MaxPacketLength = 0xFFFF;

// One header of a packet. Text headers keep their UTF-16 big-endian bytes (terminator
// included); 1- and 4-byte headers keep their value big-endian.
struct Header {
    std::uint8_t id = 0;
    Bytes value;
    std::uint32_t number() const; // the value of a 1- or 4-byte header
};

// A parsed response (or request, for the receiver).
struct Packet {
    std::uint8_t code = 0;
    // Only for CONNECT and its response.
    std::uint8_t version = 0;
    std::uint8_t flags = 0;
    std::uint16_t maxPacketLength = 0;
    std::vector<Header> headers;

    const Header* find(std::uint8_t id) const;
};

// The header blocks the program builds itself.
Bytes NameHeader(std::u16string_view name);
Bytes BodyHeader(std::span<const std::uint8_t> data, bool endOfBody);
// A text header's bytes as a string: UTF-16 big-endian without the terminator, to UTF-8.
std::string HeaderText(const Bytes& utf16be);
std::u16string Utf16FromUtf8(std::string_view text);

// The packets the client sends.
Bytes ConnectRequest(std::uint16_t maxPacketLength);
Bytes DisconnectRequest(std::span<const std::uint8_t> headers = {});
Bytes PutRequest(std::span<const std::uint8_t> headers, bool final);
// Any response with headers.
Bytes Response(std::uint8_t code, std::span<const std::uint8_t> headers = {});
Bytes ConnectResponse(std::uint8_t code, std::uint16_t maxPacketLength);

// The length a packet announces in its first three bytes, when they are there.
std::optional<std::size_t> AnnouncedLength(std::span<const std::uint8_t> start);

// Parses one whole packet. `hasConnectFields` for CONNECT and the response to it. Empty when
// the packet is malformed; `error` then says why.
std::optional<Packet> ParsePacket(std::span<const std::uint8_t> bytes, bool hasConnectFields,
                                  std::string* error = nullptr);
// Splits a block of headers; empty when a header runs past the end.
std::optional<std::vector<Header>> ParseHeaders(std::span<const std::uint8_t> bytes,
                                                std::string* error = nullptr);

// The response code's name for log lines ("Success", "Forbidden", ...).
std::string_view ResponseName(std::uint8_t code);
bool IsSuccessCode(std::uint8_t code); // Continue or Success

// Byte strings travel to the gateway as 16-bit characters 0xFF00 + byte.
std::u16string ToGatewayString(std::span<const std::uint8_t> bytes);
// Back to bytes; empty when a character is outside 0xFF00..0xFFFF.
std::optional<Bytes> FromGatewayString(std::u16string_view text);

} // namespace pixelon::obex

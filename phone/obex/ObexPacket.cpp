#include "phone/obex/ObexPacket.h"

#include <algorithm>

namespace pixelon::obex {

namespace {

void put16(Bytes& out, std::size_t value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

std::uint16_t get16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint16_t((b[at] << 8) | b[at + 1]);
}

Bytes packet(std::uint8_t code, std::span<const std::uint8_t> fields,
             std::span<const std::uint8_t> headers) {
    Bytes out;
    out.reserve(3 + fields.size() + headers.size());
    out.push_back(code);
    put16(out, 3 + fields.size() + headers.size());
    out.insert(out.end(), fields.begin(), fields.end());
    out.insert(out.end(), headers.begin(), headers.end());
    return out;
}

// CONNECT and its response carry the same fields: version, flags and the largest packet.
Bytes connectPacket(std::uint8_t code, std::uint16_t maxPacketLength) {
    const std::uint8_t fields[] = {ObexVersion, 0x00, std::uint8_t(maxPacketLength >> 8),
                                   std::uint8_t(maxPacketLength)};
    return packet(code, fields, {});
}

void setError(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
}

} // namespace

std::uint32_t Header::number() const {
    std::uint32_t v = 0;
    for (std::uint8_t b : value)
        v = (v << 8) | b;
    return v;
}

const Header* Packet::find(std::uint8_t id) const {
    auto it =
        std::find_if(headers.begin(), headers.end(), [&](const Header& h) { return h.id == id; });
    return it == headers.end() ? nullptr : &*it;
}

Bytes NameHeader(std::u16string_view name) {
    Bytes out{HdrName};
    put16(out, 3 + 2 * name.size() + 2);
    for (char16_t c : name)
        put16(out, c);
    put16(out, 0);
    return out;
}

Bytes BodyHeader(std::span<const std::uint8_t> data, bool endOfBody) {
    Bytes out{endOfBody ? HdrEndOfBody : HdrBody};
    put16(out, 3 + data.size());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::string HeaderText(const Bytes& utf16be) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < utf16be.size(); i += 2)
        units.push_back(char16_t((utf16be[i] << 8) | utf16be[i + 1]));
    while (!units.empty() && units.back() == 0)
        units.pop_back();
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        std::uint32_t c = 0xFFFD;
        std::size_t n = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            n = 2;
        } else if ((b & 0xF0) == 0xE0) {
            n = 3;
        } else if ((b & 0xF8) == 0xF0) {
            n = 4;
        }
        if (n > 1) {
            if (i + n > text.size()) {
                n = text.size() - i;
            } else {
                c = b & (0x7F >> n);
                for (std::size_t k = 1; k < n; ++k)
                    c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
        }
        i += n;
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(c > 0x10FFFF ? u'\uFFFD' : char16_t(c));
        }
    }
    return out;
}

Bytes ConnectRequest(std::uint16_t maxPacketLength) {
    return connectPacket(OpConnect, maxPacketLength);
}

Bytes DisconnectRequest(std::span<const std::uint8_t> headers) {
    return packet(OpDisconnect, {}, headers);
}

Bytes PutRequest(std::span<const std::uint8_t> headers, bool final) {
    return packet(final ? std::uint8_t(OpPut | FinalBit) : OpPut, {}, headers);
}

Bytes Response(std::uint8_t code, std::span<const std::uint8_t> headers) {
    return packet(code, {}, headers);
}

Bytes ConnectResponse(std::uint8_t code, std::uint16_t maxPacketLength) {
    return connectPacket(code, maxPacketLength);
}

std::optional<std::size_t> AnnouncedLength(std::span<const std::uint8_t> start) {
    if (start.size() < 3)
        return std::nullopt;
    return get16(start, 1);
}

std::optional<std::vector<Header>> ParseHeaders(std::span<const std::uint8_t> bytes,
                                                std::string* error) {
    std::vector<Header> headers;
    std::size_t at = 0;
    while (at < bytes.size()) {
        Header h;
        h.id = bytes[at];
        std::size_t start = 0, length = 0;
        switch (h.id & 0xC0) {
        case 0x00: // text, length-prefixed
        case 0x40: // byte sequence, length-prefixed
            if (bytes.size() - at < 3) {
                setError(error, "a header's length is cut off");
                return std::nullopt;
            }
            length = get16(bytes, at + 1);
            if (length < 3 || length > bytes.size() - at) {
                setError(error, "a header's length does not fit the packet");
                return std::nullopt;
            }
            start = at + 3;
            break;
        case 0x80: // one byte
            length = 2;
            start = at + 1;
            break;
        default: // four bytes
            length = 5;
            start = at + 1;
            break;
        }
        if (length > bytes.size() - at) {
            setError(error, "a header runs past the end of the packet");
            return std::nullopt;
        }
        h.value.assign(bytes.begin() + std::ptrdiff_t(start),
                       bytes.begin() + std::ptrdiff_t(at + length));
        headers.push_back(std::move(h));
        at += length;
    }
    return headers;
}

std::optional<Packet> ParsePacket(std::span<const std::uint8_t> bytes, bool hasConnectFields,
                                  std::string* error) {
    auto length = AnnouncedLength(bytes);
    if (!length) {
        setError(error, "the packet is shorter than three bytes");
        return std::nullopt;
    }
    if (*length != bytes.size()) {
        setError(error, "the packet length " + std::to_string(*length) + " does not match the " +
                            std::to_string(bytes.size()) + " bytes received");
        return std::nullopt;
    }
    Packet p;
    p.code = bytes[0];
    std::size_t at = 3;
    if (hasConnectFields) {
        if (bytes.size() < 7) {
            setError(error, "the connect packet is shorter than seven bytes");
            return std::nullopt;
        }
        p.version = bytes[3];
        p.flags = bytes[4];
        p.maxPacketLength = get16(bytes, 5);
        at = 7;
    }
    auto headers = ParseHeaders(bytes.subspan(at), error);
    if (!headers)
        return std::nullopt;
    p.headers = std::move(*headers);
    return p;
}

std::string_view ResponseName(std::uint8_t code) {
    switch (code & 0x7F) {
    case 0x10:
        return "Continue";
    case 0x20:
        return "Success";
    case 0x21:
        return "Created";
    case 0x22:
        return "Accepted";
    case 0x40:
        return "Bad Request";
    case 0x41:
        return "Unauthorized";
    case 0x43:
        return "Forbidden";
    case 0x44:
        return "Not Found";
    case 0x45:
        return "Method Not Allowed";
    case 0x46:
        return "Not Acceptable";
    case 0x48:
        return "Request Timed Out";
    case 0x49:
        return "Conflict";
    case 0x4B:
        return "Length Required";
    case 0x4D:
        return "Request Entity Too Large";
    case 0x4F:
        return "Unsupported Media Type";
    case 0x50:
        return "Internal Server Error";
    case 0x51:
        return "Not Implemented";
    case 0x53:
        return "Service Unavailable";
    case 0x60:
        return "Database Full";
    case 0x61:
        return "Database Locked";
    default:
        return "unknown response";
    }
}

bool IsSuccessCode(std::uint8_t code) {
    return code == RspContinue || code == RspSuccess;
}

std::u16string ToGatewayString(std::span<const std::uint8_t> bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::uint8_t b : bytes)
        out.push_back(char16_t(0xFF00 + b));
    return out;
}

std::optional<Bytes> FromGatewayString(std::u16string_view text) {
    Bytes out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0xFF00)
            return std::nullopt;
        out.push_back(std::uint8_t(c - 0xFF00));
    }
    return out;
}

} // namespace pixelon::obex

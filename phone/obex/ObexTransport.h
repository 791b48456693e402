#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pixelon {
class CCommsLog;
}

namespace pixelon::obex {

// A byte stream to an OBEX peer. Every call is bounded by its time-out.
class ObexStream {
public:
    virtual ~ObexStream() = default;
    // Writes every byte within `timeoutMs`; false with a reason otherwise.
    virtual bool writeAll(std::span<const std::uint8_t> data, int timeoutMs,
                          std::string& error) = 0;
    // What arrives within `timeoutMs`: the count read, 0 on a time-out, -1 when the line
    // closed or failed (`error` says which).
    virtual long readSome(std::span<std::uint8_t> buffer, int timeoutMs, std::string& error) = 0;
    // False once the peer is known to have closed the line; never waits.
    virtual bool alive() { return true; }
    // Puts the line into OBEX mode before the session (the serial cable's AT switch) and back
    // afterwards. Lines that carry only OBEX do nothing.
    virtual bool beginObex(std::string& /*error*/) { return true; }
    virtual void endObex() {}
};

// A stream over a connected socket or terminal descriptor, which it owns.
class FdStream : public ObexStream {
public:
    explicit FdStream(int fd) : m_fd(fd) {}
    ~FdStream() override;
    FdStream(const FdStream&) = delete;
    FdStream& operator=(const FdStream&) = delete;

    bool writeAll(std::span<const std::uint8_t> data, int timeoutMs, std::string& error) override;
    long readSome(std::span<std::uint8_t> buffer, int timeoutMs, std::string& error) override;
    bool alive() override;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

constexpr int DefaultTcpPort = 650;
constexpr int DefaultRfcommChannel = 1;
constexpr std::uint32_t DefaultSerialBaud = 115200;

// Where a phone is reached: "tcp:HOST[:PORT]", "serial:DEVICE", "serial-direct:DEVICE" (a
// line that already speaks OBEX) or "bt:ADDRESS[:CHANNEL]".
struct ObexAddress {
    enum class Kind { Tcp, Serial, SerialDirect, Bluetooth };
    Kind kind = Kind::Tcp;
    std::string host; // TCP: a name or an IPv4/IPv6 literal (without brackets)
    int port = DefaultTcpPort;
    std::string device; // serial
    std::uint32_t baud = DefaultSerialBaud;
    std::array<std::uint8_t, 6> bdaddr{}; // Bluetooth, most significant octet first
    int channel = DefaultRfcommChannel;

    std::string text() const;          // back to the "kind:..." form
    std::string_view kindName() const; // "TCP", "Serial cable", "Bluetooth"
};

// Parses an address; empty with a reason when it is malformed.
std::optional<ObexAddress> ParseObexAddress(std::string_view text, std::string& error);

struct TransportOptions {
    int timeoutMs = 10000;
    CCommsLog* commsLog = nullptr; // the serial cable's AT exchange is logged here
};

// Opens the transport to an address; empty with a reason when it does not open.
std::unique_ptr<ObexStream> OpenTransport(const ObexAddress& address,
                                          const TransportOptions& options, std::string& error);

inline constexpr std::string_view BluetoothMissingText =
    "Bluetooth is not available on this machine";

} // namespace pixelon::obex

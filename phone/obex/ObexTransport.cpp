#include "phone/obex/ObexTransport.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>

#include "phone/CommsLog.h"
#include "phone/SerialChannel.h"
#include "phone/obex/Deadline.h"
#include "platform/Clock.h"
#include "platform/SerialDevice.h"

namespace pixelon::obex {

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

std::optional<int> parseDecimal(std::string_view text, int low, int high) {
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        return std::nullopt;
    return v;
}

bool parseBdaddr(std::string_view text, std::array<std::uint8_t, 6>& out) {
    if (text.size() != 17)
        return false;
    for (int i = 0; i < 6; ++i) {
        std::string_view pair = text.substr(std::size_t(i) * 3, 2);
        if (i < 5 && text[std::size_t(i) * 3 + 2] != ':')
            return false;
        unsigned v = 0;
        auto [end, ec] = std::from_chars(pair.data(), pair.data() + 2, v, 16);
        if (ec != std::errc() || end != pair.data() + 2)
            return false;
        out[std::size_t(i)] = std::uint8_t(v);
    }
    return true;
}

void setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Connects a non-blocking socket within the time-out; 0 or errno.
int connectWithin(int fd, const sockaddr* address, socklen_t length, int timeoutMs) {
    setNonBlocking(fd);
    if (::connect(fd, address, length) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return errno;
    pollfd p{fd, POLLOUT, 0};
    int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0)
        return ETIMEDOUT;
    if (ready < 0)
        return errno;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return errno;
    return error;
}

std::unique_ptr<ObexStream> openTcp(const ObexAddress& a, const TransportOptions& options,
                                    std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(a.port);
    int rc = ::getaddrinfo(a.host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = "Cannot find the host " + a.host + ": " + ::gai_strerror(rc);
        return nullptr;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, ::freeaddrinfo);
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(options.timeoutMs);
    int lastError = ECONNREFUSED;
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        lastError = connectWithin(fd, ai->ai_addr, ai->ai_addrlen, remainingMs(deadline));
        if (lastError == 0) {
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return std::make_unique<FdStream>(fd);
        }
        ::close(fd);
    }
    error = "Cannot connect to " + a.text() + ": " + systemError(lastError);
    return nullptr;
}

// The kernel's RFCOMM socket address; the Bluetooth address is stored least significant
// octet first.
constexpr int AddressFamilyBluetooth = 31;
constexpr int ProtocolRfcomm = 3;
struct RfcommAddress {
    sa_family_t family;
    std::uint8_t bdaddr[6];
    std::uint8_t channel;
};

std::unique_ptr<ObexStream> openBluetooth(const ObexAddress& a, const TransportOptions& options,
                                          std::string& error) {
    int fd = ::socket(AddressFamilyBluetooth, SOCK_STREAM | SOCK_CLOEXEC, ProtocolRfcomm);
    if (fd < 0) {
        if (errno == EAFNOSUPPORT || errno == EPROTONOSUPPORT || errno == ESOCKTNOSUPPORT ||
            errno == EPERM || errno == EACCES)
            error = std::string(BluetoothMissingText);
        else
            error = "Cannot open a Bluetooth socket: " + systemError(errno);
        return nullptr;
    }
    RfcommAddress address{};
    address.family = AddressFamilyBluetooth;
    for (int i = 0; i < 6; ++i)
        address.bdaddr[i] = a.bdaddr[std::size_t(5 - i)];
    address.channel = std::uint8_t(a.channel);
    int rc = connectWithin(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address,
                           options.timeoutMs);
    if (rc != 0) {
        ::close(fd);
        error = "Cannot connect to " + a.text() + ": " + systemError(rc);
        return nullptr;
    }
    return std::make_unique<FdStream>(fd);
}

// The serial cable: the port opened as the AT link opens it; the phone is switched to OBEX
// with AT*EOBEX (or AT+CPROT=0 when that is refused) before the session and asked for "OK"
// afterwards, which proves it is back in AT mode.
class SerialStream : public ObexStream {
public:
    SerialStream(const ObexAddress& a, CCommsLog& log)
        : m_path(a.device), m_switch(a.kind == ObexAddress::Kind::Serial),
          m_channel(m_device, systemClock(), log, [this](int) { return m_path; }) {
        m_channel.m_nPort = 1;
        m_channel.m_nBaud = a.baud;
    }
    ~SerialStream() override {
        m_channel.ClosePort();
        m_device.close();
    }

    bool open(std::string& error) {
        if (!m_switch) {
            // A line that already carries OBEX must not see the AT link's probe byte.
            int rc = m_device.open(m_path, true);
            if (rc == 0)
                rc = m_device.writeState(SerialSettings{m_channel.m_nBaud, true, true});
            if (rc == 0)
                rc = m_device.writeReturnAtOnce();
            if (rc == 0)
                rc = m_device.purge();
            if (rc != 0) {
                m_device.close();
                error = "Cannot open " + m_path + ": " + systemError(rc);
                return false;
            }
            return true;
        }
        try {
            m_channel.OpenPort();
            return true;
        } catch (const CommsException& e) {
            error = "Cannot open " + m_path + ": " + e.FormatError();
            return false;
        }
    }

    bool beginObex(std::string& error) override {
        if (!m_switch)
            return true;
        try {
            for (const char* command : {"AT*EOBEX\r", "AT+CPROT=0\r"}) {
                m_channel.PurgePort();
                m_channel.SendCommand(0, "%s", command);
                Reply reply = m_channel.WaitForReply("Looking for CONNECT", "CONNECT", 1024, 10);
                if (reply.text.find("CONNECT") != std::string::npos) {
                    m_inObex = true;
                    return true;
                }
            }
            error = "The phone did not switch to OBEX (no CONNECT to AT*EOBEX or AT+CPROT=0)";
        } catch (const CommsException& e) {
            error = e.FormatError();
        }
        return false;
    }

    void endObex() override {
        if (!m_inObex)
            return;
        m_inObex = false;
        try {
            m_channel.SendCommand(0, "AT\r");
            Reply reply = m_channel.WaitForReply("Back in AT mode", "OK", 1024, 5);
            if (reply.text.find("OK") == std::string::npos)
                m_channel.log("The phone did not answer AT after OBEX\r\n");
        } catch (const CommsException& e) {
            m_channel.log(e.FormatError() + "\r\n");
        }
    }

    bool writeAll(std::span<const std::uint8_t> data, int timeoutMs, std::string& error) override {
        auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        while (!data.empty()) {
            SerialIo io = m_device.write(data);
            data = data.subspan(std::min(io.count, data.size()));
            if (io.error != 0 && io.error != EAGAIN) {
                error = "Writing to " + m_path + " failed: " + systemError(io.error);
                return false;
            }
            if (data.empty())
                break;
            if (remainingMs(deadline) == 0) {
                error = "Writing to " + m_path + " timed out";
                return false;
            }
            pollfd p{m_device.handle(), POLLOUT, 0};
            ::poll(&p, 1, std::min(remainingMs(deadline), 50));
        }
        return true;
    }

    long readSome(std::span<std::uint8_t> buffer, int timeoutMs, std::string& error) override {
        auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            SerialIo io = m_device.read(buffer);
            if (io.error != 0 && io.error != EAGAIN) {
                error = "Reading from " + m_path + " failed: " + systemError(io.error);
                return -1;
            }
            if (io.count > 0)
                return long(io.count);
            int left = remainingMs(deadline);
            if (left == 0)
                return 0;
            pollfd p{m_device.handle(), POLLIN, 0};
            int ready = ::poll(&p, 1, std::min(left, 50));
            if (ready > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN)) {
                error = "The line " + m_path + " was closed";
                return -1;
            }
        }
    }

private:
    std::string m_path;
    bool m_switch;
    bool m_inObex = false;
    PosixSerialDevice m_device;
    CSerialChannel m_channel;
};

} // namespace

FdStream::~FdStream() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FdStream::writeAll(std::span<const std::uint8_t> data, int timeoutMs, std::string& error) {
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!data.empty()) {
        ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(m_fd, data.data(), data.size());
        if (n > 0) {
            data = data.subspan(std::size_t(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            error = "Sending failed: " + systemError(errno);
            return false;
        }
        int left = remainingMs(deadline);
        if (left == 0) {
            error = "Sending timed out";
            return false;
        }
        pollfd p{m_fd, POLLOUT, 0};
        ::poll(&p, 1, left);
    }
    return true;
}

long FdStream::readSome(std::span<std::uint8_t> buffer, int timeoutMs, std::string& error) {
    pollfd p{m_fd, POLLIN, 0};
    int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0)
        return 0;
    if (ready < 0) {
        error = "Waiting for the receiver failed: " + systemError(errno);
        return -1;
    }
    ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
    if (n > 0)
        return long(n);
    if (n == 0) {
        error = "The receiver closed the connection";
        return -1;
    }
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    error = "Receiving failed: " + systemError(errno);
    return -1;
}

bool FdStream::alive() {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return true;
    if (p.revents & (POLLHUP | POLLERR))
        return false;
    std::uint8_t byte;
    ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n != 0;
}

std::string ObexAddress::text() const {
    switch (kind) {
    case Kind::Tcp:
        if (host.find(':') != std::string::npos)
            return "tcp:[" + host + "]:" + std::to_string(port);
        return "tcp:" + host + ":" + std::to_string(port);
    case Kind::Serial:
        return "serial:" + device;
    case Kind::SerialDirect:
        return "serial-direct:" + device;
    case Kind::Bluetooth:
        return "bt:" +
               formatText("%02X:%02X:%02X:%02X:%02X:%02X", bdaddr[0], bdaddr[1], bdaddr[2],
                          bdaddr[3], bdaddr[4], bdaddr[5]) +
               ":" + std::to_string(channel);
    }
    return {};
}

std::string_view ObexAddress::kindName() const {
    switch (kind) {
    case Kind::Tcp:
        return "TCP";
    case Kind::Serial:
        return "Serial cable";
    case Kind::SerialDirect:
        return "Serial line";
    case Kind::Bluetooth:
        return "Bluetooth";
    }
    return {};
}

std::optional<ObexAddress> ParseObexAddress(std::string_view text, std::string& error) {
    ObexAddress a;
    auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        error = "An address is tcp:HOST[:PORT], serial:DEVICE, serial-direct:DEVICE or "
                "bt:ADDRESS[:CHANNEL], not " +
                std::string(text);
        return std::nullopt;
    }
    std::string_view scheme = text.substr(0, colon), rest = text.substr(colon + 1);
    if (scheme == "tcp") {
        a.kind = ObexAddress::Kind::Tcp;
        std::string_view portText;
        if (rest.starts_with('[')) {
            auto close = rest.find(']');
            if (close == std::string_view::npos) {
                error = "Missing ] in " + std::string(text);
                return std::nullopt;
            }
            a.host = std::string(rest.substr(1, close - 1));
            std::string_view after = rest.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':') {
                    error = "Expected :PORT after ] in " + std::string(text);
                    return std::nullopt;
                }
                portText = after.substr(1);
            }
        } else if (std::count(rest.begin(), rest.end(), ':') > 1) {
            a.host = std::string(rest); // a bare IPv6 literal
        } else {
            auto c = rest.find(':');
            a.host = std::string(rest.substr(0, c));
            if (c != std::string_view::npos)
                portText = rest.substr(c + 1);
        }
        if (a.host.empty()) {
            error = "No host in " + std::string(text);
            return std::nullopt;
        }
        // A bracket belongs around an IPv6 literal, never inside a host: such a host could not
        // be written back as an address that reads the same.
        if (a.host.find_first_of("[]") != std::string::npos) {
            error = "Misplaced [ or ] in " + std::string(text);
            return std::nullopt;
        }
        if (!portText.empty() || rest.ends_with(':')) {
            auto port = parseDecimal(portText, 1, 65535);
            if (!port) {
                error = "The port must be 1..65535 in " + std::string(text);
                return std::nullopt;
            }
            a.port = *port;
        }
        return a;
    }
    if (scheme == "serial" || scheme == "serial-direct") {
        a.kind = scheme == "serial" ? ObexAddress::Kind::Serial : ObexAddress::Kind::SerialDirect;
        a.device = std::string(rest);
        if (a.device.empty()) {
            error = "No device in " + std::string(text);
            return std::nullopt;
        }
        return a;
    }
    if (scheme == "bt") {
        a.kind = ObexAddress::Kind::Bluetooth;
        if (!parseBdaddr(rest.substr(0, 17), a.bdaddr)) {
            error = "A Bluetooth address is six hexadecimal pairs like 00:11:22:AA:BB:CC, not " +
                    std::string(rest);
            return std::nullopt;
        }
        if (rest.size() > 17) {
            auto channel = rest[17] == ':' ? parseDecimal(rest.substr(18), 1, 30) : std::nullopt;
            if (!channel) {
                error = "The RFCOMM channel must be 1..30 in " + std::string(text);
                return std::nullopt;
            }
            a.channel = *channel;
        }
        return a;
    }
    error =
        "Unknown connection kind " + std::string(scheme) + " (tcp, serial, serial-direct or bt)";
    return std::nullopt;
}

std::unique_ptr<ObexStream> OpenTransport(const ObexAddress& address,
                                          const TransportOptions& options, std::string& error) {
    switch (address.kind) {
    case ObexAddress::Kind::Tcp:
        return openTcp(address, options, error);
    case ObexAddress::Kind::Bluetooth:
        return openBluetooth(address, options, error);
    case ObexAddress::Kind::Serial:
    case ObexAddress::Kind::SerialDirect: {
        auto stream = std::make_unique<SerialStream>(address, options.commsLog ? *options.commsLog
                                                                               : commsLog());
        if (!stream->open(error))
            return nullptr;
        return stream;
    }
    }
    return nullptr;
}

} // namespace pixelon::obex

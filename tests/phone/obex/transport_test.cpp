// The system transports: TCP over IPv4 and IPv6 loopback, refused connections, Bluetooth.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "phone/obex/ObexTransport.h"

namespace pixelon::obex {
namespace {

// A listening socket on a free loopback port of the family.
struct Listener {
    int fd = -1;
    int port = 0;
    explicit Listener(int family) {
        fd = ::socket(family, SOCK_STREAM, 0);
        if (fd < 0)
            return;
        sockaddr_storage s{};
        socklen_t len = 0;
        if (family == AF_INET) {
            auto* a = reinterpret_cast<sockaddr_in*>(&s);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            len = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in6*>(&s);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            len = sizeof *a;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&s), len) != 0 || ::listen(fd, 2) != 0) {
            ::close(fd);
            fd = -1;
            return;
        }
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&s), &len);
        port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&s)->sin_port
                                       : reinterpret_cast<sockaddr_in6*>(&s)->sin6_port);
    }
    ~Listener() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::unique_ptr<ObexStream> open(const std::string& text, std::string& error) {
    auto address = ParseObexAddress(text, error);
    EXPECT_TRUE(address) << error;
    return address ? OpenTransport(*address, {2000, nullptr}, error) : nullptr;
}

TEST(ObexTransports, TcpOverLoopbackBothFamilies) {
    std::string error;
    Listener v4(AF_INET);
    ASSERT_GE(v4.fd, 0);
    auto stream = open("tcp:127.0.0.1:" + std::to_string(v4.port), error);
    ASSERT_TRUE(stream) << error;
    int peer = ::accept(v4.fd, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const std::uint8_t hello[] = {0x80, 0x00, 0x07};
    ASSERT_TRUE(stream->writeAll(hello, 1000, error)) << error;
    std::uint8_t got[3] = {};
    ASSERT_EQ(::read(peer, got, 3), 3);
    EXPECT_EQ(got[0], 0x80);
    std::uint8_t buffer[8];
    EXPECT_EQ(stream->readSome(buffer, 50, error), 0) << "nothing came: a time-out";
    EXPECT_TRUE(stream->alive());
    ::close(peer);
    EXPECT_FALSE(stream->alive());
    EXPECT_EQ(stream->readSome(buffer, 1000, error), -1);
    EXPECT_EQ(error, "The receiver closed the connection");

    // A host name: every address it resolves to is tried until one answers.
    auto byName = open("tcp:localhost:" + std::to_string(v4.port), error);
    EXPECT_TRUE(byName) << error;

    Listener v6(AF_INET6);
    if (v6.fd < 0)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    EXPECT_TRUE(open("tcp:[::1]:" + std::to_string(v6.port), error)) << error;
}

TEST(ObexTransports, RefusedAndUnavailable) {
    std::string error;
    int port = 0;
    {
        Listener gone(AF_INET);
        port = gone.port;
    }
    EXPECT_FALSE(open("tcp:127.0.0.1:" + std::to_string(port), error));
    EXPECT_NE(error.find("Connection refused"), std::string::npos) << error;
    EXPECT_FALSE(open("serial-direct:/nonexistent/tty", error));
    EXPECT_NE(error.find("Cannot open /nonexistent/tty"), std::string::npos) << error;
    // No phone answers at this address; without kernel Bluetooth the message says so.
    error.clear();
    EXPECT_FALSE(open("bt:00:00:00:00:00:01:3", error));
    int probe = ::socket(31, SOCK_STREAM, 3);
    if (probe < 0) {
        EXPECT_EQ(error, BluetoothMissingText);
    } else {
        ::close(probe);
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace pixelon::obex

#include "tools/phonesim/ObexTcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "phone/obex/ObexReceiver.h"

namespace pixelon::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

void serveConnection(int fd, const ObexTcpOptions& options, volatile std::sig_atomic_t& stop,
                     SteadyClock::time_point end) {
    obex::ObexReceiver receiver;
    receiver.setObjectListener([&](const std::string& name, const obex::Bytes& body) {
        bool stored = obex::StoreObject(options.saveDir, name, body);
        std::fprintf(stderr, "phonesim: received %s (%zu bytes)%s\n", name.c_str(), body.size(),
                     stored ? "" : ", not stored");
        if (options.log)
            std::fprintf(options.log, "OBEX object \"%s\" %zu bytes\n", name.c_str(), body.size());
    });
    long received = 0;
    std::uint8_t buffer[8192];
    while (!stop && !receiver.disconnected()) {
        if (options.timeoutSeconds > 0 && SteadyClock::now() > end)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        if (options.unplugAfter >= 0 && received + n >= options.unplugAfter) {
            std::fprintf(stderr, "phonesim: unplugged after %ld bytes\n", options.unplugAfter);
            break;
        }
        received += n;
        obex::Bytes answer = receiver.receive(std::span(buffer, std::size_t(n)));
        if (!answer.empty() && ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0)
            break;
    }
}

} // namespace

int serveObexTcp(const ObexTcpOptions& options, volatile std::sig_atomic_t& stop) {
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        std::fprintf(stderr, "phonesim: socket: %s\n", std::strerror(errno));
        return 1;
    }
    int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(options.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "phonesim: cannot listen on 127.0.0.1:%d: %s\n", options.port,
                     std::strerror(errno));
        ::close(listener);
        return 1;
    }
    std::fprintf(stderr, "phonesim: OBEX on 127.0.0.1:%d ready\n", ntohs(address.sin_port));
    std::fflush(stderr);
    auto end = SteadyClock::now() + std::chrono::seconds(options.timeoutSeconds);
    while (!stop) {
        if (options.timeoutSeconds > 0 && SteadyClock::now() > end)
            break;
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        serveConnection(fd, options, stop, end);
        ::close(fd);
    }
    ::close(listener);
    return 0;
}

} // namespace pixelon::sim

#include "tools/phonesim/ObexTcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "phone/CommsLog.h"
#include "phone/obex/ObexReceiver.h"

namespace pixelon::sim {

std::uint8_t storeAndReport(const std::filesystem::path& folder, const std::string& name,
                            const obex::Bytes& body, std::FILE* log, const std::string& logPrefix) {
    obex::StoreResult r = obex::StoreObject(folder, name, body);
    if (r.stored()) {
        std::fprintf(stderr, "phonesim: received \"%s\" (%zu bytes)\n", r.storedName.c_str(),
                     body.size());
        if (log)
            std::fprintf(log, "%sOBEX object \"%s\" %zu bytes\n", logPrefix.c_str(),
                         r.storedName.c_str(), body.size());
    } else {
        const std::string answer =
            formatText("0x%02X (%s)", r.code, std::string(obex::ResponseName(r.code)).c_str());
        std::fprintf(stderr, "phonesim: received \"%s\" (%zu bytes), not stored: %s; answered %s\n",
                     r.storedName.c_str(), body.size(), r.error.c_str(), answer.c_str());
        if (log)
            std::fprintf(log, "%sOBEX object \"%s\" %zu bytes not stored: %s; answered %s\n",
                         logPrefix.c_str(), r.storedName.c_str(), body.size(), r.error.c_str(),
                         answer.c_str());
    }
    std::fflush(stderr);
    return r.code;
}

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Connection {
    int fd = -1;
    int number = 0;
    long received = 0;
    SteadyClock::time_point lastData;
    obex::ObexReceiver receiver;
    ~Connection() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads what `c` sent and answers it; false when the connection is over.
bool serve(Connection& c, const ObexTcpOptions& options) {
    std::uint8_t buffer[8192];
    ssize_t n = ::read(c.fd, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    c.lastData = SteadyClock::now();
    if (options.unplugAfter >= 0 && c.received + n >= options.unplugAfter) {
        std::fprintf(stderr, "phonesim: unplugged after %ld bytes\n", options.unplugAfter);
        return false;
    }
    c.received += n;
    obex::Bytes answer = c.receiver.receive(std::span(buffer, std::size_t(n)));
    if (!answer.empty() && ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0)
        return false;
    return !c.receiver.disconnected();
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
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "phonesim: cannot listen on 127.0.0.1:%d: %s\n", options.port,
                     std::strerror(errno));
        ::close(listener);
        return 1;
    }
    std::fprintf(stderr, "phonesim: OBEX on 127.0.0.1:%d ready\n", ntohs(address.sin_port));
    std::fflush(stderr);
    const auto end = SteadyClock::now() + std::chrono::seconds(options.timeoutSeconds);
    const auto idle = std::chrono::seconds(options.idleSeconds);
    std::vector<std::unique_ptr<Connection>> connections;
    int accepted = 0;
    while (!stop) {
        const auto now = SteadyClock::now();
        if (options.timeoutSeconds > 0 && now > end)
            break;
        std::erase_if(connections, [&](const std::unique_ptr<Connection>& c) {
            if (options.idleSeconds <= 0 || now - c->lastData < idle)
                return false;
            std::fprintf(stderr, "phonesim: connection %d closed after %ld seconds without data\n",
                         c->number, options.idleSeconds);
            std::fflush(stderr);
            return true;
        });
        // While every slot is taken, newcomers wait in the listen queue.
        std::vector<pollfd> polled;
        for (const auto& c : connections)
            polled.push_back({c->fd, POLLIN, 0});
        const bool listening = int(connections.size()) < options.maxConnections;
        if (listening)
            polled.push_back({listener, POLLIN, 0});
        if (::poll(polled.data(), nfds_t(polled.size()), 50) <= 0)
            continue;
        std::vector<Connection*> over;
        for (std::size_t i = 0; i < connections.size(); ++i)
            if (polled[i].revents && !serve(*connections[i], options))
                over.push_back(connections[i].get());
        std::erase_if(connections, [&](const std::unique_ptr<Connection>& c) {
            return std::find(over.begin(), over.end(), c.get()) != over.end();
        });
        if (listening && polled.back().revents) {
            int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            auto c = std::make_unique<Connection>();
            c->fd = fd;
            c->number = ++accepted;
            c->lastData = SteadyClock::now();
            c->receiver.setObjectListener(
                [&options](const std::string& name, const obex::Bytes& body) {
                    return storeAndReport(options.saveDir, name, body, options.log, "");
                });
            connections.push_back(std::move(c));
        }
    }
    connections.clear();
    ::close(listener);
    return 0;
}

} // namespace pixelon::sim

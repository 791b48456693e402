// bench-links: obex
// An OBEX push as the send-file dialog makes it (a Name header, 249-byte Body blocks, the
// End-of-Body with the final bit): over an in-memory receiver, which measures the packet
// building and parsing alone, and over TCP on loopback to a receiver thread.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <thread>

#include "phone/obex/ObexReceiver.h"
#include "phone/obex/ObexSession.h"

using namespace pixelon::obex;

namespace {

const Bytes& file100k() {
    static Bytes data = [] {
        Bytes b(100000);
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = std::uint8_t(i * 31 + 7);
        return b;
    }();
    return data;
}

bool push(ObexClientSession& s, const Bytes& data) {
    if (!s.connect() || !s.put(NameHeader(u"bench.bin"), false))
        return false;
    for (std::size_t at = 0;; at += 249) {
        std::size_t n = std::min<std::size_t>(249, data.size() - at);
        bool last = n < 249;
        if (!s.put(BodyHeader(std::span(data).subspan(at, n), last), last))
            return false;
        if (last)
            return s.disconnect();
    }
}

class MemoryStream : public ObexStream {
public:
    ObexReceiver receiver;
    bool writeAll(std::span<const std::uint8_t> data, int, std::string&) override {
        Bytes answer = receiver.receive(data);
        m_pending.insert(m_pending.end(), answer.begin(), answer.end());
        return true;
    }
    long readSome(std::span<std::uint8_t> buffer, int, std::string&) override {
        std::size_t n = std::min(buffer.size(), m_pending.size());
        std::copy_n(m_pending.begin(), n, buffer.begin());
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(n));
        return long(n);
    }

private:
    std::deque<std::uint8_t> m_pending;
};

void Push100kInMemory(benchmark::State& state) {
    for (auto _ : state) {
        MemoryStream stream;
        ObexClientSession session(stream, nullptr, 1000);
        if (!push(session, file100k()))
            state.SkipWithError("push failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 100000);
}
BENCHMARK(Push100kInMemory);

void Push100kOverLoopbackTcp(benchmark::State& state) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listener, 4) != 0) {
        state.SkipWithError("no loopback socket");
        return;
    }
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    std::string address = "tcp:127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    for (auto _ : state) {
        std::thread server([listener] {
            int fd = ::accept(listener, nullptr, nullptr);
            ObexReceiver receiver;
            std::uint8_t buffer[8192];
            while (!receiver.disconnected()) {
                ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                Bytes answer = receiver.receive(std::span(buffer, std::size_t(n)));
                if (::write(fd, answer.data(), answer.size()) < 0)
                    break;
            }
            ::close(fd);
        });
        std::string error;
        auto stream = OpenTransport(*ParseObexAddress(address, error), {2000, nullptr}, error);
        ObexClientSession session(*stream, nullptr, 2000);
        if (!push(session, file100k()))
            state.SkipWithError("push failed");
        stream.reset();
        server.join();
    }
    ::close(listener);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 100000);
}
BENCHMARK(Push100kOverLoopbackTcp)->Unit(benchmark::kMillisecond);

} // namespace

#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "phone/obex/ObexReceiver.h"
#include "phone/obex/ObexTransport.h"

namespace pixelon::obex::test {

// A line to an in-memory peer: every write is handed to `answer`, whose bytes come back on
// the next reads. A peer that answers nothing leaves the reads to time out; `closed` makes
// reads fail as a dropped line does.
class ScriptedStream : public ObexStream {
public:
    using Answer = std::function<Bytes(std::span<const std::uint8_t>)>;
    explicit ScriptedStream(Answer answer) : m_answer(std::move(answer)) {}

    bool writeAll(std::span<const std::uint8_t> data, int, std::string& error) override {
        if (closed) {
            error = "closed";
            return false;
        }
        written.emplace_back(data.begin(), data.end());
        Bytes reply = m_answer(data);
        m_pending.insert(m_pending.end(), reply.begin(), reply.end());
        return true;
    }
    long readSome(std::span<std::uint8_t> buffer, int, std::string& error) override {
        if (m_pending.empty()) {
            if (closed) {
                error = "The receiver closed the connection";
                return -1;
            }
            return 0;
        }
        std::size_t n = std::min(buffer.size(), m_pending.size());
        for (std::size_t i = 0; i < n; ++i) {
            buffer[i] = m_pending.front();
            m_pending.pop_front();
        }
        return long(n);
    }
    bool alive() override { return !closed; }

    bool closed = false;
    std::vector<Bytes> written; // every packet the client wrote

private:
    Answer m_answer;
    std::deque<std::uint8_t> m_pending;
};

// A stream to an ObexReceiver that keeps what it receives.
struct ReceiverPeer {
    ObexReceiver receiver;
    std::vector<std::pair<std::string, Bytes>> objects;

    ReceiverPeer() {
        receiver.setObjectListener([this](const std::string& name, const Bytes& body) {
            objects.emplace_back(name, body);
        });
    }
    std::unique_ptr<ScriptedStream> stream() {
        return std::make_unique<ScriptedStream>(
            [this](std::span<const std::uint8_t> bytes) { return receiver.receive(bytes); });
    }
};

inline Bytes pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t((i * 7 + i / 251) & 0xFF);
    return b;
}

} // namespace pixelon::obex::test

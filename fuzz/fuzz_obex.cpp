// fuzz-links: obex
// OBEX answers and requests: the response parser (with and without the connect fields), the
// header splitter, the receiver's packet assembly, and the client session reading a peer that
// answers with the fuzzer's bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "phone/obex/ObexPacket.h"
#include "phone/obex/ObexReceiver.h"
#include "phone/obex/ObexSession.h"

using namespace pixelon::obex;

namespace {

// A peer whose answers are the fuzzer's bytes; reads past them time out at once.
class FuzzStream : public ObexStream {
public:
    explicit FuzzStream(std::span<const std::uint8_t> data) : m_data(data) {}
    bool writeAll(std::span<const std::uint8_t>, int, std::string&) override { return true; }
    long readSome(std::span<std::uint8_t> buffer, int, std::string&) override {
        std::size_t n = std::min(buffer.size(), m_data.size());
        std::copy_n(m_data.begin(), n, buffer.begin());
        m_data = m_data.subspan(n);
        return long(n);
    }

private:
    std::span<const std::uint8_t> m_data;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > MaxPacketLength * 2)
        return 0;
    std::span<const std::uint8_t> bytes(data, size);

    for (bool connect : {false, true}) {
        if (auto p = ParsePacket(bytes, connect)) {
            // Every header the parser returns lies inside the packet.
            std::size_t total = 0;
            for (const Header& h : p->headers)
                total += h.value.size();
            if (total > size)
                __builtin_trap();
            if (const Header* name = p->find(HdrName))
                HeaderText(name->value);
        }
    }
    ParseHeaders(bytes);

    ObexReceiver receiver;
    // Some objects are refused, as a receiver with a full disk does.
    receiver.setObjectListener([](const std::string& name, const Bytes& body) {
        return SafeObjectName(name).size() + body.size() > 64 ? RspDatabaseFull : RspSuccess;
    });
    receiver.receive(bytes);

    FuzzStream stream(bytes);
    ObexClientSession session(stream, nullptr, 1);
    if (session.connect()) {
        // A name first, as the send does: the answer to a PUT that is not the last is checked
        // apart from the answer to the last one.
        if (session.put(NameHeader(u"f"), false)) {
            const std::uint8_t header[] = {HdrEndOfBody, 0x00, 0x03};
            session.put(header, true);
        }
        session.disconnect();
    }
    return 0;
}

// The OBEX client session against an in-memory receiver and against peers that misbehave.

#include <chrono>

#include <gtest/gtest.h>

#include "ObexStreams.h"
#include "phone/obex/ObexSession.h"

namespace pixelon::obex {
namespace {

using test::pattern;
using test::ReceiverPeer;
using test::ScriptedStream;

// Pushes `data` as the send-file dialog does: a Name header, then 249-byte blocks with the
// final flag on the short one.
bool push(ObexClientSession& s, const std::u16string& name, const Bytes& data) {
    if (!s.put(NameHeader(name), false))
        return false;
    for (std::size_t at = 0;; at += 249) {
        std::size_t n = std::min<std::size_t>(249, data.size() - at);
        bool last = n < 249;
        if (!s.put(BodyHeader(std::span(data).subspan(at, n), last), last))
            return false;
        if (last)
            return true;
    }
}

struct Logged {
    std::vector<std::string> lines;
    ObexClientSession::Log log() {
        return [this](std::string_view t) { lines.emplace_back(t); };
    }
    std::string all() const {
        std::string out;
        for (auto& l : lines)
            out += l + "\n";
        return out;
    }
};

TEST(ObexSession, WholeFilesArriveUnchanged) {
    for (std::size_t size : {0u, 1u, 248u, 249u, 498u, 747u, 5000u}) {
        ReceiverPeer peer;
        auto stream = peer.stream();
        Logged logged;
        ObexClientSession s(*stream, logged.log(), 100);
        ASSERT_TRUE(s.connect());
        Bytes data = pattern(size);
        ASSERT_TRUE(push(s, u"f.bin", data)) << size << logged.all();
        EXPECT_EQ(s.lastCode(), RspSuccess);
        EXPECT_TRUE(s.disconnect());
        ASSERT_EQ(peer.objects.size(), 1u) << size;
        EXPECT_EQ(peer.objects[0].first, "f.bin");
        EXPECT_EQ(peer.objects[0].second, data) << size;
        EXPECT_TRUE(logged.lines.empty()) << logged.all();
        // A size of 249 x n ends with an empty End-of-Body in a final PUT.
        if (size % 249 == 0) {
            EXPECT_EQ(stream->written[stream->written.size() - 2],
                      (Bytes{0x82, 0x00, 0x06, 0x49, 0x00, 0x03}));
        }
    }
}

TEST(ObexSession, RefusalsAreFailuresLoggedWithTheirCode) {
    ScriptedStream stream([](std::span<const std::uint8_t> req) {
        if (req[0] == OpConnect)
            return ConnectResponse(RspSuccess, 0x400);
        return Response(RspForbidden);
    });
    Logged logged;
    ObexClientSession s(stream, logged.log(), 100);
    ASSERT_TRUE(s.connect());
    EXPECT_FALSE(s.put(NameHeader(u"a.vcf"), false));
    EXPECT_EQ(s.lastCode(), RspForbidden);
    EXPECT_NE(logged.all().find("0xC3 (Forbidden)"), std::string::npos) << logged.all();

    ScriptedStream refusing([](std::span<const std::uint8_t>) {
        return ConnectResponse(0xD3, 0x400); // Service Unavailable
    });
    ObexClientSession c(refusing, logged.log(), 100);
    EXPECT_FALSE(c.connect());
    EXPECT_NE(logged.all().find("0xD3"), std::string::npos);
}

TEST(ObexSession, SilentPeerEndsWithinTheTimeOut) {
    ScriptedStream stream([](std::span<const std::uint8_t>) { return Bytes{}; });
    Logged logged;
    ObexClientSession s(stream, logged.log(), 200);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.connect());
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_NE(logged.all().find("no answer"), std::string::npos) << logged.all();
    // A half answer is just as silent.
    ScriptedStream half([](std::span<const std::uint8_t>) { return Bytes{0xA0, 0x00}; });
    ObexClientSession h(half, logged.log(), 100);
    EXPECT_FALSE(h.connect());
}

TEST(ObexSession, DroppedLineFailsAtOnceAndStaysFailed) {
    ReceiverPeer peer;
    auto stream = peer.stream();
    Logged logged;
    ObexClientSession s(*stream, logged.log(), 5000);
    ASSERT_TRUE(s.connect());
    ASSERT_TRUE(s.put(NameHeader(u"x"), false));
    stream->closed = true;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.put(BodyHeader(pattern(249), false), false));
    EXPECT_FALSE(s.put(BodyHeader({}, true), true));
    EXPECT_FALSE(s.disconnect());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(peer.objects.empty());
}

TEST(ObexSession, MalformedAnswersAreFailures) {
    for (Bytes answer : {Bytes{0xA0, 0x00, 0x01}, Bytes{0xA0, 0x00, 0x05, 0x10, 0x00},
                         Bytes{0xA0, 0x00, 0x09, 0x10, 0x00, 0x04, 0x00, 0x01, 0x00}}) {
        ScriptedStream stream([answer](std::span<const std::uint8_t>) { return answer; });
        Logged logged;
        ObexClientSession s(stream, logged.log(), 100);
        EXPECT_FALSE(s.connect());
        EXPECT_NE(logged.all().find("malformed"), std::string::npos) << logged.all();
    }
}

TEST(ObexSession, ConnectionIdIsSentAndBodiesAreSplitForSmallPackets) {
    // A receiver with the smallest packet size that hands out a connection ID: a 249-byte body
    // plus the ID no longer fits one packet.
    ReceiverPeer peer;
    std::vector<Bytes> requests;
    ScriptedStream stream([&](std::span<const std::uint8_t> req) {
        requests.emplace_back(req.begin(), req.end());
        if (req[0] == OpConnect) {
            peer.receiver.receive(req);
            Bytes r = ConnectResponse(RspSuccess, 255);
            Bytes id{HdrConnectionId, 0, 0, 0, 7};
            r.insert(r.end(), id.begin(), id.end());
            r[2] = std::uint8_t(r.size());
            return r;
        }
        return peer.receiver.receive(req);
    });
    ObexClientSession s(stream, nullptr, 100);
    ASSERT_TRUE(s.connect());
    EXPECT_EQ(s.peerMaxPacket(), 255u);
    Bytes data = pattern(249 * 3 + 10);
    ASSERT_TRUE(push(s, u"small.bin", data));
    ASSERT_TRUE(s.disconnect());
    ASSERT_EQ(peer.objects.size(), 1u);
    EXPECT_EQ(peer.objects[0].second, data);
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_LE(requests[i].size(), 255u);
        ASSERT_GE(requests[i].size(), 8u);
        EXPECT_EQ(requests[i][3], HdrConnectionId) << i;
        EXPECT_EQ(requests[i][7], 7) << i;
    }
    // A name too long for the packet cannot be split and fails cleanly.
    ObexClientSession t(stream, nullptr, 100);
    ASSERT_TRUE(t.connect());
    EXPECT_FALSE(t.put(NameHeader(std::u16string(200, u'n')), false));
}

} // namespace
} // namespace pixelon::obex

namespace pixelon::obex {
namespace {

// A receiver that takes CONNECT and answers the PUTs from a list; DISCONNECT gets Success.
struct PutScript {
    std::vector<std::uint8_t> answers;
    std::size_t puts = 0;
    std::unique_ptr<test::ScriptedStream> stream() {
        return std::make_unique<test::ScriptedStream>([this](std::span<const std::uint8_t> req) {
            if (req[0] == OpConnect)
                return ConnectResponse(RspSuccess, 0x2000);
            if ((req[0] & 0x7F) != OpPut)
                return Response(RspSuccess);
            const std::size_t i = puts++;
            return Response(i < answers.size() ? answers[i] : RspContinue);
        });
    }
};

TEST(ObexSessionMisbehaving, SuccessBeforeTheLastPacketEndsTheTransfer) {
    // Continue to the name, then Success to a body block that is not the last.
    PutScript script{{RspContinue, RspSuccess}};
    auto stream = script.stream();
    std::vector<std::string> lines;
    ObexClientSession s(
        *stream, [&](std::string_view t) { lines.emplace_back(t); }, 100);
    ASSERT_TRUE(s.connect());
    ASSERT_TRUE(s.put(NameHeader(u"a.bin"), false));
    EXPECT_FALSE(s.put(BodyHeader(test::pattern(249), false), false));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("the receiver ended the transfer early"), std::string::npos);

    // The same inside a body split over several packets: nothing more is sent.
    PutScript small{{RspSuccess}};
    auto splitStream =
        std::make_unique<test::ScriptedStream>([&small](std::span<const std::uint8_t> req) {
            if (req[0] == OpConnect)
                return ConnectResponse(RspSuccess, 255);
            ++small.puts;
            return Response(RspSuccess);
        });
    lines.clear();
    ObexClientSession split(
        *splitStream, [&](std::string_view t) { lines.emplace_back(t); }, 100);
    ASSERT_TRUE(split.connect());
    EXPECT_FALSE(split.put(BodyHeader(test::pattern(600), true), true));
    EXPECT_EQ(small.puts, 1u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("ended the transfer early"), std::string::npos);
}

TEST(ObexSessionMisbehaving, ContinueToTheLastPacketIsNoSuccess) {
    PutScript script{{RspContinue, RspContinue}};
    auto stream = script.stream();
    std::vector<std::string> lines;
    ObexClientSession s(
        *stream, [&](std::string_view t) { lines.emplace_back(t); }, 100);
    ASSERT_TRUE(s.connect());
    ASSERT_TRUE(s.put(NameHeader(u"a.bin"), false));
    EXPECT_FALSE(s.put(BodyHeader(test::pattern(10), true), true));
    EXPECT_EQ(s.lastCode(), RspContinue);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "OBEX: the receiver did not confirm the object (response 0x90 "
                        "(Continue) to the last packet)");
}

TEST(ObexSessionMisbehaving, BareConnectRefusalIsReportedWithItsCode) {
    for (std::uint8_t code : {RspForbidden, std::uint8_t(0xD3)}) {
        test::ScriptedStream stream([code](std::span<const std::uint8_t>) {
            return Bytes{code, 0x00, 0x03};
        });
        std::vector<std::string> lines;
        ObexClientSession s(
            stream, [&](std::string_view t) { lines.emplace_back(t); }, 100);
        EXPECT_FALSE(s.connect());
        EXPECT_EQ(s.lastCode(), code);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], code == RspForbidden
                                ? "OBEX CONNECT refused: response 0xC3 (Forbidden)"
                                : "OBEX CONNECT refused: response 0xD3 (Service Unavailable)");
    }
    // A bare Success is still no CONNECT answer.
    test::ScriptedStream bare([](std::span<const std::uint8_t>) {
        return Bytes{0xA0, 0x00, 0x03};
    });
    std::vector<std::string> lines;
    ObexClientSession s(
        bare, [&](std::string_view t) { lines.emplace_back(t); }, 100);
    EXPECT_FALSE(s.connect());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "OBEX: malformed response (length 3)");
}

} // namespace
} // namespace pixelon::obex

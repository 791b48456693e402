// The OBEX packet builder, the response parser and the receiver's name rules.

#include <gtest/gtest.h>

#include "phone/obex/ObexPacket.h"
#include "phone/obex/ObexReceiver.h"
#include "phone/obex/ObexTransport.h"

namespace pixelon::obex {
namespace {

TEST(ObexHeaders, NameIsUtf16BigEndianWithTerminator) {
    EXPECT_EQ(NameHeader(u"a.gif"),
              (Bytes{0x01, 0x00, 0x0F, 0, 'a', 0, '.', 0, 'g', 0, 'i', 0, 'f', 0, 0}));
    EXPECT_EQ(NameHeader(u""), (Bytes{0x01, 0x00, 0x05, 0, 0}));
    // Characters outside ASCII and outside the basic plane.
    EXPECT_EQ(NameHeader(Utf16FromUtf8("\xC3\xA9")), (Bytes{0x01, 0x00, 0x07, 0x00, 0xE9, 0, 0}));
    Bytes smile = NameHeader(Utf16FromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(smile, (Bytes{0x01, 0x00, 0x09, 0xD8, 0x3D, 0xDE, 0x00, 0, 0}));
    EXPECT_EQ(HeaderText(Bytes(smile.begin() + 3, smile.end())), "\xF0\x9F\x98\x80");
}

TEST(ObexHeaders, BodyAndEndOfBody) {
    Bytes data{1, 2, 3};
    EXPECT_EQ(BodyHeader(data, false), (Bytes{0x48, 0x00, 0x06, 1, 2, 3}));
    EXPECT_EQ(BodyHeader(data, true), (Bytes{0x49, 0x00, 0x06, 1, 2, 3}));
    // The empty End-of-Body that closes a file of 249 x n bytes.
    EXPECT_EQ(BodyHeader({}, true), (Bytes{0x49, 0x00, 0x03}));
    Bytes full(249, 0xAB);
    Bytes h = BodyHeader(full, false);
    ASSERT_EQ(h.size(), 252u);
    EXPECT_EQ(h[1], 0x00);
    EXPECT_EQ(h[2], 0xFC);
}

TEST(ObexRequests, ConnectPutDisconnect) {
    EXPECT_EQ(ConnectRequest(0x2000), (Bytes{0x80, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00}));
    Bytes header{0x49, 0x00, 0x03};
    EXPECT_EQ(PutRequest(header, false), (Bytes{0x02, 0x00, 0x06, 0x49, 0x00, 0x03}));
    EXPECT_EQ(PutRequest(header, true), (Bytes{0x82, 0x00, 0x06, 0x49, 0x00, 0x03}));
    EXPECT_EQ(DisconnectRequest(), (Bytes{0x81, 0x00, 0x03}));
}

TEST(ObexResponses, ConnectResponseWithConnectionId) {
    Bytes bytes{0xA0, 0x00, 0x0C, 0x10, 0x00, 0x01, 0x00, 0xCB, 0x00, 0x00, 0x00, 0x2A};
    std::string error;
    auto p = ParsePacket(bytes, true, &error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(p->code, RspSuccess);
    EXPECT_EQ(p->version, 0x10);
    EXPECT_EQ(p->maxPacketLength, 0x100);
    ASSERT_NE(p->find(HdrConnectionId), nullptr);
    EXPECT_EQ(p->find(HdrConnectionId)->number(), 42u);
}

TEST(ObexResponses, MalformedPacketsAreRefused) {
    std::string error;
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00}, false, &error));
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00, 0x05, 0x00}, false, &error)) << "length mismatch";
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00, 0x05, 0x10, 0x00}, true, &error))
        << "connect fields missing";
    // A text header that claims more bytes than the packet has, or fewer than its own three.
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00, 0x07, 0x01, 0x00, 0x09, 0x00}, false, &error));
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00, 0x06, 0x48, 0x00, 0x01}, false, &error));
    // A four-byte header cut short.
    EXPECT_FALSE(ParsePacket(Bytes{0xA0, 0x00, 0x05, 0xCB, 0x00}, false, &error));
    EXPECT_FALSE(error.empty());
    // A plain answer without headers is fine.
    auto ok = ParsePacket(Bytes{0x90, 0x00, 0x03}, false);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(IsSuccessCode(ok->code));
    EXPECT_FALSE(IsSuccessCode(0xC3));
    EXPECT_EQ(ResponseName(0xC3), "Forbidden");
}

TEST(ObexGatewayStrings, BytesTravelAsFF00PlusByte) {
    Bytes bytes{0x00, 0x49, 0xFF};
    std::u16string text = ToGatewayString(bytes);
    EXPECT_EQ(text, (std::u16string{0xFF00, 0xFF49, 0xFFFF}));
    EXPECT_EQ(FromGatewayString(text), bytes);
    EXPECT_FALSE(FromGatewayString(u"A")) << "a character that is no byte";
}

TEST(ObexReceiverNames, StoredNamesStayInTheFolder) {
    EXPECT_EQ(SafeObjectName("picture.gif"), "picture.gif");
    EXPECT_EQ(SafeObjectName("../../etc/passwd"), "passwd");
    EXPECT_EQ(SafeObjectName("C:\\phone\\EMS1.wbmp"), "EMS1.wbmp");
    EXPECT_EQ(SafeObjectName("dir/"), "object");
    // ".", ".." and "" each keep a name of their own, and none leaves the folder.
    EXPECT_EQ(SafeObjectName("."), "\\x2E");
    EXPECT_EQ(SafeObjectName(".."), "\\x2E\\x2E");
    EXPECT_EQ(SafeObjectName("a/b/.."), "\\x2E\\x2E");
    EXPECT_EQ(SafeObjectName(""), "object");
    EXPECT_EQ(SafeObjectName("..."), "...");
    // Control characters are written out, so "a\nb" and "ab" stay apart.
    EXPECT_EQ(SafeObjectName(std::string("a\nb\0c\x7F", 6)), "a\\x0Ab\\x00c\\x7F");
    EXPECT_EQ(SafeObjectName("caf\xC3\xA9.gif"), "caf\xC3\xA9.gif");
}

TEST(ObexReceiverProtocol, AnswersSplitAndJoinedPackets) {
    ObexReceiver r;
    std::vector<std::pair<std::string, Bytes>> got;
    r.setObjectListener([&](const std::string& n, const Bytes& b) { got.emplace_back(n, b); });
    Bytes all = ConnectRequest(0x400);
    Bytes name = NameHeader(u"x.txt");
    Bytes put1 = PutRequest(name, false);
    Bytes put2 = PutRequest(BodyHeader(Bytes{'h', 'i'}, true), true);
    all.insert(all.end(), put1.begin(), put1.end());
    all.insert(all.end(), put2.begin(), put2.end());
    // Byte by byte: answers come once each packet is whole.
    Bytes answers;
    for (std::uint8_t b : all) {
        Bytes a = r.receive(std::span(&b, 1));
        answers.insert(answers.end(), a.begin(), a.end());
    }
    Bytes expected = ConnectResponse(RspSuccess, ObexReceiver::OwnMaxPacket);
    for (std::uint8_t code : {RspContinue, RspSuccess}) {
        Bytes a = Response(code);
        expected.insert(expected.end(), a.begin(), a.end());
    }
    EXPECT_EQ(answers, expected);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, "x.txt");
    EXPECT_EQ(got[0].second, (Bytes{'h', 'i'}));
    EXPECT_EQ(r.receive(Bytes{0x10, 0x00, 0x01}), Response(RspBadRequest)) << "impossible length";
    EXPECT_EQ(r.receive(Bytes{0x83, 0x00, 0x03}), Response(RspNotImplemented)) << "GET";
}

TEST(ObexAddresses, Forms) {
    std::string error;
    auto a = ParseObexAddress("tcp:localhost", error);
    ASSERT_TRUE(a) << error;
    EXPECT_EQ(a->host, "localhost");
    EXPECT_EQ(a->port, 650);
    a = ParseObexAddress("tcp:127.0.0.1:6500", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->port, 6500);
    a = ParseObexAddress("tcp:[::1]:651", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "::1");
    EXPECT_EQ(a->port, 651);
    EXPECT_EQ(a->text(), "tcp:[::1]:651");
    a = ParseObexAddress("tcp:fe80::1", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "fe80::1");
    EXPECT_EQ(a->port, 650);
    a = ParseObexAddress("bt:00:1a:7D:da:71:13", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->bdaddr[0], 0x00);
    EXPECT_EQ(a->bdaddr[5], 0x13);
    EXPECT_EQ(a->channel, 1);
    EXPECT_EQ(a->text(), "bt:00:1A:7D:DA:71:13:1");
    a = ParseObexAddress("bt:00:1A:7D:DA:71:13:12", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->channel, 12);
    a = ParseObexAddress("serial:/dev/ttyUSB0", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->kind, ObexAddress::Kind::Serial);
    EXPECT_EQ(a->device, "/dev/ttyUSB0");

    for (const char* bad : {"localhost", "tcp:", "tcp:host:0", "tcp:host:70000", "tcp:host:x",
                            "tcp:[::1", "tcp:[::1]x", "bt:00:11:22", "bt:00:11:22:33:44:GG",
                            "bt:00:11:22:33:44:55:31", "serial:", "irda:1"}) {
        error.clear();
        EXPECT_FALSE(ParseObexAddress(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

} // namespace
} // namespace pixelon::obex

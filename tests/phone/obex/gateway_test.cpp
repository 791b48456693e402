// The gateway objects as the send-file dialog calls them, and the panel's fallback.

#include <gtest/gtest.h>

#include "ObexStreams.h"
#include "phone/obex/GatewayPanel.h"
#include "phone/obex/HandsetGateway.h"
#include "platform/Feedback.h"
#include "platform/Registry.h"
#include "tests/support/TempDir.h"

namespace pixelon::obex {
namespace {

struct Events : IGatewayEvents {
    std::vector<std::pair<GatewayEvent, std::string>> seen;
    void OnGatewayEvent(GatewayEvent e, std::string_view text) override {
        seen.emplace_back(e, std::string(text));
    }
};

TEST(HandsetGateway, PhonesLinksAndEvents) {
    test::ReceiverPeer peer;
    bool up = false;
    int opens = 0;
    GatewayOptions options;
    options.responseTimeoutMs = 100;
    options.open = [&](const ObexAddress& a, std::string& error) -> std::unique_ptr<ObexStream> {
        ++opens;
        EXPECT_EQ(a.port, 6500);
        if (!up) {
            error = "Connection refused";
            return nullptr;
        }
        return peer.stream();
    };
    CHandsetGateway gateway({{"Desk", "tcp:10.0.0.2:6500", "OBEX", ""}}, options);
    Events events;
    EXPECT_TRUE(gateway.Advise(&events));
    EXPECT_FALSE(gateway.Advise(&events)) << "one sink at a time";
    ASSERT_EQ(gateway.PhonesInUse().Count(), 1);
    EXPECT_THROW(gateway.PhonesInUse().Item(1), GatewayError);
    auto phone = gateway.PhonesInUse().Item(0);
    EXPECT_EQ(phone->Model(), "TCP");
    EXPECT_EQ(phone->Address(), "tcp:10.0.0.2:6500");

    EXPECT_EQ(phone->Available(), GwNo);
    EXPECT_EQ(phone->LastError(), "Connection refused");
    EXPECT_THROW(phone->ObexLink(), GatewayError);
    up = true;
    EXPECT_EQ(phone->Available(), GwYes);
    EXPECT_EQ(phone->Available(), GwYes);
    EXPECT_EQ(opens, 2) << "an open line is kept, not reopened";
    ASSERT_EQ(events.seen.size(), 1u);
    EXPECT_EQ(events.seen[0].first, GatewayEvent::PhoneArrived);

    auto link = phone->ObexLink();
    EXPECT_EQ(link->Put(ToGatewayString(NameHeader(u"early")), false), GwNo) << "not connected";
    ASSERT_EQ(link->Connect("", ""), GwYes);
    EXPECT_EQ(GwYes, -1);
    EXPECT_EQ(link->Put(u"plain text", false), GwNo) << "characters below 0xFF00";
    EXPECT_EQ(events.seen.back().first, GatewayEvent::Trace);
    EXPECT_EQ(link->Put(ToGatewayString(NameHeader(u"n.txt")), false), GwYes);
    EXPECT_EQ(link->Put(ToGatewayString(BodyHeader(Bytes{'o', 'k'}, true)), true), GwYes);
    EXPECT_EQ(link->LastResponse(), RspSuccess);
    EXPECT_EQ(link->Disconnect("", ""), GwYes);
    ASSERT_EQ(peer.objects.size(), 1u);
    EXPECT_EQ(peer.objects[0].first, "n.txt");
    // The session took the line with it: the next search opens a new one.
    EXPECT_EQ(phone->Available(), GwYes);
    EXPECT_EQ(opens, 3);
    gateway.Unadvise();
}

TEST(HandsetGateway, ConnectionsKeptInTheUserHive) {
    pixelon::test::TempDir dir;
    Registry registry(dir.path / "user.reg", dir.path / "machine.reg");
    GatewayPanelModel model({});
    EXPECT_TRUE(model.add({"", "tcp:a", "", ""}).has_value());
    EXPECT_TRUE(model.add({"Bad", "usb:1", "", ""}).has_value());
    EXPECT_FALSE(model.add({"B", "bt:00:11:22:33:44:55", "", ""}).has_value());
    EXPECT_FALSE(model.add({"A", "tcp:[::1]", "Kivo", "HX300"}).has_value());
    EXPECT_TRUE(model.add({"A", "tcp:x", "", ""}).has_value()) << "names are unique";
    ASSERT_TRUE(model.save(registry));
    auto loaded = LoadConnections(registry);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].name, "B");
    EXPECT_EQ(loaded[0].address, "bt:00:11:22:33:44:55:1");
    EXPECT_EQ(loaded[0].maker, "OBEX");
    EXPECT_EQ(loaded[1].address, "tcp:[::1]:650");
    EXPECT_EQ(loaded[1].model, "HX300");
    model.remove(0);
    model.remove(5);
    ASSERT_TRUE(model.save(registry));
    ASSERT_EQ(LoadConnections(registry).size(), 1u);
    EXPECT_EQ(LoadConnections(registry)[0].name, "A");
}

TEST(HandsetGateway, PanelFallsBackToTheMessage) {
    RecordingFeedback feedback;
    openGatewayPanel([] { return true; }, feedback);
    EXPECT_TRUE(feedback.messages().empty());
    openGatewayPanel([] { return false; }, feedback);
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, GatewayPanelMissingText);
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Exclamation);
}

} // namespace
} // namespace pixelon::obex

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "phone/obex/ObexSession.h"
#include "phone/obex/ObexTransport.h"

namespace pixelon {
class Registry;
}

namespace pixelon::obex {

// The gateway's yes/no: yes is all bits set.
using GwBool = std::int16_t;
constexpr GwBool GwYes = -1;
constexpr GwBool GwNo = 0;

// A failing gateway call (the automation error of the calls that raise one).
class GatewayError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One phone connection the user configured.
struct PhoneConnection {
    std::string name;    // the user's name for it
    std::string address; // "tcp:...", "serial:...", "serial-direct:..." or "bt:..."
    std::string maker = "OBEX";
    std::string model; // empty: the transport's kind
};

// The connections in use, kept in the user hive under ConnectionsKey as subkeys "1", "2", ...
// with the values Name, Address, Maker and Model.
inline constexpr std::string_view ConnectionsKey =
    "Software\\Kivo Norvane\\Vistrel\\Handset Gateway\\Connections";
std::vector<PhoneConnection> LoadConnections(const Registry& registry);
bool SaveConnections(Registry& registry, const std::vector<PhoneConnection>& connections);

// What the gateway tells an attached sink.
enum class GatewayEvent { PhoneArrived, PhoneLeft, Trace };
class IGatewayEvents {
public:
    virtual ~IGatewayEvents() = default;
    virtual void OnGatewayEvent(GatewayEvent event, std::string_view text) = 0;
};

// Opens the transport of an address; tests put their own streams here.
using TransportOpener =
    std::function<std::unique_ptr<ObexStream>(const ObexAddress&, std::string& error)>;
TransportOpener SystemTransportOpener(TransportOptions options);

struct GatewayOptions {
    int responseTimeoutMs = 10000;
    TransportOpener open; // unset: the system's transports
};

class CPhoneInUse;

// The OBEX link of a phone: one session from Connect to Disconnect. Header strings travel as
// 16-bit characters 0xFF00 + byte.
class CObexLink {
public:
    CObexLink(std::shared_ptr<CPhoneInUse> phone, std::shared_ptr<ObexStream> stream);
    ~CObexLink();
    CObexLink(const CObexLink&) = delete;
    CObexLink& operator=(const CObexLink&) = delete;

    // Raises GatewayError when the phone's line is gone.
    GwBool Connect(std::string_view user, std::string_view password);
    GwBool Put(std::u16string_view headers, bool final);
    GwBool Disconnect(std::string_view user, std::string_view password);

    // The receiver's answer to the last request (0 when none came).
    std::uint8_t LastResponse() const { return m_session ? m_session->lastCode() : 0; }

private:
    std::shared_ptr<CPhoneInUse> m_phone;
    std::shared_ptr<ObexStream> m_stream;
    std::unique_ptr<ObexClientSession> m_session;
};

// One phone in use: available when its transport opens.
class CPhoneInUse : public std::enable_shared_from_this<CPhoneInUse> {
public:
    using Notify = std::function<void(GatewayEvent, std::string_view)>;
    CPhoneInUse(PhoneConnection connection, GatewayOptions options, Notify notify);

    GwBool Available();
    std::string Maker() const { return m_connection.maker; }
    std::string Model() const;
    std::string ConnectionName() const { return m_connection.name; }
    std::string Address() const { return m_connection.address; }
    // A new OBEX link over the opened line; raises GatewayError when the phone is not
    // available.
    std::unique_ptr<CObexLink> ObexLink();

    // Why the transport did not open the last time.
    const std::string& LastError() const { return m_lastError; }

private:
    friend class CObexLink;
    void releaseLine(); // the session is over: the next Available opens a new line

    PhoneConnection m_connection;
    GatewayOptions m_options;
    Notify m_notify;
    std::shared_ptr<ObexStream> m_stream;
    std::string m_lastError;
    bool m_wasAvailable = false;
};

// The collection of phones in use.
class CPhonesInUse {
public:
    int Count() const { return int(m_phones.size()); }
    // Raises GatewayError for an index outside 0..Count()-1.
    std::shared_ptr<CPhoneInUse> Item(int index) const;

private:
    friend class CHandsetGateway;
    std::vector<std::shared_ptr<CPhoneInUse>> m_phones;
};

// The gateway: the phones in use and the event sink.
class CHandsetGateway {
public:
    CHandsetGateway(std::vector<PhoneConnection> connections, GatewayOptions options = {});
    CHandsetGateway(const CHandsetGateway&) = delete;
    CHandsetGateway& operator=(const CHandsetGateway&) = delete;

    const CPhonesInUse& PhonesInUse() const { return m_phones; }
    // Attaches the sink (one at a time); false when one is attached already.
    bool Advise(IGatewayEvents* sink);
    void Unadvise() { m_sink->sink = nullptr; }

private:
    struct SinkSlot {
        IGatewayEvents* sink = nullptr;
    };
    std::shared_ptr<SinkSlot> m_sink = std::make_shared<SinkSlot>();
    CPhonesInUse m_phones;
};

// Creates the gateway; empty when it cannot be created.
using GatewayFactory = std::function<std::unique_ptr<CHandsetGateway>()>;

} // namespace pixelon::obex

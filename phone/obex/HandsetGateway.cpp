#include "phone/obex/HandsetGateway.h"

#include <algorithm>

#include "phone/CommsLog.h"
#include "platform/Registry.h"

namespace pixelon::obex {

std::vector<PhoneConnection> LoadConnections(const Registry& registry) {
    HiveData hive = registry.load(Hive::CurrentUser);
    std::vector<std::pair<int, PhoneConnection>> numbered;
    for (const std::string& sub : hive.subkeys(ConnectionsKey)) {
        std::string key = std::string(ConnectionsKey) + "\\" + sub;
        auto text = [&](std::string_view name) -> std::string {
            auto v = hive.value(key, name);
            if (v && std::holds_alternative<std::string>(*v))
                return std::get<std::string>(*v);
            return {};
        };
        PhoneConnection c;
        c.name = text("Name");
        c.address = text("Address");
        if (c.address.empty())
            continue;
        if (auto maker = text("Maker"); !maker.empty())
            c.maker = maker;
        c.model = text("Model");
        int order = 0;
        try {
            order = std::stoi(sub);
        } catch (...) {
            order = 1 << 20;
        }
        numbered.emplace_back(order, std::move(c));
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PhoneConnection> out;
    for (auto& [order, c] : numbered)
        out.push_back(std::move(c));
    return out;
}

bool SaveConnections(Registry& registry, const std::vector<PhoneConnection>& connections) {
    return registry.update(Hive::CurrentUser, [&](HiveData& hive) {
        hive.deleteKey(ConnectionsKey);
        hive.createKey(ConnectionsKey);
        for (std::size_t i = 0; i < connections.size(); ++i) {
            std::string key = std::string(ConnectionsKey) + "\\" + std::to_string(i + 1);
            hive.setValue(key, "Name", connections[i].name);
            hive.setValue(key, "Address", connections[i].address);
            hive.setValue(key, "Maker", connections[i].maker);
            hive.setValue(key, "Model", connections[i].model);
        }
    });
}

TransportOpener SystemTransportOpener(TransportOptions options) {
    return [options](const ObexAddress& address, std::string& error) {
        return OpenTransport(address, options, error);
    };
}

CObexLink::CObexLink(std::shared_ptr<CPhoneInUse> phone, std::shared_ptr<ObexStream> stream)
    : m_phone(std::move(phone)), m_stream(std::move(stream)) {}

CObexLink::~CObexLink() {
    if (m_session && m_session->connected())
        m_session->disconnect();
    if (m_session)
        m_phone->releaseLine();
}

GwBool CObexLink::Connect(std::string_view, std::string_view) {
    if (!m_stream || !m_stream->alive()) {
        m_phone->releaseLine();
        throw GatewayError("The phone's line is closed");
    }
    auto trace = [phone = m_phone](std::string_view text) {
        if (phone->m_notify)
            phone->m_notify(GatewayEvent::Trace, text);
    };
    m_session =
        std::make_unique<ObexClientSession>(*m_stream, trace, m_phone->m_options.responseTimeoutMs);
    return m_session->connect() ? GwYes : GwNo;
}

GwBool CObexLink::Put(std::u16string_view headers, bool final) {
    if (!m_session || !m_session->connected())
        return GwNo;
    auto bytes = FromGatewayString(headers);
    if (!bytes) {
        if (m_phone->m_notify)
            m_phone->m_notify(GatewayEvent::Trace,
                              "OBEX: a header string holds a character outside 0xFF00..0xFFFF");
        return GwNo;
    }
    return m_session->put(*bytes, final) ? GwYes : GwNo;
}

GwBool CObexLink::Disconnect(std::string_view, std::string_view) {
    if (!m_session)
        throw GatewayError("The OBEX link is not connected");
    bool ok = m_session->disconnect();
    // One session a line: the receiver (and the serial phone's OBEX mode) ends with it.
    m_session.reset();
    m_stream.reset();
    m_phone->releaseLine();
    return ok ? GwYes : GwNo;
}

CPhoneInUse::CPhoneInUse(PhoneConnection connection, GatewayOptions options, Notify notify)
    : m_connection(std::move(connection)), m_options(std::move(options)),
      m_notify(std::move(notify)) {}

std::string CPhoneInUse::Model() const {
    if (!m_connection.model.empty())
        return m_connection.model;
    std::string error;
    auto address = ParseObexAddress(m_connection.address, error);
    return address ? std::string(address->kindName()) : std::string("OBEX");
}

GwBool CPhoneInUse::Available() {
    if (m_stream && m_stream->alive())
        return GwYes;
    m_stream.reset();
    auto address = ParseObexAddress(m_connection.address, m_lastError);
    if (address) {
        std::string error;
        auto stream = m_options.open ? m_options.open(*address, error) : nullptr;
        if (stream) {
            m_stream = std::move(stream);
            m_lastError.clear();
        } else {
            m_lastError = error;
        }
    }
    bool available = m_stream != nullptr;
    if (available != m_wasAvailable && m_notify)
        m_notify(available ? GatewayEvent::PhoneArrived : GatewayEvent::PhoneLeft,
                 m_connection.name);
    m_wasAvailable = available;
    return available ? GwYes : GwNo;
}

std::unique_ptr<CObexLink> CPhoneInUse::ObexLink() {
    if (!m_stream)
        throw GatewayError("The phone " + m_connection.name + " is not available");
    return std::make_unique<CObexLink>(shared_from_this(), m_stream);
}

void CPhoneInUse::releaseLine() {
    m_stream.reset();
    m_wasAvailable = false;
}

std::shared_ptr<CPhoneInUse> CPhonesInUse::Item(int index) const {
    if (index < 0 || index >= Count())
        throw GatewayError(formatText("No phone %d in the list of %d", index, Count()));
    return m_phones[std::size_t(index)];
}

CHandsetGateway::CHandsetGateway(std::vector<PhoneConnection> connections, GatewayOptions options) {
    if (!options.open)
        options.open = SystemTransportOpener({options.responseTimeoutMs, nullptr});
    std::weak_ptr<SinkSlot> slot = m_sink;
    auto notify = [slot](GatewayEvent event, std::string_view text) {
        if (auto s = slot.lock(); s && s->sink)
            s->sink->OnGatewayEvent(event, text);
    };
    for (auto& c : connections)
        m_phones.m_phones.push_back(std::make_shared<CPhoneInUse>(std::move(c), options, notify));
}

bool CHandsetGateway::Advise(IGatewayEvents* sink) {
    if (!sink || m_sink->sink)
        return false;
    m_sink->sink = sink;
    return true;
}

} // namespace pixelon::obex

#include "phone/obex/GatewayPanel.h"

#include <algorithm>

#include "platform/Feedback.h"

namespace pixelon::obex {

std::optional<std::string> GatewayPanelModel::add(PhoneConnection connection) {
    if (connection.name.empty())
        return "Give the connection a name.";
    bool taken = std::any_of(m_connections.begin(), m_connections.end(),
                             [&](const PhoneConnection& c) { return c.name == connection.name; });
    if (taken)
        return "A connection named " + connection.name + " exists already.";
    std::string error;
    auto address = ParseObexAddress(connection.address, error);
    if (!address)
        return error;
    connection.address = address->text();
    if (connection.maker.empty())
        connection.maker = "OBEX";
    m_connections.push_back(std::move(connection));
    return std::nullopt;
}

void GatewayPanelModel::remove(int index) {
    if (index >= 0 && index < int(m_connections.size()))
        m_connections.erase(m_connections.begin() + index);
}

std::string GatewayPanelModel::test(int index, const TransportOpener& open) const {
    if (index < 0 || index >= int(m_connections.size()) || !open)
        return "No connection chosen.";
    std::string error;
    auto address = ParseObexAddress(m_connections[std::size_t(index)].address, error);
    if (!address)
        return error;
    auto stream = open(*address, error);
    return stream ? "Available" : error;
}

void openGatewayPanel(const std::function<bool()>& showPanel, Feedback& feedback) {
    if (showPanel && showPanel())
        return;
    feedback.message(std::string(GatewayPanelMissingText), MessageIcon::Exclamation);
}

} // namespace pixelon::obex

#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phone/obex/HandsetGateway.h"

namespace pixelon {
class Feedback;
class Registry;
} // namespace pixelon

namespace pixelon::obex {

// Shown when the gateway's control panel cannot be opened.
inline constexpr std::string_view GatewayPanelMissingText =
    "Handset Gateway panel was not found.\n\nThe Handset Gateway (HGW) software may not be "
    "installed.\n\nOnce it is installed, it can also be reached from the Control Panel through "
    "the Handset Gateway options applet.";

// The gateway's control panel without its window: the connections in use, kept in the user
// hive, which the user adds, removes and tries.
class GatewayPanelModel {
public:
    explicit GatewayPanelModel(std::vector<PhoneConnection> connections)
        : m_connections(std::move(connections)) {}

    const std::vector<PhoneConnection>& connections() const { return m_connections; }

    // Adds a connection (an empty model shows the transport's kind); the reason when its name
    // is empty or taken, or its address is malformed.
    std::optional<std::string> add(PhoneConnection connection);
    void remove(int index);
    // Opens the connection's transport and closes it again: "Available" or why not.
    std::string test(int index, const TransportOpener& open) const;

    bool save(Registry& registry) const { return SaveConnections(registry, m_connections); }

private:
    std::vector<PhoneConnection> m_connections;
};

// Help > Handset Gateway: shows the panel; when it cannot be shown, the message box above.
void openGatewayPanel(const std::function<bool()>& showPanel, Feedback& feedback);

} // namespace pixelon::obex

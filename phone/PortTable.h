#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace pixelon {

// Which device each COM port number opens. Kept in the user hive under
// Software\Kivo Norvane\Vistrel\Ports as values "COM1".."COM8".
class CPortTable {
public:
    static constexpr int PortCount = 8;
    static constexpr std::string_view Key = "Software\\Kivo Norvane\\Vistrel\\Ports";

    // The machine's serial devices: USB adapters first, then built-in ports.
    static CPortTable defaults(const std::string& devDirectory = "/dev");
    // The stored table; ports without a stored value keep the defaults.
    static CPortTable load(const Registry& registry, const CPortTable& defaults);
    bool save(Registry& registry) const;

    // The device path of port 1..8 (empty for other numbers or an unassigned port).
    std::string path(int port) const;
    void setPath(int port, std::string path);

private:
    std::array<std::string, PortCount> m_paths;
};

// Orders device names as a person would: ttyUSB0 < ttyUSB2 < ttyUSB10.
bool naturalLess(const std::string& a, const std::string& b);

} // namespace pixelon

#include "phone/PortTable.h"

#include <algorithm>
#include <filesystem>

#include "phone/CommsLog.h"

namespace pixelon {

bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei])))
                ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej])))
                ++ej;
            std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

CPortTable CPortTable::defaults(const std::string& devDirectory) {
    CPortTable table;
    std::vector<std::string> found;
    std::error_code ec;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::string> group;
        for (const auto& entry : std::filesystem::directory_iterator(devDirectory, ec)) {
            std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0 && name.size() > std::string_view(prefix).size())
                group.push_back(name);
        }
        std::sort(group.begin(), group.end(), naturalLess);
        for (auto& name : group)
            found.push_back(devDirectory + "/" + name);
    }
    for (std::size_t i = 0; i < found.size() && i < table.m_paths.size(); ++i)
        table.m_paths[i] = found[i];
    return table;
}

CPortTable CPortTable::load(const Registry& registry, const CPortTable& defaults) {
    CPortTable table = defaults;
    for (int port = 1; port <= PortCount; ++port)
        if (auto value = registry.readString(Hive::CurrentUser, Key, formatText("COM%d", port)))
            table.setPath(port, *value);
    return table;
}

bool CPortTable::save(Registry& registry) const {
    return registry.update(Hive::CurrentUser, [&](HiveData& hive) {
        for (int port = 1; port <= PortCount; ++port)
            hive.setValue(Key, formatText("COM%d", port), path(port));
    });
}

std::string CPortTable::path(int port) const {
    if (port < 1 || port > PortCount)
        return {};
    return m_paths[std::size_t(port - 1)];
}

void CPortTable::setPath(int port, std::string path) {
    if (port >= 1 && port <= PortCount)
        m_paths[std::size_t(port - 1)] = std::move(path);
}

} // namespace pixelon

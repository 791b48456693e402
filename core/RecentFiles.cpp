#include "core/RecentFiles.h"

#include <algorithm>
#include <filesystem>

namespace pixelon {
namespace {

std::string valueName(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

std::string fullPath(std::string_view path) {
    std::filesystem::path p{std::string(path)};
    if (p.is_relative()) {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(p, ec);
        if (!ec)
            p = absolute;
    }
    return p.lexically_normal().string();
}

} // namespace

void CRecentFileList::add(std::string_view path) {
    if (path.empty())
        return;
    std::string full = fullPath(path);
    std::erase(m_entries, full);
    m_entries.insert(m_entries.begin(), std::move(full));
    if (m_entries.size() > kMaxEntries)
        m_entries.resize(kMaxEntries);
}

bool CRecentFileList::remove(std::string_view path) {
    return std::erase(m_entries, std::string(path)) > 0 ||
           std::erase(m_entries, fullPath(path)) > 0;
}

bool CRecentFileList::removeAt(std::size_t index) {
    if (index >= m_entries.size())
        return false;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void CRecentFileList::load(const HiveData& userHive) {
    m_entries.clear();
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        const auto v = userHive.value(kRecentFileKey, valueName(i));
        const auto* path = v ? std::get_if<std::string>(&*v) : nullptr;
        if (path && !path->empty() &&
            std::find(m_entries.begin(), m_entries.end(), *path) == m_entries.end())
            m_entries.push_back(*path);
    }
}

void CRecentFileList::load(const Registry& registry) {
    load(registry.load(Hive::CurrentUser));
}

void CRecentFileList::save(HiveData& userHive) const {
    userHive.createKey(kRecentFileKey);
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        if (i < m_entries.size())
            userHive.setValue(kRecentFileKey, valueName(i), m_entries[i]);
        else
            userHive.deleteValue(kRecentFileKey, valueName(i));
    }
}

bool CRecentFileList::save(Registry& registry) const {
    return registry.update(Hive::CurrentUser, [this](HiveData& hive) { save(hive); });
}

} // namespace pixelon

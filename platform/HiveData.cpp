// The keys and values of one hive in memory. The text format is in RegistryText.cpp, which
// builds on these; the files and their locking are in Registry.cpp.

#include "platform/HiveData.h"

#include <algorithm>
#include <utility>

namespace pixelon {
namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerCopy(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

// "\\Software\\\\Kivo\\" becomes "Software\\Kivo": empty components carry no meaning.
std::string normaliseKey(std::string_view key) {
    std::string out;
    std::size_t pos = 0;
    while (pos <= key.size()) {
        std::size_t end = key.find('\\', pos);
        if (end == std::string_view::npos)
            end = key.size();
        if (end > pos) {
            if (!out.empty())
                out += '\\';
            out.append(key.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    return out;
}

} // namespace

bool HiveData::hasKey(std::string_view key) const {
    const std::string path = normaliseKey(key);
    return path.empty() || m_keys.contains(lowerCopy(path));
}

void HiveData::createKey(std::string_view key) {
    // Like the system registry, creating a key creates its missing parents. A new key is
    // spelled as its existing parent is, followed by its own name as given.
    const std::string path = normaliseKey(key);
    std::string storedParent;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        auto [it, inserted] = m_keys.try_emplace(lowerCopy(path.substr(0, end)));
        if (inserted) {
            it->second.name = storedParent;
            if (!storedParent.empty())
                it->second.name += '\\';
            it->second.name.append(path, start, end - start);
        }
        storedParent = it->second.name;
        start = end + 1;
    }
}

bool HiveData::deleteKey(std::string_view key) {
    const std::string lower = lowerCopy(normaliseKey(key));
    if (lower.empty()) {
        const bool any = !m_keys.empty();
        m_keys.clear();
        return any;
    }
    auto it = m_keys.find(lower);
    if (it == m_keys.end())
        return false;
    const std::string childPrefix = lower + '\\';
    m_keys.erase(it);
    // Subkeys sort together after their prefix, though not always right after the key itself.
    it = m_keys.lower_bound(childPrefix);
    while (it != m_keys.end() && it->first.starts_with(childPrefix))
        it = m_keys.erase(it);
    return true;
}

std::optional<RegistryValue> HiveData::value(std::string_view key, std::string_view name) const {
    auto it = m_keys.find(lowerCopy(normaliseKey(key)));
    if (it == m_keys.end())
        return std::nullopt;
    for (const auto& [n, v] : it->second.values)
        if (equalsNoCase(n, name))
            return v;
    return std::nullopt;
}

void HiveData::setValue(std::string_view key, std::string_view name, RegistryValue v) {
    const std::string lower = lowerCopy(normaliseKey(key));
    auto it = m_keys.find(lower);
    if (it == m_keys.end()) {
        createKey(key);
        it = m_keys.find(lower);
        if (it == m_keys.end()) // the root, which createKey leaves implicit
            it = m_keys.try_emplace(lower).first;
    }
    Key& k = it->second;
    for (auto& [n, old] : k.values) {
        if (equalsNoCase(n, name)) {
            old = std::move(v); // the name keeps the case it was first written with
            return;
        }
    }
    k.values.emplace_back(std::string(name), std::move(v));
}

bool HiveData::deleteValue(std::string_view key, std::string_view name) {
    auto it = m_keys.find(lowerCopy(normaliseKey(key)));
    if (it == m_keys.end())
        return false;
    auto& values = it->second.values;
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const auto& entry) { return equalsNoCase(entry.first, name); });
    if (found == values.end())
        return false;
    values.erase(found);
    return true;
}

std::vector<std::string> HiveData::valueNames(std::string_view key) const {
    std::vector<std::string> names;
    auto it = m_keys.find(lowerCopy(normaliseKey(key)));
    if (it != m_keys.end())
        for (const auto& entry : it->second.values)
            names.push_back(entry.first);
    return names;
}

std::vector<std::string> HiveData::subkeys(std::string_view key) const {
    const std::string lower = lowerCopy(normaliseKey(key));
    const std::string prefix = lower.empty() ? std::string() : lower + '\\';
    std::vector<std::string> children;
    for (auto it = m_keys.lower_bound(prefix); it != m_keys.end(); ++it) {
        if (!it->first.starts_with(prefix))
            break;
        if (it->first.size() == prefix.size() ||
            it->first.find('\\', prefix.size()) != std::string::npos)
            continue;
        children.push_back(it->second.name.substr(prefix.size()));
    }
    return children;
}

} // namespace pixelon

#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pixelon {

// A registry value: a 32-bit number, a string or binary data.
using RegistryValue = std::variant<std::uint32_t, std::string, std::vector<std::uint8_t>>;

// The keys of one hive. Key paths use backslashes ("Software\\Kivo Norvane\\Vistrel\\Settings");
// key and value names compare without regard to case. The value name "" is the key's default.
class HiveData {
public:
    bool hasKey(std::string_view key) const;
    void createKey(std::string_view key);
    bool deleteKey(std::string_view key); // with its subkeys
    std::optional<RegistryValue> value(std::string_view key, std::string_view name) const;
    void setValue(std::string_view key, std::string_view name, RegistryValue v); // creates the key
    bool deleteValue(std::string_view key, std::string_view name);
    std::vector<std::string> valueNames(std::string_view key) const;
    std::vector<std::string> subkeys(std::string_view key) const; // direct children, stored case

    // The Windows registry export format, rooted at `rootName` ("HKEY_CURRENT_USER"); these two
    // are in RegistryText.cpp, which builds on the members above and nothing else.
    std::string toRegText(std::string_view rootName) const;
    // Parses that format; malformed lines are skipped. Returns false when the header is missing.
    static bool fromRegText(std::string_view text, std::string_view rootName, HiveData& out);

private:
    struct Key {
        std::string name;                                          // as first written
        std::vector<std::pair<std::string, RegistryValue>> values; // in write order
    };
    std::map<std::string, Key> m_keys; // by lower-case path
};

} // namespace pixelon

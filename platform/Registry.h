#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pixelon {

enum class Hive { CurrentUser, LocalMachine };

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

    // The Windows registry export format, rooted at `rootName` ("HKEY_CURRENT_USER").
    std::string toRegText(std::string_view rootName) const;
    // Parses that format; malformed lines are skipped. Returns false when the header is missing.
    static bool fromRegText(std::string_view text, std::string_view rootName, HiveData& out);

private:
    struct Key {
        std::string name; // as first written
        std::vector<std::pair<std::string, RegistryValue>> values; // in write order
    };
    std::map<std::string, Key> m_keys; // by lower-case path
};

// The two hives, each kept in a text file. Every write re-reads the file under an exclusive
// lock, applies the change and replaces the file atomically, so concurrent writers never lose
// each other's values. A write that fails (a machine hive a normal user cannot write) returns
// false and changes nothing.
class Registry {
public:
    Registry(std::filesystem::path userHive, std::filesystem::path machineHive);

    // $PIXELON_REGISTRY_DIR/{user,machine}.reg when set; else $XDG_CONFIG_HOME/pixelon/user.reg
    // and /var/lib/pixelon/machine.reg.
    static Registry fromEnvironment();
    // The process-wide registry, made by fromEnvironment on first use.
    static Registry& instance();

    const std::filesystem::path& path(Hive hive) const;

    std::optional<std::uint32_t> readDword(Hive hive, std::string_view key, std::string_view name) const;
    std::optional<std::string> readString(Hive hive, std::string_view key, std::string_view name) const;
    std::optional<std::vector<std::uint8_t>> readBinary(Hive hive, std::string_view key,
                                                        std::string_view name) const;
    bool keyExists(Hive hive, std::string_view key) const;
    HiveData load(Hive hive) const; // a snapshot of the whole hive

    bool writeDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t value);
    bool writeString(Hive hive, std::string_view key, std::string_view name, std::string_view value);
    bool writeBinary(Hive hive, std::string_view key, std::string_view name,
                     std::vector<std::uint8_t> value);
    bool createKey(Hive hive, std::string_view key);
    bool deleteValue(Hive hive, std::string_view key, std::string_view name);
    bool deleteKey(Hive hive, std::string_view key);

    // Several changes in one locked read-modify-write.
    bool update(Hive hive, const std::function<void(HiveData&)>& change);

private:
    std::filesystem::path m_user;
    std::filesystem::path m_machine;
};

} // namespace pixelon

#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HiveData.h"

namespace pixelon {

enum class Hive { CurrentUser, LocalMachine };

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

    std::optional<std::uint32_t> readDword(Hive hive, std::string_view key,
                                           std::string_view name) const;
    std::optional<std::string> readString(Hive hive, std::string_view key,
                                          std::string_view name) const;
    std::optional<std::vector<std::uint8_t>> readBinary(Hive hive, std::string_view key,
                                                        std::string_view name) const;
    bool keyExists(Hive hive, std::string_view key) const;
    HiveData load(Hive hive) const; // a snapshot of the whole hive

    bool writeDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t value);
    bool writeString(Hive hive, std::string_view key, std::string_view name,
                     std::string_view value);
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

#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon::cli {

// A command-line failure: the message goes to standard error and the exit status is 1.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments of one subcommand. Options take a value ("--id 5", "--id=5", "-o OUT"); flags
// take none. Everything else is positional. Unknown options are a UsageError.
class Args {
public:
    Args(std::span<const std::string> args, std::vector<std::string> valueOptions,
         std::vector<std::string> flags = {});

    bool help() const { return m_help; }
    const std::vector<std::string>& positional() const { return m_positional; }
    std::optional<std::string> value(std::string_view option) const;
    std::vector<std::string> values(std::string_view option) const; // every occurrence, in order
    bool flag(std::string_view flag) const;

    std::string required(std::string_view option) const;
    int requiredInteger(std::string_view option) const;
    int integer(std::string_view option, int fallback) const; // decimal, or 0x hexadecimal
    std::optional<int> integer(std::string_view option) const;

private:
    bool m_help = false;
    std::vector<std::string> m_positional;
    std::vector<std::pair<std::string, std::string>> m_values;
    std::vector<std::string> m_flags;
};

int parseInteger(std::string_view text, std::string_view what);

} // namespace pixelon::cli

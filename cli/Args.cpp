#include "cli/Args.h"

#include <algorithm>
#include <charconv>

namespace pixelon::cli {

Args::Args(std::span<const std::string> args, std::vector<std::string> valueOptions,
           std::vector<std::string> flags) {
    auto known = [](const std::vector<std::string>& list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // "-3" is a negative number (a shift up, an offset), not an option: no option starts
        // with a digit.
        const bool negativeNumber = a.size() >= 2 && a[0] == '-' && a[1] >= '0' && a[1] <= '9';
        if (onlyPositional || a.size() < 2 || a[0] != '-' || negativeNumber) {
            m_positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            m_help = true;
            continue;
        }
        std::string name = a, inlineValue;
        bool hasInline = false;
        if (auto eq = a.find('='); eq != std::string::npos && a.starts_with("--")) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
            hasInline = true;
        }
        if (known(valueOptions, name)) {
            if (hasInline) {
                m_values.emplace_back(name, inlineValue);
            } else if (i + 1 < args.size()) {
                m_values.emplace_back(name, args[++i]);
            } else {
                throw UsageError("Option " + name + " needs a value");
            }
        } else if (known(flags, name) && !hasInline) {
            m_flags.push_back(name);
        } else {
            throw UsageError("Unknown option " + a + " (see --help)");
        }
    }
}

std::optional<std::string> Args::value(std::string_view option) const {
    std::optional<std::string> found;
    for (const auto& [name, v] : m_values)
        if (name == option)
            found = v;
    return found;
}

std::vector<std::string> Args::values(std::string_view option) const {
    std::vector<std::string> found;
    for (const auto& [name, v] : m_values)
        if (name == option)
            found.push_back(v);
    return found;
}

bool Args::flag(std::string_view flag) const {
    return std::find(m_flags.begin(), m_flags.end(), flag) != m_flags.end();
}

std::string Args::required(std::string_view option) const {
    auto v = value(option);
    if (!v)
        throw UsageError("Option " + std::string(option) + " is required (see --help)");
    return *v;
}

int Args::requiredInteger(std::string_view option) const {
    return parseInteger(required(option), option);
}

std::optional<int> Args::integer(std::string_view option) const {
    auto v = value(option);
    if (!v)
        return std::nullopt;
    return parseInteger(*v, option);
}

int Args::integer(std::string_view option, int fallback) const {
    return integer(option).value_or(fallback);
}

int parseInteger(std::string_view text, std::string_view what) {
    int base = 10;
    std::string_view digits = text;
    bool negative = false;
    if (digits.starts_with('-')) {
        negative = true;
        digits.remove_prefix(1);
    }
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    long long value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
        value > 0x7FFFFFFF)
        throw UsageError("Not a number for " + std::string(what) + ": " + std::string(text));
    return int(negative ? -value : value);
}

} // namespace pixelon::cli

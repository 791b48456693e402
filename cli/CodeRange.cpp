#include "cli/CodeRange.h"

#include <charconv>
#include <string>

#include "cli/Args.h"

namespace pixelon::cli {

int parseHexCode(std::string_view text, std::string_view what) {
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X"))
        digits.remove_prefix(2);
    int value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    // from_chars takes a minus sign: "-2" is no code.
    if (digits.empty() || digits.size() > 4 || digits.front() == '-' || ec != std::errc() ||
        end != digits.data() + digits.size())
        throw UsageError("Not a hexadecimal code for " + std::string(what) + ": " +
                         std::string(text));
    return value;
}

std::optional<std::pair<int, int>> codeRangeOption(const Args& args) {
    const auto range = args.value("--range");
    const auto single = args.value("--single");
    if (range && single)
        throw UsageError("Give either --range or --single, not both");
    if (single) {
        const int code = parseHexCode(*single, "--single");
        return std::make_pair(code, code);
    }
    if (!range)
        return std::nullopt;
    const std::size_t dash = range->find('-');
    if (dash == std::string::npos)
        throw UsageError("--range takes FIRST-LAST, for example 20-FF");
    return std::make_pair(parseHexCode(std::string_view(*range).substr(0, dash), "--range"),
                          parseHexCode(std::string_view(*range).substr(dash + 1), "--range"));
}

} // namespace pixelon::cli

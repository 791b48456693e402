#pragma once

#include <optional>
#include <string_view>
#include <utility>

namespace pixelon::cli {

class Args;

// A character code in hexadecimal (1 to 4 digits, an optional 0x); UsageError otherwise.
int parseHexCode(std::string_view text, std::string_view what);

// The codes of "--range FIRST-LAST" or "--single CODE" (hexadecimal), when either is given.
std::optional<std::pair<int, int>> codeRangeOption(const Args& args);

} // namespace pixelon::cli

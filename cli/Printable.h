#pragma once

#include <string>
#include <string_view>

namespace pixelon::cli {

// `text` with control characters (other than line feed and tab), DEL and bytes that are not
// part of valid UTF-8 written as \xNN, and a backslash as \\ so the escapes stay unambiguous.
std::string printable(std::string_view text);

} // namespace pixelon::cli

#pragma once

#include <string>
#include <string_view>

namespace pixelon {

// The code points of UTF-8 text; malformed bytes stand for themselves.
std::u32string decodeUtf8(std::string_view text);

} // namespace pixelon

#pragma once

#include <optional>
#include <string_view>

#include "phone/PhoneTypes.h"

namespace pixelon {

// Reads up to `count` integers separated by single commas from `pos` (as "%d,%d,%d" would:
// white space may precede a number, none may precede a comma). Returns how many were read.
int readIntegers(std::string_view text, std::size_t pos, int count, int* out);

// The phone's transfer buffer size: the decimal number after the first "EDAW: "; none when
// the text or the number is missing or the number is not positive.
std::optional<int> ParseEdawBufferSize(std::string_view reply);

enum class EsupResult { NotEsup, Failed, Success };

// Parses an AT*ESUP=? reply into `sizes`. A three-application reply sets the reply-format
// mode to 2 and `threeApplications`.
EsupResult ParseEsupReply(std::string_view reply, ApplicationSizes& sizes, bool& threeApplications);

// True when `reply` names one of the wallpaper models with the larger Kinetto screen.
bool IsLargeWallpaperModel(std::string_view reply);

} // namespace pixelon

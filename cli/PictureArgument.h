#pragma once

#include <optional>
#include <string>

#include "core/Portfolio.h"
#include "phone/PhoneTypes.h"

namespace pixelon::cli {

// The picture a command's --id names in the portfolio read from `path`; a usage error naming
// both when the portfolio has none.
CPicture& pictureById(CPortfolio& portfolio, int id, const std::string& path);

// The --app-type argument of export and phone: 0, 1, 2, the short names Kto, BaP, EMS or the
// words kinetto, background, ems (any case). Kinetto when absent, as the window starts.
ApplicationType applicationArgument(const std::optional<std::string>& text);

// A --size argument "WxH" with both sides 1 or more.
PreviewSize sizeArgument(const std::string& option, const std::string& text);

} // namespace pixelon::cli

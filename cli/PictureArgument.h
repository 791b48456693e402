#pragma once

#include <string>

#include "core/Portfolio.h"

namespace pixelon::cli {

// The picture a command's --id names in the portfolio read from `path`; a usage error naming
// both when the portfolio has none.
CPicture& pictureById(CPortfolio& portfolio, int id, const std::string& path);

} // namespace pixelon::cli

#pragma once

#include <string>

#include "cli/Args.h"
#include "cli/Report.h"

namespace pixelon {
class CPortfolio;
class Feedback;
} // namespace pixelon

namespace pixelon::cli {

// Reads the portfolio the command works on; false after the reader said why on stderr. With
// `mayCreate`, a missing file gives a new empty portfolio named "MyPortfolio".
bool readWorkPortfolio(CPortfolio& portfolio, const std::string& path, CliFeedback& feedback,
                       bool mayCreate = false);
// Saves the result to -o OUT when given, else back to `path`; a failed write leaves the old
// file as it was. False when the write failed.
bool saveWorkPortfolio(CPortfolio& portfolio, const Args& args, const std::string& path,
                       CliFeedback& feedback);
// A picture ID argument: decimal, or hexadecimal after 0x; 0..65535.
int parseIdArgument(const std::string& text, const char* what);

} // namespace pixelon::cli

#pragma once

#include <stdexcept>
#include <string>

namespace pixelon {

// A codec loader's failure: the input is not a file of its format, or is damaged beyond use.
class EFatalError : public std::runtime_error {
public:
    explicit EFatalError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace pixelon

#pragma once

#include <stdexcept>
#include <string>

namespace pixelon {

// A failure inside file reading or writing, carrying the message shown to the user.
class EString : public std::runtime_error {
public:
    explicit EString(const std::string& message) : std::runtime_error(message) {}
};

} // namespace pixelon

#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace pixelon {

class CPortfolio;
class Feedback;

// The name the Check Unicodes command shows in its messages.
inline constexpr std::string_view CheckUnicodesName = "resource";

// IDs used by more than one picture, in ascending order.
std::vector<int> DuplicateIds(std::span<const int> ids);
std::vector<int> DuplicateIds(const CPortfolio& portfolio);

// Warns once per duplicated ID (exclamation icon), naming `name`; with `reportSuccess` and no
// duplicate, says how many IDs were checked (information icon). True when no ID is duplicated.
bool CheckDuplicateIds(std::span<const int> ids, std::string_view name, Feedback& feedback,
                       bool reportSuccess);
bool CheckDuplicateIds(const CPortfolio& portfolio, std::string_view name, Feedback& feedback,
                       bool reportSuccess);

} // namespace pixelon

#pragma once

#include <cstddef>
#include <span>
#include <string>
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

// How many duplicate IDs the warning lists; the rest are counted on its last line.
inline constexpr std::size_t DuplicateIdsListed = 24;

// The warning for the duplicate IDs (ascending): the first named in the full sentence, the
// others listed under it, each as "0041 (00065)", hexadecimal then as the picture list shows it.
// Empty when there is none.
std::string DuplicateIdsText(std::span<const int> duplicates, std::string_view name);

// Warns in one box of every duplicated ID (exclamation icon), naming `name`; with `reportSuccess`
// and no duplicate, says how many IDs were checked (information icon). True when no ID is
// duplicated.
bool CheckDuplicateIds(std::span<const int> ids, std::string_view name, Feedback& feedback,
                       bool reportSuccess);
bool CheckDuplicateIds(const CPortfolio& portfolio, std::string_view name, Feedback& feedback,
                       bool reportSuccess);

} // namespace pixelon

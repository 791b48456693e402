#include "operations/DuplicateCheck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

std::vector<int> idsOf(const CPortfolio& portfolio) {
    std::vector<int> ids;
    ids.reserve(portfolio.m_pictures.size());
    for (const auto& picture : portfolio.m_pictures)
        ids.push_back(picture->m_nId);
    return ids;
}

} // namespace

std::vector<int> DuplicateIds(const CPortfolio& portfolio) {
    return DuplicateIds(idsOf(portfolio));
}

std::vector<int> DuplicateIds(std::span<const int> ids) {
    std::array<unsigned char, 65536> uses{};
    for (int id : ids) {
        unsigned char& count = uses[std::size_t(id) & 0xFFFF];
        if (count < 2)
            ++count;
    }
    std::vector<int> duplicates;
    for (int id = 0; id < int(uses.size()); ++id)
        if (uses[std::size_t(id)] > 1)
            duplicates.push_back(id);
    return duplicates;
}

bool CheckDuplicateIds(const CPortfolio& portfolio, std::string_view name, Feedback& feedback,
                       bool reportSuccess) {
    return CheckDuplicateIds(idsOf(portfolio), name, feedback, reportSuccess);
}

std::string DuplicateIdsText(std::span<const int> duplicates, std::string_view name) {
    std::string text;
    if (duplicates.empty())
        return text;
    // Each ID in the file's hexadecimal form and in the list's decimal form.
    auto both = [](int id) {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "%04X (%05d)", unsigned(id), id);
        return std::string(buffer);
    };
    text = "WARNING!\n\n\tDuplicate Portfolio IDs defined in " + std::string(name) +
           ".\n\tPlease Change Portfolio ID of one of the Pictures with #: " + both(duplicates[0]);
    const std::size_t shown = std::min(duplicates.size(), DuplicateIdsListed);
    for (std::size_t i = 1; i < shown; ++i)
        text += "\n\t#: " + both(duplicates[i]);
    if (duplicates.size() > shown)
        text += "\n\tand " + std::to_string(duplicates.size() - shown) + " more duplicate IDs.";
    return text;
}

bool CheckDuplicateIds(std::span<const int> ids, std::string_view name, Feedback& feedback,
                       bool reportSuccess) {
    const std::vector<int> duplicates = DuplicateIds(ids);
    // One box for all of them: a box per ID would have to be dismissed once per duplicate.
    if (!duplicates.empty())
        feedback.message(DuplicateIdsText(duplicates, name), MessageIcon::Exclamation);
    else if (reportSuccess)
        feedback.message("Portfolio OK.\n\n\tNo Duplicate Portfolio IDs found in " +
                             std::string(name) + ".\n\t" + std::to_string(ids.size()) +
                             " Portfolio IDs checked.",
                         MessageIcon::Information);
    return duplicates.empty();
}

} // namespace pixelon

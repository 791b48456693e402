#include "operations/DuplicateCheck.h"

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

bool CheckDuplicateIds(std::span<const int> ids, std::string_view name, Feedback& feedback,
                       bool reportSuccess) {
    const std::string shownName(name);
    std::vector<int> duplicates = DuplicateIds(ids);
    for (int id : duplicates) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", unsigned(id));
        feedback.message(
            "WARNING!\n\n\tDuplicate Portfolio IDs defined in " + shownName +
                ".\n\tPlease Change Portfolio ID of one of the Pictures with #: " + hex,
            MessageIcon::Exclamation);
    }
    if (duplicates.empty() && reportSuccess)
        feedback.message("Portfolio OK.\n\n\tNo Duplicate Portfolio IDs found in " + shownName +
                             ".\n\t" + std::to_string(ids.size()) + " Portfolio IDs checked.",
                         MessageIcon::Information);
    return duplicates.empty();
}

} // namespace pixelon

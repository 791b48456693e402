#pragma once
// Portfolios described by their picture IDs, for the tests of numbering, import and merge.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Ids.h"

namespace pixelon::test {

// Adds a 2 x 2 picture for each ID; its first pixel holds the ID, which tells the pictures
// apart after a renumbering.
inline void addIds(CPortfolio& portfolio, std::initializer_list<int> ids) {
    for (int id : ids) {
        auto p = std::make_unique<CPicture>();
        p->Create(2, 2, id);
        p->SetPixel(0, 0, std::uint16_t(id));
        AddPicture(portfolio, std::move(p));
    }
}

// The IDs of the portfolio's pictures, in their order.
inline std::vector<int> idsOf(const CPortfolio& portfolio) {
    std::vector<int> ids;
    for (const auto& p : portfolio.m_pictures)
        ids.push_back(p->m_nId);
    return ids;
}

} // namespace pixelon::test

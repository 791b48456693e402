#include "core/Portfolio.h"

#include <algorithm>
#include <utility>

namespace pixelon {

CPicture* CPortfolio::FindPicture(int id) {
    return const_cast<CPicture*>(std::as_const(*this).FindPicture(id));
}

const CPicture* CPortfolio::FindPicture(int id) const {
    for (const auto& picture : m_pictures)
        if (picture && picture->m_nId == id)
            return picture.get();
    return nullptr;
}

int CPortfolio::DeletePictures(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    int deleted = 0;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (*it < 0 || *it >= Count())
            continue;
        const int id = Picture(*it).m_nId;
        m_pictures.erase(m_pictures.begin() + *it);
        RemoveFramesShowing(m_animations, id);
        ++deleted;
    }
    return deleted;
}

void CPortfolio::DeleteAllPictures() {
    m_pictures.clear();
}

int CPortfolio::InsertSorted(std::unique_ptr<CPicture> picture) {
    auto at = m_pictures.begin();
    while (at != m_pictures.end() && (*at)->m_nId <= picture->m_nId)
        ++at;
    int index = int(at - m_pictures.begin());
    m_pictures.insert(at, std::move(picture));
    return index;
}

void CPortfolio::InsertAt(std::unique_ptr<CPicture> picture, int index) {
    index = std::clamp(index, 0, Count());
    m_pictures.insert(m_pictures.begin() + index, std::move(picture));
}

void CPortfolio::SortById() {
    // Equal IDs keep their order, as the passes of moving a picture behind a smaller successor do.
    std::stable_sort(m_pictures.begin(), m_pictures.end(),
                     [](const auto& a, const auto& b) { return a->m_nId < b->m_nId; });
}

} // namespace pixelon

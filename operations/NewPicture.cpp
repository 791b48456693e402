#include "operations/NewPicture.h"

#include "core/Document.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/Ids.h"

namespace pixelon {

NewPictureModel::NewPictureModel(const CPortfolio& portfolio, int caret) {
    if (portfolio.Count() == 0) {
        m_id = IdText(1);
        return;
    }
    const int line = caret >= 0 && caret < portfolio.Count() ? caret : portfolio.Count() - 1;
    const CPicture& p = portfolio.Picture(line);
    m_id = IdText(NextFreeId(portfolio, p.m_nId));
    m_width = p.m_nWidth;
    m_height = p.m_nHeight;
}

std::optional<std::string> NewPictureModel::validate() const {
    if (!ParseIdField(m_id))
        return rangeMessage(0, MaxPictureId);
    if (m_width < 1 || m_width > MaxWidth)
        return rangeMessage(1, MaxWidth);
    if (m_height < 1 || m_height > MaxHeight)
        return rangeMessage(1, MaxHeight);
    return {};
}

std::unique_ptr<CPicture> NewPictureModel::create() const {
    if (validate())
        return nullptr;
    // The dialog's own limits (1300 x 1360) hold, beyond what Create clamps to: the reader
    // takes back every size a picture record can hold.
    auto picture = std::make_unique<CPicture>();
    picture->m_nId = *ParseIdField(m_id);
    picture->m_nWidth = m_width;
    picture->m_nHeight = m_height;
    if (!picture->ResizeStorage() || picture->m_pixels.empty())
        return nullptr;
    for (int y = 0; y < picture->m_nHeight; ++y)
        for (int x = 0; x < picture->m_nWidth; ++x)
            picture->SetPixel(x, y, 3);
    picture->m_nDepth = 1;
    return picture;
}

} // namespace pixelon

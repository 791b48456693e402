#include "editing/TextFont.h"

#include <algorithm>

#include "core/Portfolio.h"
#include "core/Utf8.h"

namespace pixelon {

GlyphFont::GlyphFont(std::shared_ptr<const CPortfolio> portfolio)
    : m_portfolio(std::move(portfolio)) {}

namespace {

const CPicture* glyphOf(const CPortfolio& portfolio, char32_t cp) {
    for (const auto& picture : portfolio.m_pictures)
        if (picture && char32_t(picture->m_nId) == cp)
            return picture.get();
    return nullptr;
}

} // namespace

Surface GlyphFont::renderWord(std::string_view word) const {
    if (!m_portfolio)
        return {};
    const std::u32string codes = decodeUtf8(word);
    int width = 0;
    const int spacing = std::max(m_portfolio->m_nSpacing, 0);
    std::vector<const CPicture*> glyphs;
    for (char32_t cp : codes)
        if (const CPicture* g = glyphOf(*m_portfolio, cp)) {
            width += (glyphs.empty() ? 0 : spacing) + g->m_nWidth;
            glyphs.push_back(g);
        }
    if (glyphs.empty())
        return {};
    Surface ink(width, lineHeight(), 0x00FFFFFF);
    int x = 0;
    for (const CPicture* g : glyphs) {
        g->DrawInk(
            ink, [](int, int) { return Colour(0); }, x, 0);
        x += g->m_nWidth + spacing;
    }
    return ink;
}

int GlyphFont::blankWidth() const {
    if (!m_portfolio)
        return 0;
    if (const CPicture* blank = glyphOf(*m_portfolio, U' '))
        return blank->m_nWidth + std::max(m_portfolio->m_nSpacing, 0);
    return std::max(m_portfolio->m_nSpacing, 1);
}

int GlyphFont::lineHeight() const {
    if (!m_portfolio)
        return 1;
    int h = m_portfolio->m_nHeight;
    for (const auto& picture : m_portfolio->m_pictures)
        if (picture)
            h = std::max(h, picture->m_nHeight);
    return std::max(h, 1);
}

} // namespace pixelon

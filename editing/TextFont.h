#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "core/Utf8.h"

#include "platform/Surface.h"

namespace pixelon {

class CPortfolio;

// Where the text tool's letters come from. A word is rendered as a surface whose black (0)
// pixels are ink; everything else is background and is not drawn.
class TextFont {
public:
    virtual ~TextFont() = default;
    virtual Surface renderWord(std::string_view word) const = 0;
    virtual int blankWidth() const = 0;
    virtual int lineHeight() const = 0;
    // A font with its own colour (a system font chosen with a colour) draws in it; others
    // draw with the text's brush.
    virtual std::optional<Colour> colour() const { return {}; }
};

// A portfolio of glyphs used as a font: each character is the picture whose ID is its code
// point, placed with the portfolio's character spacing. Characters without a glyph are skipped.
class GlyphFont : public TextFont {
public:
    explicit GlyphFont(std::shared_ptr<const CPortfolio> portfolio);
    Surface renderWord(std::string_view word) const override;
    int blankWidth() const override;
    int lineHeight() const override;

private:
    std::shared_ptr<const CPortfolio> m_portfolio;
};

} // namespace pixelon

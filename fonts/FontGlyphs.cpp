#include "fonts/FontGlyphs.h"

#include <algorithm>
#include <memory>

#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/BdfImport.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon {

std::vector<int> CharacterSetChoice::codes() const {
    int first = ParseHexField(single ? singleCode : rangeFirst) & 0xFF;
    int last = single ? first : ParseHexField(rangeLast) & 0xFF;
    std::vector<int> out;
    for (int code = first; code <= last; ++code)
        out.push_back(code);
    return out;
}

int TenthsDigit(std::string_view field) {
    if (field.empty())
        return 0;
    const char c = field.front();
    if (c >= '0' && c <= '9')
        return c - '0';
    return c > '9' ? 9 : 0;
}

std::string ChosenPointSizeText(int tenthsOfPoint) {
    return "Font Point-Size you've chosen: " + std::to_string(tenthsOfPoint / 10);
}

std::string PixelHeightText(int tenthsOfPoint, int dotsPerInch) {
    return "The resultant Font Height in Pixel size is about: " +
           std::to_string(tenthsOfPoint * dotsPerInch / 72 / 10) + " + 3";
}

int GlyphWidth(const Surface& drawn, int advance, bool italic, std::uint8_t character) {
    if (!italic || character == ' ')
        return advance;
    for (int x = 2 * advance - 1; x >= 1; --x)
        for (int y = 0; y < drawn.height(); ++y)
            if (drawn.pixel(x, y) < InkThreshold)
                return x + 1;
    return 1;
}

Surface DrawCharacter(const GlyphRenderer& renderer, std::uint8_t character, Colour colour) {
    const int advance = std::max(renderer.advance(character), 0);
    const int height = std::max(renderer.height(), 0);
    // At least one column, so that the narrowest picture can still be taken from it.
    Surface surface(std::max(2 * advance, 1), height, rgb(255, 255, 255));
    renderer.draw(surface, character, colour);
    return surface;
}

int InsertFontCharacters(CPortfolio& portfolio, const GlyphRenderer& renderer,
                         const std::vector<int>& codes, Colour colour, Feedback& feedback,
                         const std::function<void(int, int)>& measured) {
    ProgressWindow& progress = feedback.progress();
    progress.Open("Processing", "Inserting font...", 0, int(codes.size()));
    int added = 0;
    for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
        const auto character = std::uint8_t(*it);
        const int advance = std::max(renderer.advance(character), 0);
        const int height = std::max(renderer.height(), 0);
        if (measured)
            measured(advance, height);
        const Surface drawn = DrawCharacter(renderer, character, colour);
        const int width = GlyphWidth(drawn, advance, renderer.italic(), character);
        auto picture = std::make_unique<CPicture>();
        picture->Create(width, height, character);
        picture->GrabFrom(drawn, *CurrentMap);
        AddPicture(portfolio, std::move(picture));
        ++added;
        progress.Step(added);
    }
    progress.Close();
    return added;
}

} // namespace pixelon

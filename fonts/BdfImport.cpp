#include "fonts/BdfImport.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "platform/Feedback.h"
#include "platform/HexDigit.h"

namespace pixelon {

namespace {

std::string hex4(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", unsigned(code));
    return text;
}

// Places new pictures as one AddPicture each would (after every picture of an equal or lower
// ID, in their own order), in one pass rather than a search of the list per picture.
void addInOrder(CPortfolio& portfolio, std::vector<std::unique_ptr<CPicture>> added) {
    auto byId = [](const auto& a, const auto& b) { return a->m_nId < b->m_nId; };
    // A font in code order, the common case, needs no sort.
    if (!std::is_sorted(added.begin(), added.end(), byId))
        std::stable_sort(added.begin(), added.end(), byId);
    auto& pictures = portfolio.m_pictures;
    const auto middle = std::ptrdiff_t(pictures.size());
    pictures.insert(pictures.end(), std::make_move_iterator(added.begin()),
                    std::make_move_iterator(added.end()));
    std::inplace_merge(pictures.begin(), pictures.begin() + middle, pictures.end(), byId);
}

} // namespace

std::pair<int, int> BdfImportChoice::codes() const {
    if (singleGlyph) {
        const int code = ParseHexField(singleCode);
        return {code, code};
    }
    return {ParseHexField(rangeFirst), ParseHexField(rangeLast)};
}

BdfImportChoice ProposeBdfImport(const CBDF& font) {
    BdfImportChoice choice;
    choice.rangeFirst = hex4(font.m_nLowestCode);
    choice.rangeLast = hex4(font.m_nHighestCode);
    choice.globalHeightEnabled = font.m_nBoxWidth != 0;
    return choice;
}

int ParseHexField(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    long long value = 0;
    for (; at < text.size(); ++at) {
        const int digit = hexDigitValue(text[at]);
        if (digit < 0)
            break;
        value = std::min<long long>(value * 16 + digit, 0x7FFFFFFF);
    }
    return int(value);
}

bool LoadBdfFont(CBDF& font, const std::filesystem::path& path, Feedback& feedback,
                 std::string* failure) {
    ProgressWindow& progress = feedback.progress();
    constexpr int Steps = 1000;
    progress.Open("Parsing BDF file...", "", 0, Steps);
    int flags = 0;
    const bool read = font.ParseFile(
        path, flags,
        [&progress](std::size_t done, std::size_t total) {
            progress.Step(total ? int(double(done) / double(total) * Steps) : Steps);
        },
        failure);
    progress.Close();
    if (!read) {
        if (!failure)
            feedback.message(BdfOpenFailedText, MessageIcon::Stop);
        return false;
    }
    if (std::string_view warning = BdfWarningText(flags); !warning.empty())
        feedback.message(warning, MessageIcon::None);
    return true;
}

BdfImportResult ImportBdfGlyphs(const CBDF& font, CPortfolio& portfolio, int first, int last,
                                bool useGlobalHeight, ProgressWindow& progress) {
    BdfImportResult result;
    std::vector<std::unique_ptr<CPicture>> added;
    progress.Open("Importing glyphs...", "", 0, font.GlyphCount());
    for (int i = 0; i < font.GlyphCount(); ++i) {
        progress.Step(i + 1);
        const BdfGlyph* glyph = font.Glyph(i);
        if (!glyph || glyph->code < first || glyph->code > last)
            continue;
        auto picture = std::make_unique<CPicture>();
        if (font.GlyphToPicture(i, *picture, useGlobalHeight)) {
            result.last = picture.get();
            added.push_back(std::move(picture));
        }
    }
    result.added = int(added.size());
    addInOrder(portfolio, std::move(added));
    progress.Close();
    return result;
}

} // namespace pixelon

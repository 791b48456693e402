#include "fonts/FntExport.h"

#include <algorithm>
#include <map>
#include <vector>

#include "core/AppSettings.h"
#include "core/EString.h"
#include "core/Portfolio.h"
#include "operations/DuplicateCheck.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr FntCharset charsetOf(int fontType) {
    return fontType == 1 ? FntCharset::Oem : fontType == 2 ? FntCharset::Default : FntCharset::Ansi;
}

// The duplicate check over a list of pictures: a portfolio of stand-ins that carry only IDs.
bool noDuplicates(std::span<const CPicture* const> source, std::string_view name,
                  Feedback& feedback) {
    std::vector<int> ids;
    ids.reserve(source.size());
    for (const CPicture* p : source)
        ids.push_back(p->m_nId);
    return CheckDuplicateIds(ids, name, feedback, false);
}

// The dialog's flags the settings keep between exports, each paired with its setting.
template <class State, class Settings, class Each>
void eachKeptFlag(State& s, Settings& settings, Each each) {
    each(s.bold, settings.m_bDefaultWinFontBold);
    each(s.italic, settings.m_bDefaultWinFontItalic);
    each(s.underline, settings.m_bDefaultWinFontUnderline);
    each(s.strikeout, settings.m_bDefaultWinFontStrikeout);
    each(s.fixedWidth, settings.m_bDefaultWinFontFixed);
    each(s.preserve, settings.m_bDefaultWinFontPreserve20toFF);
}

} // namespace

FntOptions FntExportState::options() const {
    FntOptions o;
    o.faceName = fontName;
    o.bold = bold;
    o.italic = italic;
    o.underline = underline;
    o.strikeout = strikeout;
    o.fixedWidth = fixedWidth;
    o.preserveCodes = preserve;
    o.charset = charsetOf(fontType);
    o.heightLimit = heightLimit;
    return o;
}

std::string ProposeFntFileName(std::string_view path, std::string_view portfolioName) {
    if (path.empty())
        return std::string(portfolioName.empty() ? "font" : portfolioName) + ".fnt";
    // Only the last name's extension goes: a dot in a folder name stays.
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        path = path.substr(0, dot);
    return std::string(path) + ".fnt";
}

int MostFrequentHeight(std::span<const CPicture* const> pictures) {
    std::map<int, int> counts;
    for (const CPicture* p : pictures)
        ++counts[p->m_nHeight];
    int best = 0, bestCount = 0;
    for (const auto& [height, count] : counts)
        if (count > bestCount) {
            best = height;
            bestCount = count;
        }
    return best;
}

std::vector<const CPicture*> FntSource(const CPortfolio& portfolio, std::span<const int> selected,
                                       bool all) {
    std::vector<const CPicture*> source;
    if (all) {
        for (int i = 0; i < std::min(portfolio.Count(), FntSourceLimit); ++i)
            source.push_back(&portfolio.Picture(i));
        return source;
    }
    std::vector<int> lines(selected.begin(), selected.end());
    std::sort(lines.begin(), lines.end());
    for (int i : lines)
        if (i >= 0 && i < portfolio.Count())
            source.push_back(&portfolio.Picture(i));
    return source;
}

FntExportState ProposeFntExport(const CPortfolio& portfolio, std::string_view path,
                                std::span<const int> selected, const CAppSettings& settings) {
    FntExportState s;
    s.fileName = ProposeFntFileName(path, portfolio.m_strName);
    s.fontName = portfolio.m_strName;
    eachKeptFlag(s, settings, [](bool& field, const bool& kept) { field = kept; });
    s.fontType = std::clamp(settings.m_nDefaultWinFontType, 0, 2);

    const int count = int(selected.size());
    s.exportAll = count < 2;
    const std::vector<const CPicture*> source = FntSource(portfolio, selected, s.exportAll);
    for (const CPicture* p : source)
        s.maximumHeight = std::max(s.maximumHeight, p->m_nHeight);
    s.medianHeight = MostFrequentHeight(source);
    s.heightLimit = std::max(s.maximumHeight, 1);
    s.selectionEnabled = count > 0;
    if (count > 0)
        s.selectionCaption =
            "Selection (" + std::to_string(count) + " image" + (count != 1 ? "s)" : ")");
    return s;
}

void StoreFntOptions(const FntExportState& s, CAppSettings& settings) {
    eachKeptFlag(s, settings, [](const bool& field, bool& kept) { kept = field; });
    settings.m_nDefaultWinFontType = std::clamp(s.fontType, 0, 2);
}

bool ExportWindowsFont(const CPortfolio& portfolio, std::span<const int> selected,
                       const FntExportState& state, Feedback& feedback) {
    const std::vector<const CPicture*> source = FntSource(portfolio, selected, state.exportAll);
    // An empty source has no font height and no average width to write.
    if (source.empty() ||
        !noDuplicates(source, state.exportAll ? "resource" : "selection", feedback)) {
        feedback.message(FntNotGeneratedText, MessageIcon::Information);
        return false;
    }
    if (auto refusal = FntRefusal(source, state.options(), portfolio.m_nAscent)) {
        feedback.message(*refusal + "\n" + FntNotGeneratedText, MessageIcon::Stop);
        return false;
    }
    try {
        WriteFntFile(state.fileName, source, state.options(), portfolio.m_nAscent);
    } catch (const EString& e) {
        feedback.message(std::string("Unable to save file.\n") + e.what(), MessageIcon::Stop);
        return false;
    }
    return true;
}

} // namespace pixelon

#include "fonts/FontCommands.h"

#include "core/Document.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "platform/Feedback.h"
#include "platform/FileFeedback.h"

namespace pixelon {

FontCommandResult RunBdfImport(CPortfolio& portfolio, FileChooser& chooser, FontDialogs& dialogs,
                               Feedback& feedback) {
    FileRequest request;
    request.filter = BdfFileFilter;
    const std::optional<FileAnswer> answer = chooser.chooseOpen(request);
    if (!answer || answer->paths.empty())
        return {};
    CBDF font;
    // The window names the file that could not be read.
    FileFeedback named(feedback, answer->paths.front());
    if (!LoadBdfFont(font, answer->paths.front(), named))
        return {};
    const std::optional<BdfImportChoice> choice = dialogs.importBdf(ProposeBdfImport(font));
    if (!choice)
        return {};
    const auto [first, last] = choice->codes();
    const BdfImportResult result =
        ImportBdfGlyphs(font, portfolio, first, last, choice->globalHeight(), feedback.progress());
    return {result.added, result.last};
}

FontCommandResult RunWindowsFontImport(CPortfolio& portfolio, FontDialogs& dialogs,
                                       Feedback& feedback) {
    std::optional<ChosenFont> chosen = dialogs.chooseFont();
    if (!chosen)
        return {};
    const std::optional<CharacterSetChoice> characters =
        dialogs.chooseCharacters(chosen->font.tenthsOfPoint, dialogs.dotsPerInch());
    if (!characters)
        return {};
    chosen->font.tenthsOfPoint += TenthsDigit(characters->tenths);
    const std::unique_ptr<GlyphRenderer> renderer = dialogs.renderer(chosen->font);
    const std::vector<int> codes = characters->codes();
    FontCommandResult result;
    result.added = InsertFontCharacters(portfolio, *renderer, codes, chosen->colour, feedback);
    // The first code is drawn last, so its picture is the one left selected.
    if (result.added > 0)
        for (const auto& picture : portfolio.m_pictures)
            if (picture->m_nId == codes.front())
                result.select = picture.get();
    return result;
}

bool RunFntExport(const CPortfolio& portfolio, const std::string& path,
                  std::span<const int> selected, CAppSettings& settings, FontDialogs& dialogs,
                  Feedback& feedback) {
    const std::optional<FntExportState> state =
        dialogs.exportFnt(ProposeFntExport(portfolio, path, selected, settings));
    if (!state)
        return false;
    StoreFntOptions(*state, settings);
    return ExportWindowsFont(portfolio, selected, *state, feedback);
}

} // namespace pixelon

// pixelon fnt: a portfolio's glyphs as a Windows raster font.

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "fonts/FntExport.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon fnt PORTFOLIO -o OUT.fnt [--name NAME] [--bold] [--italic]
                   [--underline] [--strikeout] [--fixed] [--preserve]
                   [--charset ansi|oem|default] [--height N] [--ids LIST]

Writes the glyphs of a portfolio as a Windows raster font (FNT, version 3.00)
with the 224 characters 0x20 to 0xFF. Each picture fills one character, its
black pixels as ink; characters no picture fills show a hollow box. Without
--ids the first 224 pictures are taken. A portfolio whose pictures share an ID
is refused ("Windows FNT file not generated.").

  -o OUT.fnt         the font file to write
  --name NAME        the face name in the file (default: the portfolio's name)
  --bold, --italic, --underline, --strikeout
                     the font's style flags (bold: weight 700, else 400)
  --fixed            a fixed-pitch font: every character as wide as the widest
  --preserve         pictures with IDs 0x20 to 0xFF keep their ID as character
                     code; the others fill the free characters in order
  --charset C        ansi (0, the default), oem (255) or default (1)
  --height N         crop the font to N pixel rows (default: the tallest
                     picture's height)
  --ids LIST         only the pictures with these IDs (comma-separated,
                     decimal or 0x hexadecimal), in ID order
)";

int charsetType(const std::string& name) {
    if (name == "ansi")
        return 0;
    if (name == "oem")
        return 1;
    if (name == "default")
        return 2;
    throw UsageError("--charset takes ansi, oem or default, not " + name);
}

// The list indices of the pictures whose IDs the list names.
std::vector<int> picturesWithIds(const CPortfolio& portfolio, const std::string& list) {
    std::set<int> ids;
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');)
        if (!item.empty())
            ids.insert(parseInteger(item, "--ids"));
    std::vector<int> indices;
    for (int i = 0; i < portfolio.Count(); ++i)
        if (ids.count(portfolio.Picture(i).m_nId))
            indices.push_back(i);
    return indices;
}

} // namespace

int runFnt(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--name", "--charset", "--height", "--ids"},
                {"--bold", "--italic", "--underline", "--strikeout", "--fixed", "--preserve"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio (see --help)");
    const std::string out = parsed.required("-o");

    ConsoleFeedback feedback;
    CPortfolio portfolio;
    if (!portfolio.ReadFile(parsed.positional()[0], feedback)) {
        std::fprintf(stderr, "pixelon fnt: %s not read\n", parsed.positional()[0].c_str());
        return 1;
    }
    std::vector<int> selected;
    if (auto ids = parsed.value("--ids")) {
        selected = picturesWithIds(portfolio, *ids);
        if (selected.empty())
            throw UsageError("No picture has any of the IDs " + *ids);
    }
    FntExportState state = ProposeFntExport(portfolio, "", selected, CAppSettings());
    state.fileName = out;
    state.fontName = parsed.value("--name").value_or(portfolio.m_strName);
    state.bold = parsed.flag("--bold");
    state.italic = parsed.flag("--italic");
    state.underline = parsed.flag("--underline");
    state.strikeout = parsed.flag("--strikeout");
    state.fixedWidth = parsed.flag("--fixed");
    state.preserve = parsed.flag("--preserve");
    state.fontType = charsetType(parsed.value("--charset").value_or("ansi"));
    state.exportAll = !parsed.value("--ids");
    state.heightLimit = 0; // the tallest picture of what is exported
    if (auto height = parsed.integer("--height")) {
        if (*height < 1)
            throw UsageError("--height must be at least 1");
        state.heightLimit = *height;
    }
    if (!ExportWindowsFont(portfolio, selected, state, feedback))
        return 1;
    std::printf("%s written from %d pictures\n", out.c_str(),
                int(FntSource(portfolio, selected, state.exportAll).size()));
    return 0;
}

} // namespace pixelon::cli

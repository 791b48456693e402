// bench-links: fonts core platform Freetype::Freetype
// GNU Unifont (pcf2bdf of xfonts-unifont's PCF file, about 57,000 glyphs): parsing, importing
// every glyph into a portfolio and saving it, beside FreeType loading every glyph of the same
// BDF file.
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "fonts/BdfImport.h"
#include "platform/Feedback.h"

namespace {

using namespace pixelon;

const std::filesystem::path Folder = std::filesystem::temp_directory_path() / "pixelon-fonts-bench";
const std::filesystem::path UnifontBdf = Folder / "unifont.bdf";

// The converted font, made once per run.
const std::string& unifontText() {
    static const std::string text = [] {
        std::filesystem::create_directories(Folder);
        if (!std::filesystem::exists(UnifontBdf)) {
            const std::string command =
                "pcf2bdf -o '" + UnifontBdf.string() + "' /usr/share/fonts/X11/misc/unifont.pcf.gz";
            if (std::system(command.c_str()) != 0)
                return std::string();
        }
        std::ifstream in(UnifontBdf, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return text;
}

bool haveUnifont(benchmark::State& state) {
    if (unifontText().empty()) {
        state.SkipWithError("pcf2bdf or xfonts-unifont is not installed");
        return false;
    }
    return true;
}

void BM_BdfParse(benchmark::State& state) {
    if (!haveUnifont(state))
        return;
    for (auto _ : state) {
        CBDF font;
        int flags = 0;
        benchmark::DoNotOptimize(font.Parse(unifontText(), flags));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(unifontText().size()));
}
BENCHMARK(BM_BdfParse)->Unit(benchmark::kMillisecond);

void BM_BdfParseAndImport(benchmark::State& state) {
    if (!haveUnifont(state))
        return;
    RecordingFeedback feedback;
    for (auto _ : state) {
        CBDF font;
        int flags = 0;
        font.Parse(unifontText(), flags);
        CPortfolio portfolio;
        const BdfImportResult result =
            ImportBdfGlyphs(font, portfolio, 0, 0xFFFF, false, feedback.progress());
        state.counters["glyphs"] = result.added;
        feedback.clear();
    }
}
BENCHMARK(BM_BdfParseAndImport)->Unit(benchmark::kMillisecond);

void BM_ImportedPortfolioSave(benchmark::State& state) {
    if (!haveUnifont(state))
        return;
    RecordingFeedback feedback;
    CBDF font;
    int flags = 0;
    font.Parse(unifontText(), flags);
    CPortfolio portfolio;
    portfolio.m_strName = "Unifont";
    ImportBdfGlyphs(font, portfolio, 0, 0xFFFF, false, feedback.progress());
    const auto path = Folder / "unifont.pfo";
    for (auto _ : state) {
        if (!portfolio.WriteFile(path, feedback))
            state.SkipWithError("the portfolio could not be written");
        feedback.clear();
    }
}
BENCHMARK(BM_ImportedPortfolioSave)->Unit(benchmark::kMillisecond);

void BM_FreeTypeLoadEveryGlyph(benchmark::State& state) {
    if (!haveUnifont(state))
        return;
    FT_Library library;
    FT_Init_FreeType(&library);
    for (auto _ : state) {
        FT_Face face;
        if (FT_New_Face(library, UnifontBdf.c_str(), 0, &face) != 0) {
            state.SkipWithError("FreeType cannot open the font");
            break;
        }
        for (FT_Long i = 0; i < face->num_glyphs; ++i)
            FT_Load_Glyph(face, FT_UInt(i), FT_LOAD_DEFAULT);
        state.counters["glyphs"] = double(face->num_glyphs);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeLoadEveryGlyph)->Unit(benchmark::kMillisecond);

} // namespace

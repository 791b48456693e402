// fuzz-links: fonts core platform
// A BDF file read as the bdf command reads it: from a file, with the bounds of the reader, then
// every glyph of the proposed range imported into a portfolio that is written to memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/EString.h"
#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "fonts/Bdf.h"
#include "fonts/BdfImport.h"
#include "platform/Feedback.h"

namespace {

// One file for the whole run, rewritten for every input.
const std::string& scratchPath() {
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_bdf_file.XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 18)
        return 0;
    const std::string& path = scratchPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();

    using namespace pixelon;
    RecordingFeedback feedback;
    CBDF font;
    std::string failure;
    const bool read = LoadBdfFont(font, path, feedback, &failure);
    // A file is refused with a reason, or read; a refused one leaves nothing behind.
    if (read != failure.empty() || (!read && font.GlyphCount() != 0))
        __builtin_trap();
    if (!read)
        return 0;
    // Glyphs without bitmaps cost the text a few bytes and a picture up to the largest size:
    // keep the pictures of one input within the fuzzer's memory.
    std::uint64_t pixels = 0;
    for (int i = 0; i < font.GlyphCount(); ++i)
        if (const BdfGlyph* glyph = font.Glyph(i))
            pixels += std::uint64_t(std::max(glyph->bbxWidth, 1)) *
                      std::uint64_t(std::max({glyph->bbxHeight, font.m_nBoxHeight, 1}));
    if (pixels > std::uint64_t(1) << 24)
        return 0;
    const BdfImportChoice proposal = ProposeBdfImport(font);
    const auto [first, last] = proposal.codes();
    for (bool global : {false, true}) {
        CPortfolio portfolio;
        const BdfImportResult result =
            ImportBdfGlyphs(font, portfolio, first, last, global, feedback.progress());
        if (result.added != portfolio.Count() || result.added > font.GlyphCount())
            __builtin_trap();
        for (int i = 1; i < portfolio.Count(); ++i)
            if (portfolio.Picture(i - 1).m_nId > portfolio.Picture(i).m_nId)
                __builtin_trap();
        LineWriter out;
        try {
            portfolio.WriteTo(out, "fuzz.pfo");
        } catch (const EString&) {
            // A picture the writer refuses is reported, not written; that is no fault here.
        }
    }
    return 0;
}

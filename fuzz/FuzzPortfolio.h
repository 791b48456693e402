#pragma once
// What the harnesses that start from a portfolio file share: reading the input as the file's
// text, and putting back the global colour map that drawing and encoding switch.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Colours.h"
#include "core/LineReader.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::fuzz {

inline std::string_view bytesAsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Reads `text` as the content of a portfolio file named "fuzz.pfo".
inline void readFuzzPortfolio(std::string_view text, CPortfolio& folio, Feedback& feedback) {
    LineReader reader(text);
    folio.ReadFrom(reader, text.size(), "fuzz.pfo", feedback);
}

// Restores the colour map on leaving an input, so that one input cannot change how the next is
// drawn and a crash always reproduces from its input alone.
class ColourMapGuard {
public:
    ColourMapGuard() = default;
    ColourMapGuard(const ColourMapGuard&) = delete;
    ColourMapGuard& operator=(const ColourMapGuard&) = delete;
    ~ColourMapGuard() { CurrentMap = m_saved; }

private:
    const PaletteMap* m_saved = CurrentMap;
};

// A portfolio read from fuzz input with what the reader reported; the colour map goes back as
// it was when this goes out of scope.
struct FuzzPortfolio {
    explicit FuzzPortfolio(std::string_view text) { readFuzzPortfolio(text, folio, feedback); }

    ColourMapGuard colourMap; // first, so that it is restored last
    CPortfolio folio;
    RecordingFeedback feedback;
};

} // namespace pixelon::fuzz

// fuzz-links: core platform
// Feeds bytes to the portfolio reader as a file's text, then writes what was read back out.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/EString.h"
#include "core/LineReader.h"
#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader's pixel budget grows with the input, as it does with a file's length.
    if (size > (std::size_t(64) << 20))
        return 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CPortfolio folio;
    RecordingFeedback feedback;
    LineReader reader(text);
    folio.ReadFrom(reader, size, "fuzz.pfo", feedback);
    if (feedback.messages().empty() && folio.Count() == 0)
        __builtin_trap(); // a read ends in success with a warning, or in failure with a message

    // Whatever was read must write out again without fault.
    LineWriter writer;
    try {
        folio.WriteTo(writer, "fuzz.pfo");
    } catch (const EString&) {
        // The notes watchdog is a legitimate write failure.
    }
    CurrentMap = &DirectMap;
    return 0;
}

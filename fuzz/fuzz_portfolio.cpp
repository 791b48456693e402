// fuzz-links: core platform
// Feeds bytes to the portfolio reader as a file's text, then writes what was read back out.

#include <cstddef>
#include <cstdint>

#include "core/EString.h"
#include "core/LineWriter.h"
#include "fuzz/FuzzPortfolio.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader's pixel budget grows with the input, as it does with a file's length.
    if (size > (std::size_t(64) << 20))
        return 0;
    fuzz::FuzzPortfolio input(fuzz::bytesAsText(data, size));
    CPortfolio& folio = input.folio;
    if (input.feedback.messages().empty() && folio.Count() == 0)
        __builtin_trap(); // a read ends in success with a warning, or in failure with a message

    // Whatever was read must write out again without fault.
    LineWriter writer;
    try {
        folio.WriteTo(writer, "fuzz.pfo");
    } catch (const EString&) {
        // The notes watchdog is a legitimate write failure.
    }
    return 0;
}

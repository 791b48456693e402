// fuzz-links: verrin_core platform
// Parameter strings split into words, and debug texts made into viewer lines.

#include "installer/DebugChannel.h"
#include "platform/Process.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 20000) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t total = 0;
    for (const auto& word : pixelon::splitCommandLine(text)) {
        total += word.size();
    }
    // Words only ever drop blanks, quotes and escaping backslashes.
    if (total > size) {
        std::abort();
    }

    const int level = size > 0 ? data[0] % 4 : 0;
    const std::string line =
        pixelon::formatDebugLine("VerrinDLL", level == 3 ? pixelon::kRawLine : level, 0xbeef, text);
    const std::string raw = pixelon::formatDebugLine("VerrinDLL", pixelon::kRawLine, 1, text);
    if (raw.size() >= pixelon::kMaxDebugText || raw.empty() || raw.back() != '\n' ||
        line.size() < raw.size()) {
        std::abort();
    }
    return 0;
}

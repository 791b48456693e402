// fuzz-links: core platform
// The "--range FIRST-LAST" and "--single CODE" options of the font commands on arbitrary
// words: each gives codes of 0 to 0xFFFF or a UsageError.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The parsers are part of the pixelon program, not of a library, so they are compiled in here.
#include "cli/Args.cpp"
#include "cli/CodeRange.cpp"

using namespace pixelon::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 12)
        return 0;
    // The first byte picks the option; the rest is its value, or words split at NUL bytes.
    if (size < 1)
        return 0;
    std::vector<std::string> args;
    const char* options[] = {"--range", "--single"};
    std::string word;
    args.push_back(options[data[0] & 1]);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(word);
            word.clear();
        } else {
            word.push_back(char(data[i]));
        }
    }
    args.push_back(word);
    try {
        const Args parsed(args, {"--range", "--single"});
        if (const auto codes = codeRangeOption(parsed)) {
            if (codes->first < 0 || codes->first > 0xFFFF || codes->second < 0 ||
                codes->second > 0xFFFF)
                __builtin_trap();
        }
    } catch (const UsageError&) {
    }
    return 0;
}

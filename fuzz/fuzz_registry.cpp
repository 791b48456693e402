// fuzz-links: platform
// Parses arbitrary bytes as a hive file. Whatever was read must write out as text that reads
// back to the same hive, so a value the reader accepts is never changed by the next save.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/Registry.h"

using pixelon::HiveData;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0; // larger inputs only make each run slower
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::string_view root : {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
        HiveData hive;
        if (!HiveData::fromRegText(text, root, hive))
            continue;
        const std::string written = hive.toRegText(root);
        HiveData again;
        if (!HiveData::fromRegText(written, root, again))
            std::abort();
        if (again.toRegText(root) != written)
            std::abort();
    }
    return 0;
}

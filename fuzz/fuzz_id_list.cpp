// fuzz-links: operations codecs editing core platform
// The ID list of `pixelon height --ids` and the ID fields of the dialogs on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Portfolio.h"
#include "operations/Ids.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 12)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto id = pixelon::ParseIdField(text))
        if (*id < 0 || *id > pixelon::MaxPictureId)
            __builtin_trap();
    const auto ranges = pixelon::ParseIdList(text);
    if (!ranges)
        return 0;
    for (const auto& r : *ranges)
        if (r.first < 0 || r.last > pixelon::MaxPictureId || r.last < r.first)
            __builtin_trap();
    pixelon::CPortfolio portfolio;
    for (int id : {0, 1, 300, 65535}) {
        auto picture = std::make_unique<pixelon::CPicture>();
        picture->Create(1, 1, id);
        portfolio.m_pictures.push_back(std::move(picture));
    }
    if (pixelon::IndicesInRanges(portfolio, *ranges).size() > 4)
        __builtin_trap();
    return 0;
}

#pragma once

#include <algorithm>
#include <optional>

namespace pixelon {

// The largest picture an import takes from a file: a file too large for the readers to read
// whole (beyond 16384 a side) gives its top-left part of this size, and only that part is
// decoded.
inline constexpr int ImportCropWidth = 1280;
inline constexpr int ImportCropHeight = 1024;

// The part of a width x height picture that a reader keeps: the whole picture when neither side
// is beyond `maxDimension`; else (`cropped`) its top-left part of at most cropWidth x
// cropHeight, or nothing when no crop was allowed (a crop side of 0).
struct KeptPart {
    long long width = 0;
    long long height = 0;
    bool cropped = false;
};

constexpr std::optional<KeptPart> KeptPartOf(long long width, long long height, int maxDimension,
                                             int cropWidth, int cropHeight) {
    if (width <= maxDimension && height <= maxDimension)
        return KeptPart{width, height, false};
    if (cropWidth <= 0 || cropHeight <= 0)
        return std::nullopt;
    return KeptPart{std::min<long long>(width, cropWidth), std::min<long long>(height, cropHeight),
                    true};
}

} // namespace pixelon

#pragma once

// Decoder state shared by the marker reading and the entropy decoding.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "codecs/JpegDecoder.h"
#include "codecs/JpegHuffman.h"

namespace pixelon::jpeg {

struct FrameComponent {
    int id = 0;
    int h = 1;
    int v = 1;
    int quantTable = 0;
    int dcTable = 0;
    int acTable = 0;
    int blocksWide = 0; // allocated, padded to whole MCUs
    int blocksHigh = 0;
    int usedWide = 0; // blocks that hold the component's own samples
    int usedHigh = 0;
    int outWide = 0;                // blocks that hold samples of the part output
    std::vector<std::int16_t> coef; // 64 a block, natural order, block rows of blocksWide
    bool quantLatched = false;
    std::array<std::uint16_t, 64> quant{};
    int dcPred = 0;

    // While streaming only one MCU row is held, so block rows wrap around it.
    std::int16_t* Block(int bx, int by) {
        return coef.data() +
               (std::size_t(by % blocksHigh) * std::size_t(blocksWide) + std::size_t(bx)) * 64;
    }
};

struct ScanHeader {
    std::vector<int> components; // indices into the frame's components
    int ss = 0;
    int se = 63;
    int ah = 0;
    int al = 0;
};

struct DecodeContext {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    DecodeLimits limits;

    std::array<std::array<std::uint16_t, 64>, 4> quant{};
    std::array<bool, 4> quantDefined{};
    std::array<HuffmanDecodeTable, 4> dcTables{};
    std::array<HuffmanDecodeTable, 4> acTables{};
    int restartInterval = 0;

    bool haveFrame = false;
    bool progressive = false;
    int precision = 8;
    int width = 0;
    int height = 0;
    // The part of the frame that is output: the whole frame, or the top-left part of one
    // beyond the size limits (only when it can be decoded MCU row by MCU row).
    int outWidth = 0;
    int outHeight = 0;
    bool cropped = false;
    std::vector<FrameComponent> components;
    int hMax = 1;
    int vMax = 1;
    int mcusWide = 0;
    int mcusHigh = 0;
    // MCU rows that hold the part output; scans stop after them.
    int mcusHighOut = 0;
    bool coefficientsAllocated = false;
    // A sequential frame whose first scan holds every component is output MCU row by MCU row
    // as it is decoded, holding one row of coefficients; later scans are ignored.
    bool streaming = false;
    int rowsDone = 0;
    std::function<void(int)> onMcuRow;
    int scans = 0;

    int adobeTransform = -1;
    bool jfif = false;
    DecodedImage result;
};

// Decodes the entropy-coded data of one scan starting at ctx.pos, leaving ctx.pos at the
// marker that ends it (or at the end of the data).
void DecodeScan(DecodeContext& ctx, const ScanHeader& scan);

} // namespace pixelon::jpeg

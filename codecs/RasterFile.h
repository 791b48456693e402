#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codecs/BitStream.h"
#include "codecs/ByteReader.h"
#include "platform/Surface.h"

namespace pixelon {

class CPicture;

enum class RasterFormat { Bmp, Wbmp };

struct BmpFileHeader {
    std::uint16_t type = 0x4D42; // "BM"; 0 for a WBMP
    std::uint32_t size = 0;
    std::uint32_t reserved = 0;
    std::uint32_t offset = 0; // of the pixel rows
};

struct BmpInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 bit-field masks
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// The largest width or height a BMP or WBMP may claim.
constexpr int MaxRasterDimension = 16384;
// The most pixels a file may claim, so a small file cannot ask for gigabytes.
constexpr long long MaxRasterPixels = 64LL << 20;

// A BMP or WBMP file being read from memory or written into memory. Reading: ReadHeader, then
// per row ReadRow and Width() times ReadPixel. Writing: WriteHeader, then per row BeginRow,
// Width() times WritePixel and EndRow, then Finish. Failures raise EFatalError.
class RasterFile {
public:
    // For reading `bytes`, which must outlive the object.
    explicit RasterFile(std::span<const std::uint8_t> bytes);
    // For writing a WBMP of the given size.
    static RasterFile CreateWbmp(int width, int height);
    // For writing an 8-bit BMP with a 256-colour palette, rows bottom-up.
    static RasterFile CreateBmp(int width, int height, std::span<const Colour> palette);

    // Lets ReadHeader accept an uncompressed file beyond MaxRasterDimension, of which only the
    // top-left `width` x `height` part will be read.
    void AllowCrop(int width, int height) {
        m_cropWidth = width;
        m_cropHeight = height;
    }
    // Refuses (EFatalError) a header whose uncompressed rows, but for part of the last, are not
    // in the file.
    void ReadHeader();
    // Reads the next row; with `pixels` at 0 or more, only the bytes of its first `pixels`
    // pixels are kept (ReadPixel gives 0 beyond them).
    void ReadRow(int pixels = -1);
    // Passes over the next row without keeping it.
    void SkipRow();
    Colour ReadPixel();

    void WriteHeader();
    void BeginRow();
    void WritePixel(std::uint32_t value);
    void EndRow();
    // Records the file size, writes the header again and hands out the file's bytes.
    std::vector<std::uint8_t> Finish();

    RasterFormat Format() const { return m_format; }
    int Width() const { return m_info.width; }
    int Height() const { return m_info.height < 0 ? -m_info.height : m_info.height; }
    bool TopDown() const { return m_format == RasterFormat::Wbmp || m_info.height < 0; }
    int BitsPerPixel() const { return m_info.bitCount; }
    BmpFileHeader& FileHeader() { return m_file; }
    BmpInfoHeader& Info() { return m_info; }
    const std::vector<Colour>& Palette() const { return m_palette; }

private:
    RasterFile() : m_in(std::span<const std::uint8_t>{}) {}
    void readBmpHeader();
    void readWbmpHeader();
    void decodeRle();
    std::size_t rowBytes() const;
    void checkSize(long long width, long long height, bool canCrop) const;
    void checkRowsFit() const;

    ByteReader m_in;
    RasterFormat m_format = RasterFormat::Bmp;
    BmpFileHeader m_file;
    BmpInfoHeader m_info;
    std::vector<Colour> m_palette;
    std::uint32_t m_masks[3] = {0, 0, 0};
    int m_rightShift[3] = {0, 0, 0};
    int m_leftShift[3] = {0, 0, 0};
    bool m_hasMasks = false;
    int m_cropWidth = 0;
    int m_cropHeight = 0;

    std::vector<std::uint8_t> m_row;
    std::optional<BitReader> m_rowReader;
    std::vector<std::uint8_t> m_rle; // decoded RLE indices, one byte a pixel, file row order
    int m_rowIndex = 0;

    std::vector<std::uint8_t> m_out;
    std::size_t m_headerEnd = 0;
    std::optional<BitPacker> m_rowWriter;
};

// Reads a BMP or WBMP into a bitmap of its size. Raises EFatalError with the text to show.
// With a crop size, an uncompressed file too large to read whole gives its top-left part of
// that size, and only that part is decoded.
Surface LoadRasterBitmap(const std::filesystem::path& path, int cropWidth = 0, int cropHeight = 0);
Surface LoadRasterBitmap(std::span<const std::uint8_t> bytes, int cropWidth = 0,
                         int cropHeight = 0);

// The picture as a WBMP of its own size, bit 1 (white) for light pixels. Sets CurrentMap to the
// map of the picture's depth. On failure returns false with "Unable to save file.\n" and the
// cause in `failure`; the previous file is kept.
std::vector<std::uint8_t> EncodePictureWbmp(const CPicture& picture);
bool WritePictureWbmp(const CPicture& picture, const std::filesystem::path& path,
                      std::string* failure = nullptr);

// An 8-bit BMP as the program writes them, from palette indices given top row first.
std::vector<std::uint8_t> EncodeBmp8(int width, int height, std::span<const Colour> palette,
                                     std::span<const std::uint8_t> indicesTopDown);

// WBMP multi-byte integers: written with a leading 0x80 group, read in either form.
void WriteMultiByte(std::vector<std::uint8_t>& out, std::uint32_t value);

} // namespace pixelon

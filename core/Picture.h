#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Colours.h"
#include "platform/Surface.h"

namespace pixelon {

class LineReader;
class LineWriter;

// Brushes paint a colour that may depend on the position (half-tone patterns).
using Brush = std::function<Colour(int x, int y)>;

// One picture of a portfolio: 16-bit pixel values (RGB565, or GreyMap indices while m_nDepth is
// 1 or 2) with a per-pixel mask. Create limits new pictures to MaxWidth x MaxHeight; the editor
// and the portfolio file may hold larger ones.
class CPicture {
public:
    static constexpr int MaxWidth = 1280;
    static constexpr int MaxHeight = 1024;
    static constexpr int DepthNotSet = 69;
    // Draw's size limit that takes the picture's own width and height.
    static constexpr int WholePicture = 0x7FFFFFFF;

    CPicture() = default;
    CPicture(const CPicture&) = default;
    CPicture& operator=(const CPicture&) = default;
    virtual ~CPicture() = default;

    int m_nId = 0;
    int m_nStoredDepth = DepthNotSet;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nSaveDepth = 0;
    std::vector<std::uint8_t> m_pixels; // 2 bytes a pixel, high byte first, row-major
    std::vector<std::uint8_t> m_mask;   // 1 byte a pixel: 1 opaque, 0 transparent
    bool m_bMasked = false;             // an Icon: the mask is shown and saved
    int m_nDepth = 1;

    bool Create(int width, int height, int id);
    // Re-allocates both arrays zero-filled for the current size; false when the size is
    // negative or too large to allocate (the arrays are then empty).
    bool ResizeStorage();
    void ClearStorage();
    void CopyFrom(const CPicture& other);

    std::uint16_t GetPixel(int x, int y) const {
        std::size_t at = (std::size_t(x) + std::size_t(y) * std::size_t(m_nWidth)) * 2;
        return std::uint16_t(m_pixels[at] << 8 | m_pixels[at + 1]);
    }
    void SetPixel(int x, int y, std::uint16_t value) {
        std::size_t at = (std::size_t(x) + std::size_t(y) * std::size_t(m_nWidth)) * 2;
        m_pixels[at] = std::uint8_t(value >> 8);
        m_pixels[at + 1] = std::uint8_t(value);
    }
    std::uint8_t GetMask(int x, int y) const {
        return m_mask[std::size_t(x) + std::size_t(y) * std::size_t(m_nWidth)];
    }
    void SetMask(int x, int y, std::uint8_t opaque) {
        m_mask[std::size_t(x) + std::size_t(y) * std::size_t(m_nWidth)] = opaque;
    }

    int GetDepth() const { return m_nDepth; }
    int GetStoredDepth() const { return m_nStoredDepth == DepthNotSet ? m_nDepth : m_nStoredDepth; }
    Rect Bounds() const { return {0, 0, m_nWidth, m_nHeight}; }

    // The smallest depth that represents the picture (0 when empty), without storing it.
    int DepthClass() const;
    int ClassifyDepth() {
        m_nSaveDepth = DepthClass();
        return m_nSaveDepth;
    }
    bool NeedsColour() { return (1 << ClassifyDepth()) > 4; }

    // The pixels of `rect` (default: all) in the packed layout of the target map's depth.
    std::vector<std::uint8_t> Pack(const PaletteMap& sourceMap, const PaletteMap& targetMap,
                                   std::optional<Rect> rect = {}) const;
    // The inverse of Pack, laid out by the source map's depth; marks every written pixel opaque.
    // Bytes missing at the end read as 0.
    void Unpack(const PaletteMap& sourceMap, const PaletteMap& targetMap,
                std::span<const std::uint8_t> bytes, std::optional<Rect> rect = {});
    std::vector<std::uint8_t> PackMask() const;
    void UnpackMask(std::span<const std::uint8_t> bytes);

    // The colour pixel (x, y) shows, without regard to the mask.
    Colour PixelColour(int x, int y) const;

    // Paints the picture at (x, y), at most maxWidth x maxHeight of it; by default the whole
    // picture at its own size, however large.
    void Draw(Surface& dc, int x, int y, int skipValue = -1, int maxWidth = WholePicture,
              int maxHeight = WholePicture, bool showTransparent = false,
              Colour transparentColour = InvalidColour) const;
    void DrawInk(Surface& dc, const Brush& brush, int x, int y) const;
    void GrabFrom(const Surface& dc, const PaletteMap& map = DirectMap, int x = 0, int y = 0,
                  std::optional<Rect> rect = {});

    Surface MakeBitmap(int scale = 1) const;
    void DrawInto(Surface& bitmap, int x = 0, int y = 0) const { Draw(bitmap, x, y); }
    void GrabFromBitmap(const Surface& bitmap, const PaletteMap& map = DirectMap, int x = 0,
                        int y = 0, std::optional<Rect> rect = {}) {
        GrabFrom(bitmap, map, x, y, rect);
    }

    void EnlargeHeight(int top, int bottom);
    void CropHeight(int top, int bottom);

    // The picture's entry of the portfolio file (PortfolioFile.cpp, PortfolioWriter.cpp). An
    // entry of more than `maxPixels` pixels fails before anything is allocated.
    std::string ReadItem(LineReader& file, const std::string& typeLine,
                         std::uint64_t maxPixels = std::uint64_t(1) << 24);
    void WriteItem(LineWriter& file);
};

} // namespace pixelon

#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pixelon {

// A colour value laid out 0x00BBGGRR: red in the low byte, then green, then blue.
using Colour = std::uint32_t;

constexpr Colour rgb(int r, int g, int b) {
    return Colour(r & 0xFF) | Colour(g & 0xFF) << 8 | Colour(b & 0xFF) << 16;
}
constexpr int redOf(Colour c) { return int(c & 0xFF); }
constexpr int greenOf(Colour c) { return int(c >> 8 & 0xFF); }
constexpr int blueOf(Colour c) { return int(c >> 16 & 0xFF); }

// What a read outside a surface returns, as the platform's pixel read does.
constexpr Colour InvalidColour = 0xFFFFFFFF;

// A rectangle with exclusive right and bottom edges.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr Rect intersected(const Rect& o) const {
        Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
               right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
        if (r.empty())
            return {};
        return r;
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A raster of colours: the drawing surface that stands in for a device context with a
// selected bitmap. Reads outside the surface give InvalidColour, writes there are dropped.
class Surface {
public:
    Surface() = default;
    Surface(int width, int height, Colour fill = 0x00FFFFFF);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rect bounds() const { return {0, 0, m_width, m_height}; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    Colour pixel(int x, int y) const {
        return contains(x, y) ? m_pixels[std::size_t(y) * m_width + x] : InvalidColour;
    }
    void setPixel(int x, int y, Colour c) {
        if (contains(x, y))
            m_pixels[std::size_t(y) * m_width + x] = c & 0x00FFFFFF;
    }

    std::span<Colour> row(int y) { return {m_pixels.data() + std::size_t(y) * m_width, std::size_t(m_width)}; }
    std::span<const Colour> row(int y) const {
        return {m_pixels.data() + std::size_t(y) * m_width, std::size_t(m_width)};
    }
    std::span<const Colour> pixels() const { return m_pixels; }
    std::span<Colour> pixels() { return m_pixels; }

    void fill(Colour c);
    void fillRect(Rect r, Colour c);
    // Gives the surface a new size filled with `c`, keeping its storage when it is large
    // enough (a big canvas is then not allocated afresh).
    void reshape(int width, int height, Colour c);

    // Block copy of `src` (clipped to both surfaces) with its top-left corner at (dstX, dstY).
    void copyFrom(const Surface& src, Rect srcRect, int dstX, int dstY);
    void copyFrom(const Surface& src, int dstX, int dstY) { copyFrom(src, src.bounds(), dstX, dstY); }

    // Stretched copy of `srcRect` onto `dstRect`. Enlarging repeats pixels; shrinking ANDs the
    // colours of the source pixels that fall onto one destination pixel, so black survives.
    void stretchFrom(const Surface& src, Rect srcRect, Rect dstRect);

    friend bool operator==(const Surface&, const Surface&) = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Colour> m_pixels;
};

} // namespace pixelon

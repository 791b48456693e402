#include "output/PdfImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

#include "output/PdfDocument.h"
#include "output/RowFilter.h"

namespace pixelon {

namespace {

// The distinct colours of a bitmap while there are at most 256 of them, and each colour's
// place among them.
class ColourTable {
public:
    static constexpr std::size_t Limit = 256;

    explicit ColourTable(const Surface& bitmap) {
        m_keys.fill(Empty);
        Colour last = InvalidColour;
        for (const Colour c : bitmap.pixels()) {
            if (c == last)
                continue;
            last = c;
            if (Find(c) < 0) {
                if (m_colours.size() == Limit) {
                    m_fits = false;
                    return;
                }
                Insert(c);
            }
        }
    }

    bool Fits() const { return m_fits; }
    const std::vector<Colour>& Colours() const { return m_colours; }
    bool AllGrey() const {
        for (const Colour c : m_colours)
            if (redOf(c) != greenOf(c) || greenOf(c) != blueOf(c))
                return false;
        return true;
    }
    int Find(Colour c) const {
        for (std::size_t slot = Hash(c);; slot = (slot + 1) % Slots) {
            if (m_keys[slot] == c)
                return m_index[slot];
            if (m_keys[slot] == Empty)
                return -1;
        }
    }

private:
    static constexpr std::size_t Slots = 1024; // at most a quarter full
    static constexpr std::uint32_t Empty = 0xFFFFFFFF;

    static std::size_t Hash(Colour c) { return (c * 2654435761u) >> 22; }
    void Insert(Colour c) {
        std::size_t slot = Hash(c);
        while (m_keys[slot] != Empty)
            slot = (slot + 1) % Slots;
        m_keys[slot] = c;
        m_index[slot] = std::uint8_t(m_colours.size());
        m_colours.push_back(c);
    }

    std::array<std::uint32_t, Slots> m_keys;
    std::array<std::uint8_t, Slots> m_index{};
    std::vector<Colour> m_colours;
    bool m_fits = true;
};

enum class ImageKind { Indexed, Grey, Rgb };

// How a bitmap's pixels are stored: the kind, its bits a sample, its palette.
struct Layout {
    ImageKind kind = ImageKind::Rgb;
    int bits = 8;
    std::vector<Colour> palette;
    int components() const { return kind == ImageKind::Rgb ? 3 : 1; }
    bool predicted() const { return kind != ImageKind::Indexed; }
};

Layout LayoutOf(const ColourTable& table, const Surface& bitmap) {
    if (!table.Fits())
        return {};
    const std::size_t n = table.Colours().size();
    if (n == 0) // no pixels: a palette still needs a colour
        return {ImageKind::Indexed, 1, {rgb(255, 255, 255)}};
    if (n > 16 && table.AllGrey())
        return {ImageKind::Grey, 8, {}};
    // A palette of nearly as many colours as pixels costs more than the pixels themselves.
    const std::size_t pixels = std::size_t(bitmap.width()) * std::size_t(bitmap.height());
    if (n > 16 && 3 * n + pixels >= 3 * pixels)
        return {};
    const int bits = n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
    return {ImageKind::Indexed, bits, table.Colours()};
}

std::size_t RowBytes(const Surface& bitmap, const Layout& layout) {
    return (std::size_t(bitmap.width()) * std::size_t(layout.bits * layout.components()) + 7) / 8;
}

// The samples of row `y`, packed as the layout says.
void PackRow(const Surface& bitmap, int y, const Layout& layout, const ColourTable& table,
             std::uint8_t* out) {
    const auto row = bitmap.row(y);
    switch (layout.kind) {
    case ImageKind::Rgb:
        for (const Colour c : row) {
            *out++ = std::uint8_t(redOf(c));
            *out++ = std::uint8_t(greenOf(c));
            *out++ = std::uint8_t(blueOf(c));
        }
        return;
    case ImageKind::Grey:
        for (const Colour c : row)
            *out++ = std::uint8_t(redOf(c));
        return;
    case ImageKind::Indexed: {
        const int perByte = 8 / layout.bits;
        std::fill(out, out + RowBytes(bitmap, layout), 0);
        Colour last = InvalidColour; // runs of one colour are looked up once
        int index = 0;
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (row[x] != last) {
                last = row[x];
                index = table.Find(last);
            }
            const int shift = 8 - layout.bits * (int(x % std::size_t(perByte)) + 1);
            out[x / std::size_t(perByte)] |= std::uint8_t(index << shift);
        }
        return;
    }
    }
}

// The samples of the whole bitmap, predicted when `predict` is set.
std::vector<std::uint8_t> Samples(const Surface& bitmap, const Layout& layout,
                                  const ColourTable& table, bool predict) {
    const std::size_t rowBytes = RowBytes(bitmap, layout);
    std::vector<std::uint8_t> out;
    if (!predict) {
        out.resize(rowBytes * std::size_t(bitmap.height()));
        for (int y = 0; y < bitmap.height(); ++y)
            PackRow(bitmap, y, layout, table, out.data() + std::size_t(y) * rowBytes);
        return out;
    }
    out.reserve((rowBytes + 1) * std::size_t(bitmap.height()));
    std::vector<std::uint8_t> previous(rowBytes, 0), current(rowBytes);
    RowFilter filter(std::size_t(layout.components()));
    for (int y = 0; y < bitmap.height(); ++y) {
        PackRow(bitmap, y, layout, table, current.data());
        filter.Append(current, previous, out);
        previous.swap(current);
    }
    return out;
}

std::string HexOf(std::span<const std::uint8_t> bytes) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + bytes.size() / 32 + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(Hex[bytes[i] >> 4]);
        out.push_back(Hex[bytes[i] & 0xF]);
        if (i % 32 == 31)
            out.push_back('\n');
    }
    return out;
}

std::string PaletteHex(const std::vector<Colour>& palette) {
    std::vector<std::uint8_t> bytes;
    for (const Colour c : palette) {
        bytes.push_back(std::uint8_t(redOf(c)));
        bytes.push_back(std::uint8_t(greenOf(c)));
        bytes.push_back(std::uint8_t(blueOf(c)));
    }
    return "<" + HexOf(bytes) + ">";
}

// The colour space as an image object (`brief` false) or an inline image writes it.
std::string ColourSpace(const Layout& layout, bool brief) {
    switch (layout.kind) {
    case ImageKind::Rgb:
        return brief ? "/RGB" : "/DeviceRGB";
    case ImageKind::Grey:
        return brief ? "/G" : "/DeviceGray";
    case ImageKind::Indexed:
        break;
    }
    return std::string(brief ? "[/I /RGB " : "[/Indexed /DeviceRGB ") +
           std::to_string(layout.palette.size() - 1) + " " + PaletteHex(layout.palette) + "]";
}

std::string PredictorParameters(const Surface& bitmap, const Layout& layout) {
    return "<< /Predictor 15 /Colors " + std::to_string(layout.components()) +
           " /BitsPerComponent 8 /Columns " + std::to_string(bitmap.width()) + " >>";
}

// The start of every image object's dictionary.
std::string ImageObjectHead(int width, int height) {
    return "/Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
           std::to_string(height);
}

PdfImage ImageObject(const Surface& bitmap, const ColourTable& table, const Layout& layout,
                     Deflater& deflater) {
    PdfImage image;
    // Predicted rows leave few repeated strings, and runs alone are found fastest; palette
    // samples (glyphs, greys, few colours) repeat whole rows, which only the full search finds.
    deflater.Compress(Samples(bitmap, layout, table, layout.predicted()), image.data,
                      layout.predicted());
    image.entries = ImageObjectHead(bitmap.width(), bitmap.height()) + " /ColorSpace " +
                    ColourSpace(layout, false) + " /BitsPerComponent " +
                    std::to_string(layout.bits) + " /Filter /FlateDecode";
    if (layout.predicted())
        image.entries += " /DecodeParms " + PredictorParameters(bitmap, layout);
    return image;
}

// The inline image, or empty when the raw samples pass the limit of their kind: many-coloured
// pictures go inline only when tiny, as larger ones compress better on their own with their
// rows predicted.
std::string InlineImage(const Surface& bitmap, const ColourTable& table, const Layout& layout) {
    const std::size_t raw = RowBytes(bitmap, layout) * std::size_t(bitmap.height());
    if (raw > (layout.predicted() ? InlineColourLimit : InlineImageLimit))
        return {};
    return "BI /W " + std::to_string(bitmap.width()) + " /H " + std::to_string(bitmap.height()) +
           " /CS " + ColourSpace(layout, true) + " /BPC " + std::to_string(layout.bits) +
           " /F /AHx ID\n" + HexOf(Samples(bitmap, layout, table, false)) + ">\nEI\n";
}

// Not even at a bit a pixel would the bitmap go inline: its colours need not be counted for it.
bool TooLargeToInline(const Surface& bitmap) {
    return std::size_t(bitmap.width()) * std::size_t(bitmap.height()) / 8 > InlineImageLimit;
}

} // namespace

PdfImage EncodeImageObject(const Surface& bitmap, Deflater& deflater) {
    const ColourTable table(bitmap);
    return ImageObject(bitmap, table, LayoutOf(table, bitmap), deflater);
}

std::string EncodeInlineImage(const Surface& bitmap) {
    if (TooLargeToInline(bitmap))
        return {};
    const ColourTable table(bitmap);
    return InlineImage(bitmap, table, LayoutOf(table, bitmap));
}

EncodedBitmap EncodeBitmap(const Surface& bitmap, Deflater& deflater) {
    const ColourTable table(bitmap);
    const Layout layout = LayoutOf(table, bitmap);
    EncodedBitmap encoded;
    if (!TooLargeToInline(bitmap))
        encoded.inlineImage = InlineImage(bitmap, table, layout);
    if (encoded.inlineImage.empty())
        encoded.object = ImageObject(bitmap, table, layout, deflater);
    return encoded;
}

PdfImage EncodeMaskObject(int width, int height, const std::vector<std::uint8_t>& bits,
                          Deflater& deflater) {
    PdfImage image;
    deflater.Compress(bits, image.data);
    image.entries = ImageObjectHead(width, height) +
                    " /ImageMask true /BitsPerComponent 1 /Decode [1 0] /Filter /FlateDecode";
    return image;
}

} // namespace pixelon

#pragma once
// A small reader of PDF images, written from the file format alone so that it can check what
// the writer produces: image object dictionaries and inline images ("BI ... ID ... EI"), the
// Flate and ASCIIHex filters, PNG predictors, DeviceRGB, DeviceGray, Indexed and stencil
// masks at 1, 2, 4 and 8 bits. Plain C++ and zlib, so that the fuzz harness can use it too.

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Surface.h"

namespace pixelon::test {

// A value of a PDF dictionary or array, as far as image dictionaries need.
struct PdfValue {
    enum Kind { Number, Name, Hex, Array, Dict, Keyword } kind = Keyword;
    std::string text; // a name without its slash, a keyword, or a hex string's bytes
    double number = 0;
    std::vector<PdfValue> items;   // an array
    std::vector<std::string> keys; // a dictionary's names, and their values
    std::vector<PdfValue> values;

    const PdfValue* get(std::string_view key) const;
};

inline const PdfValue* PdfValue::get(std::string_view key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &values[i];
    return nullptr;
}

// What a reader found in an image: its pixels, and how they were stored.
struct ReadImage {
    Surface pixels;
    std::string colourSpace; // "DeviceRGB", "DeviceGray", "Indexed" or "Mask"
    int bits = 0;
    int paletteSize = 0;
    bool predicted = false;
    unsigned filtersUsed = 0; // bit n set when a row used PNG filter n
};

namespace detail {

class PdfTokens {
public:
    explicit PdfTokens(std::string_view text) : m_text(text) {}

    std::size_t position() const { return m_at; }

    void skipSpace() {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '%') {
                while (m_at < m_text.size() && m_text[m_at] != '\n' && m_text[m_at] != '\r')
                    ++m_at;
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0) {
                ++m_at;
            } else {
                return;
            }
        }
    }

    // The next value; nothing at the end of the text, on a stray ']' or '>>', or on a fault.
    std::optional<PdfValue> value(int depth = 0) {
        skipSpace();
        if (m_at >= m_text.size() || depth > 16)
            return std::nullopt;
        const char c = m_text[m_at];
        PdfValue v;
        if (c == '/') {
            v.kind = PdfValue::Name;
            v.text = std::string(word(m_at + 1));
        } else if (c == '[') {
            ++m_at;
            v.kind = PdfValue::Array;
            for (;;) {
                skipSpace();
                if (m_at < m_text.size() && m_text[m_at] == ']') {
                    ++m_at;
                    break;
                }
                auto item = value(depth + 1);
                if (!item)
                    return std::nullopt;
                v.items.push_back(std::move(*item));
            }
        } else if (m_text.substr(m_at, 2) == "<<") {
            m_at += 2;
            v.kind = PdfValue::Dict;
            if (!fields(v, ">>", depth))
                return std::nullopt;
        } else if (c == '<') {
            v.kind = PdfValue::Hex;
            const std::size_t end = m_text.find('>', m_at);
            if (end == std::string_view::npos)
                return std::nullopt;
            auto bytes = hexBytes(m_text.substr(m_at + 1, end - m_at - 1));
            if (!bytes)
                return std::nullopt;
            v.text.assign(bytes->begin(), bytes->end());
            m_at = end + 1;
        } else if (c == ']' || c == '>' || c == '(' || c == ')' || c == '{' || c == '}') {
            return std::nullopt;
        } else {
            const std::string_view w = word(m_at);
            if (w.empty())
                return std::nullopt;
            char* end = nullptr;
            const std::string s(w);
            const double number = std::strtod(s.c_str(), &end);
            if (end == s.c_str() + s.size() && (std::isdigit(static_cast<unsigned char>(s[0])) ||
                                                s[0] == '-' || s[0] == '+' || s[0] == '.')) {
                v.kind = PdfValue::Number;
                v.number = number;
            } else {
                v.kind = PdfValue::Keyword;
                v.text = s;
            }
        }
        return v;
    }

    // Name-value pairs up to `end` (">>" for a dictionary, "ID" for an inline image).
    bool fields(PdfValue& dict, std::string_view end, int depth = 0) {
        for (;;) {
            skipSpace();
            if (m_text.substr(m_at, end.size()) == end) {
                m_at += end.size();
                return true;
            }
            auto key = value(depth + 1);
            if (!key || key->kind != PdfValue::Name)
                return false;
            auto item = value(depth + 1);
            if (!item)
                return false;
            dict.keys.push_back(key->text);
            dict.values.push_back(std::move(*item));
        }
    }

    static std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view hex) {
        std::vector<std::uint8_t> out;
        int high = -1;
        for (const char c : hex) {
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0)
                continue;
            else
                return std::nullopt;
            if (high < 0) {
                high = digit;
            } else {
                out.push_back(std::uint8_t(high << 4 | digit));
                high = -1;
            }
        }
        if (high >= 0) // an odd last digit is followed by a zero
            out.push_back(std::uint8_t(high << 4));
        return out;
    }

private:
    std::string_view word(std::size_t from) {
        std::size_t end = from;
        while (end < m_text.size() &&
               std::string_view(" \n\r\t\f/[]<>()%{}").find(m_text[end]) ==
                   std::string_view::npos &&
               m_text[end] != 0)
            ++end;
        const std::string_view w = m_text.substr(from, end - from);
        m_at = end;
        return w;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

// The long name of an abbreviation an inline image may use.
inline std::string longName(const std::string& name) {
    static const std::pair<const char*, const char*> names[] = {
        {"W", "Width"},       {"H", "Height"},
        {"CS", "ColorSpace"}, {"BPC", "BitsPerComponent"},
        {"F", "Filter"},      {"DP", "DecodeParms"},
        {"IM", "ImageMask"},  {"D", "Decode"},
        {"I", "Indexed"},     {"RGB", "DeviceRGB"},
        {"G", "DeviceGray"},  {"AHx", "ASCIIHexDecode"},
        {"Fl", "FlateDecode"}};
    for (const auto& [brief, full] : names)
        if (name == brief)
            return full;
    return name;
}

inline void expandNames(PdfValue& v) {
    if (v.kind == PdfValue::Name)
        v.text = longName(v.text);
    for (PdfValue& item : v.items)
        expandNames(item);
    for (std::string& key : v.keys)
        key = longName(key);
    for (PdfValue& item : v.values)
        expandNames(item);
}

// At most `limit` bytes inflated from one zlib stream; nothing when the stream is damaged,
// longer than `limit` or followed by anything.
inline std::optional<std::vector<std::uint8_t>> inflateAll(std::span<const std::uint8_t> data,
                                                           std::size_t limit) {
    z_stream s{};
    if (inflateInit(&s) != Z_OK)
        return std::nullopt;
    std::vector<std::uint8_t> out(limit + 1);
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = uInt(data.size());
    s.next_out = out.data();
    s.avail_out = uInt(out.size());
    const int status = inflate(&s, Z_FINISH);
    const std::size_t produced = out.size() - s.avail_out;
    const bool whole = status == Z_STREAM_END && s.avail_in == 0 && produced <= limit;
    inflateEnd(&s);
    if (!whole)
        return std::nullopt;
    out.resize(produced);
    return out;
}

// Undoes PNG row filters: each row is a filter byte and `rowBytes` bytes.
inline std::optional<std::vector<std::uint8_t>> unpredict(const std::vector<std::uint8_t>& data,
                                                          std::size_t rowBytes, std::size_t rows,
                                                          std::size_t pixelBytes,
                                                          unsigned& filtersUsed) {
    if (data.size() != (rowBytes + 1) * rows)
        return std::nullopt;
    std::vector<std::uint8_t> out(rowBytes * rows);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t filter = data[y * (rowBytes + 1)];
        if (filter < 5)
            filtersUsed |= 1u << filter;
        const std::uint8_t* in = &data[y * (rowBytes + 1) + 1];
        std::uint8_t* row = out.data() + y * rowBytes;
        const std::uint8_t* up = y > 0 ? row - rowBytes : nullptr;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= pixelBytes ? row[i - pixelBytes] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= pixelBytes ? up[i - pixelBytes] : 0;
            int predicted;
            switch (filter) {
            case 0:
                predicted = 0;
                break;
            case 1:
                predicted = a;
                break;
            case 2:
                predicted = b;
                break;
            case 3:
                predicted = (a + b) >> 1;
                break;
            case 4: {
                const int p = a + b - c;
                const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                break;
            }
            default:
                return std::nullopt;
            }
            row[i] = std::uint8_t(in[i] + predicted);
        }
    }
    return out;
}

inline double numberOr(const PdfValue* v, double fallback) {
    return v && v->kind == PdfValue::Number ? v->number : fallback;
}

// The pixels of an image whose dictionary is `dict` (long names) and whose encoded data is
// `data`; nothing when anything about it is wrong.
inline std::optional<ReadImage> readImage(const PdfValue& dict,
                                          std::span<const std::uint8_t> data) {
    const double w = numberOr(dict.get("Width"), -1), h = numberOr(dict.get("Height"), -1);
    if (w < 1 || h < 1 || w > 1 << 20 || h > 1 << 20 || w * h > 1 << 26 || w != int(w) ||
        h != int(h))
        return std::nullopt;
    const int width = int(w), height = int(h);
    ReadImage image;
    const PdfValue* mask = dict.get("ImageMask");
    const bool stencil = mask && mask->kind == PdfValue::Keyword && mask->text == "true";
    image.bits = int(numberOr(dict.get("BitsPerComponent"), stencil ? 1 : -1));
    if (image.bits != 1 && image.bits != 2 && image.bits != 4 && image.bits != 8)
        return std::nullopt;

    // The colour space: components a pixel, and the palette of an indexed one.
    int components = 1;
    std::string palette;
    int hival = -1;
    if (stencil) {
        if (image.bits != 1 || dict.get("ColorSpace"))
            return std::nullopt;
        image.colourSpace = "Mask";
    } else {
        const PdfValue* space = dict.get("ColorSpace");
        if (!space)
            return std::nullopt;
        if (space->kind == PdfValue::Name && space->text == "DeviceRGB") {
            components = 3;
        } else if (space->kind == PdfValue::Name && space->text == "DeviceGray") {
        } else if (space->kind == PdfValue::Array && space->items.size() == 4 &&
                   space->items[0].text == "Indexed" && space->items[1].text == "DeviceRGB" &&
                   space->items[2].kind == PdfValue::Number &&
                   space->items[3].kind == PdfValue::Hex) {
            hival = int(space->items[2].number);
            palette = space->items[3].text;
            if (hival < 0 || hival > 255 || palette.size() < std::size_t(hival + 1) * 3 ||
                hival >= 1 << image.bits)
                return std::nullopt;
            image.paletteSize = hival + 1;
        } else {
            return std::nullopt;
        }
        image.colourSpace = space->kind == PdfValue::Name ? space->text : "Indexed";
        if (hival < 0 && image.bits != 8)
            return std::nullopt; // the writer only stores direct colours at 8 bits
    }

    // The filters, in order.
    std::vector<std::string> filters;
    if (const PdfValue* f = dict.get("Filter")) {
        if (f->kind == PdfValue::Name)
            filters.push_back(f->text);
        for (const PdfValue& item : f->items)
            filters.push_back(item.text);
    }
    const std::size_t rowBytes =
        (std::size_t(width) * std::size_t(components * image.bits) + 7) / 8;
    const std::size_t rawSize = rowBytes * std::size_t(height);
    std::vector<std::uint8_t> bytes(data.begin(), data.end());
    for (const std::string& filter : filters) {
        if (filter == "ASCIIHexDecode") {
            const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            const std::size_t end = text.find('>');
            if (end == std::string_view::npos ||
                text.find_first_not_of(" \n\r\t\f", end + 1) != std::string_view::npos)
                return std::nullopt;
            auto decoded = PdfTokens::hexBytes(text.substr(0, end));
            if (!decoded)
                return std::nullopt;
            bytes = std::move(*decoded);
        } else if (filter == "FlateDecode") {
            auto inflated = inflateAll(bytes, rawSize + std::size_t(height));
            if (!inflated)
                return std::nullopt;
            bytes = std::move(*inflated);
        } else {
            return std::nullopt;
        }
    }
    if (const PdfValue* parms = dict.get("DecodeParms")) {
        const int predictor = int(numberOr(parms->get("Predictor"), 1));
        if (predictor >= 10) {
            if (numberOr(parms->get("Colors"), 1) != components ||
                numberOr(parms->get("BitsPerComponent"), 8) != image.bits ||
                numberOr(parms->get("Columns"), 1) != width)
                return std::nullopt;
            auto plain =
                unpredict(bytes, rowBytes, std::size_t(height),
                          std::max<std::size_t>(1, std::size_t(components * image.bits / 8)),
                          image.filtersUsed);
            if (!plain)
                return std::nullopt;
            bytes = std::move(*plain);
            image.predicted = true;
        } else if (predictor != 1) {
            return std::nullopt;
        }
    }
    if (bytes.size() != rawSize)
        return std::nullopt;

    // Paint is black in a stencil where a sample, after the decode array, is 0.
    bool paintOnes = false;
    if (stencil) {
        if (const PdfValue* decode = dict.get("Decode")) {
            if (decode->items.size() != 2)
                return std::nullopt;
            paintOnes = decode->items[0].number == 1 && decode->items[1].number == 0;
        }
    }
    image.pixels = Surface(width, height, 0);
    const auto sample = [&](const std::uint8_t* row, std::size_t index) {
        const std::size_t bit = index * std::size_t(image.bits);
        const int shift = 8 - image.bits - int(bit % 8);
        return (row[bit / 8] >> shift) & ((1 << image.bits) - 1);
    };
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + std::size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            Colour c;
            if (stencil) {
                c = (sample(row, std::size_t(x)) == 1) == paintOnes ? rgb(0, 0, 0)
                                                                    : rgb(255, 255, 255);
            } else if (hival >= 0) {
                const int i = sample(row, std::size_t(x));
                if (i > hival)
                    return std::nullopt;
                const auto p = [&](int k) {
                    return static_cast<unsigned char>(palette[std::size_t(i * 3 + k)]);
                };
                c = rgb(p(0), p(1), p(2));
            } else if (components == 3) {
                c = rgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
            } else {
                c = rgb(row[x], row[x], row[x]);
            }
            image.pixels.setPixel(x, y, c);
        }
    }
    return image;
}

} // namespace detail

// An image object: `entries` is its dictionary's contents (without "<<" and ">>" or the
// length) and `data` its stream. Nothing when it is not an image or cannot be read.
inline std::optional<ReadImage> ReadImageObject(std::string_view entries,
                                                std::span<const std::uint8_t> data) {
    const std::string text = std::string(entries) + " >>";
    detail::PdfTokens reader(text);
    PdfValue dict;
    dict.kind = PdfValue::Dict;
    if (!reader.fields(dict, ">>"))
        return std::nullopt;
    reader.skipSpace();
    if (reader.position() != text.size())
        return std::nullopt;
    const PdfValue* type = dict.get("Type");
    const PdfValue* subtype = dict.get("Subtype");
    if (!type || type->text != "XObject" || !subtype || subtype->text != "Image")
        return std::nullopt;
    return detail::readImage(dict, data);
}

// An inline image, "BI <entries> ID <data> EI", as it stands in a content stream. Nothing when
// it is not one or cannot be read.
inline std::optional<ReadImage> ReadInlineImage(std::string_view text) {
    detail::PdfTokens reader(text);
    reader.skipSpace();
    if (text.substr(reader.position(), 2) != "BI")
        return std::nullopt;
    reader.value(); // the "BI"
    PdfValue dict;
    dict.kind = PdfValue::Dict;
    if (!reader.fields(dict, "ID"))
        return std::nullopt;
    detail::expandNames(dict);
    // One white-space byte ends "ID"; the data runs to the "EI" that ends the text.
    std::size_t start = reader.position();
    if (start >= text.size() || !std::isspace(static_cast<unsigned char>(text[start])))
        return std::nullopt;
    ++start;
    std::size_t end = text.size();
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (end < start + 2 || text.substr(end - 2, 2) != "EI")
        return std::nullopt;
    end -= 2;
    if (end <= start || !std::isspace(static_cast<unsigned char>(text[end - 1])))
        return std::nullopt;
    const std::string_view data = text.substr(start, end - start);
    return detail::readImage(dict,
                             {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
}

} // namespace pixelon::test

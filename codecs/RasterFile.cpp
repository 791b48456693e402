#include "codecs/RasterFile.h"

#include <algorithm>
#include <cerrno>

#include "codecs/BitFields.h"
#include "codecs/Errors.h"
#include "codecs/FileBytes.h"
#include "codecs/ImportLimits.h"
#include "core/Colours.h"
#include "core/Picture.h"

namespace pixelon {

namespace {

const char* const UnknownFileType = "Unknown file type";
const char* const UnsupportedDepth = "Unsupported colour depth.\nTry resaving this file with "
                                     "Microsoft Paint program to BMP (256 colors)";
const char* const UnsupportedSize = "Unsupported picture size";
constexpr std::uintmax_t MaxRasterFileSize = std::uintmax_t(256) << 20;

[[noreturn]] void fail(const char* text) {
    throw EFatalError(text);
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}

// The shifts that bring a mask's field to the top of an 8-bit value.
void shiftsOf(std::uint32_t mask, int& right, int& left) {
    const BitField field = BitField::of(mask);
    const int s = field.shift + field.width - 8;
    right = mask != 0 && s > 0 ? s : 0;
    left = mask != 0 && s < 0 ? -s : 0;
}

std::optional<std::uint32_t> readMultiByte(ByteReader& in) {
    std::uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
        auto b = in.U8();
        if (!b)
            return std::nullopt;
        value = value << 7 | (*b & 0x7Fu);
        if (!(*b & 0x80))
            return value;
    }
    return std::nullopt;
}

} // namespace

void WriteMultiByte(std::vector<std::uint8_t>& out, std::uint32_t value) {
    // Start at the first group above all set bits, so every integer begins with one 0x80.
    int n = 7;
    while (n < 32 && (value >> n) != 0)
        n += 7;
    for (int at = n; at >= 7; at -= 7)
        out.push_back(std::uint8_t((at < 32 ? value >> at & 0x7F : 0) | 0x80));
    out.push_back(std::uint8_t(value & 0x7F));
}

RasterFile::RasterFile(std::span<const std::uint8_t> bytes) : m_in(bytes) {}

RasterFile RasterFile::CreateWbmp(int width, int height) {
    RasterFile f;
    f.m_format = RasterFormat::Wbmp;
    f.m_file.type = 0;
    f.m_info.width = width;
    f.m_info.height = height;
    f.m_info.bitCount = 1;
    f.m_palette = {rgb(0, 0, 0), rgb(255, 255, 255)};
    return f;
}

RasterFile RasterFile::CreateBmp(int width, int height, std::span<const Colour> palette) {
    RasterFile f;
    f.m_info.width = width;
    f.m_info.height = height;
    f.m_info.bitCount = 8;
    f.m_info.imageSize = std::uint32_t(width) * std::uint32_t(height);
    f.m_info.xPelsPerMeter = f.m_info.yPelsPerMeter = 2834;
    f.m_info.clrUsed = f.m_info.clrImportant = 256;
    f.m_palette.assign(palette.begin(), palette.end());
    f.m_palette.resize(256, 0);
    return f;
}

void RasterFile::ReadHeader() {
    auto head = m_in.Take(14);
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') {
        m_format = RasterFormat::Bmp;
        ByteReader h(head);
        m_file.type = *h.U16le();
        m_file.size = h.U32le().value_or(0);
        m_file.reserved = h.U32le().value_or(0);
        m_file.offset = h.U32le().value_or(0);
        readBmpHeader();
    } else {
        m_in.Seek(0);
        readWbmpHeader();
    }
}

void RasterFile::readBmpHeader() {
    auto size = m_in.U32le(), width = m_in.U32le(), height = m_in.U32le();
    auto planes = m_in.U16le(), bits = m_in.U16le();
    auto compression = m_in.U32le(), imageSize = m_in.U32le(), xppm = m_in.U32le(),
         yppm = m_in.U32le();
    auto used = m_in.U32le(), important = m_in.U32le();
    if (!important)
        fail(UnknownFileType);
    m_info = {
        *size,      std::int32_t(*width), std::int32_t(*height), *planes, *bits,     *compression,
        *imageSize, std::int32_t(*xppm),  std::int32_t(*yppm),   *used,   *important};
    if (m_info.width <= 0 || m_info.height == 0 || m_info.height == INT32_MIN)
        fail(UnknownFileType);
    const int bpp = m_info.bitCount;
    const bool rle = (m_info.compression == 1 && bpp == 8) || (m_info.compression == 2 && bpp == 4);
    checkSize(m_info.width, Height(), !rle);
    if (bpp != 16 && bpp != 24 && (bpp < 1 || bpp > 8))
        fail(UnsupportedDepth);
    if (m_info.compression != 0 && m_info.compression != 3 && !rle)
        fail(UnknownFileType);
    if (rle && m_info.height < 0)
        fail(UnknownFileType);
    // Later header versions hold the masks in the same place and end further on.
    const std::size_t headerEnd = 14 + std::size_t(std::max<std::uint32_t>(m_info.size, 40));
    if (bpp == 16 && m_info.compression == 3) {
        auto r = m_in.U32le(), g = m_in.U32le(), b = m_in.U32le();
        if (!b)
            fail(UnknownFileType);
        m_masks[0] = *r;
        m_masks[1] = *g;
        m_masks[2] = *b;
        for (int c = 0; c < 3; ++c)
            shiftsOf(m_masks[c], m_rightShift[c], m_leftShift[c]);
        m_hasMasks = true;
    }
    if (m_info.size > 40) {
        if (headerEnd > m_in.Position() + m_in.Remaining())
            fail(UnknownFileType);
        m_in.Seek(std::max(headerEnd, m_in.Position()));
    }
    if (bpp <= 8) {
        const std::uint64_t count = m_info.clrUsed ? m_info.clrUsed : 1u << bpp;
        if (count * 4 > m_in.Remaining())
            fail(UnknownFileType);
        m_palette.resize(std::size_t(count));
        for (Colour& c : m_palette) {
            auto entry = m_in.Take(4);
            c = rgb(entry[2], entry[1], entry[0]);
        }
    }
    // With a longer header the rows start where the file says, when that is further on.
    if (m_info.size > 40 && m_file.offset > m_in.Position() &&
        m_file.offset < m_in.Position() + m_in.Remaining())
        m_in.Seek(m_file.offset);
    if (rle)
        decodeRle();
    else
        checkRowsFit();
}

void RasterFile::readWbmpHeader() {
    auto type = m_in.U8(), fixed = m_in.U8();
    if (!fixed || *type != 0 || *fixed != 0)
        fail(UnknownFileType);
    m_format = RasterFormat::Wbmp;
    m_file.type = 0;
    auto width = readMultiByte(m_in);
    auto height = width ? readMultiByte(m_in) : std::nullopt;
    if (!height || *width == 0 || *height == 0)
        fail(UnknownFileType);
    if (*width > 0x7FFFFFFFu || *height > 0x7FFFFFFFu)
        fail(UnsupportedSize);
    checkSize(*width, *height, true);
    m_info.width = std::int32_t(*width);
    m_info.height = std::int32_t(*height);
    m_info.bitCount = 1;
    checkRowsFit();
    m_palette = {rgb(0, 0, 0), rgb(255, 255, 255)};
}

// Uncompressed rows must be in the file: a header announcing more rows than the file holds is
// refused before anything is allocated for them. Only the last row may be cut short (some
// writers leave out its padding; a copy cut off inside it keeps the rows before).
void RasterFile::checkRowsFit() const {
    // rowBytes x (rows - 1) < remaining, without the product.
    const std::uint64_t rows = std::uint64_t(Height());
    const std::uint64_t remaining = m_in.Remaining();
    if (rows == 0 || remaining == 0 ||
        (rows > 1 && std::uint64_t(rowBytes()) > (remaining - 1) / (rows - 1)))
        fail(UnsupportedSize);
}

// A file within the dimension and pixel limits is read whole; a larger uncompressed one only
// when a crop was allowed, with the limits applying to the part that is kept.
void RasterFile::checkSize(long long width, long long height, bool canCrop) const {
    const auto kept = KeptPartOf(width, height, MaxRasterDimension, canCrop ? m_cropWidth : 0,
                                 canCrop ? m_cropHeight : 0);
    if (!kept || kept->width * kept->height > MaxRasterPixels)
        fail(UnsupportedSize);
}

void RasterFile::decodeRle() {
    const int w = Width(), h = Height();
    m_rle.assign(std::size_t(w) * std::size_t(h), 0);
    const bool four = m_info.compression == 2;
    int x = 0, y = 0;
    auto put = [&](int index) {
        if (x < w && y < h)
            m_rle[std::size_t(y) * std::size_t(w) + std::size_t(x)] = std::uint8_t(index);
        ++x;
    };
    while (y < h) {
        auto count = m_in.U8(), value = m_in.U8();
        if (!value)
            break;
        if (*count > 0) {
            for (int i = 0; i < *count; ++i)
                put(four ? (i & 1 ? *value & 0x0F : *value >> 4) : *value);
        } else if (*value == 0) {
            x = 0;
            ++y;
        } else if (*value == 1) {
            break;
        } else if (*value == 2) {
            auto dx = m_in.U8(), dy = m_in.U8();
            if (!dy)
                break;
            x += *dx;
            y += *dy;
        } else {
            const int n = *value;
            const std::size_t bytes = four ? std::size_t(n + 1) / 2 : std::size_t(n);
            auto data = m_in.Take((bytes + 1) & ~std::size_t(1)); // runs are padded to 16 bits
            for (int i = 0; i < n; ++i) {
                const std::size_t at = four ? std::size_t(i) / 2 : std::size_t(i);
                const int byte = at < data.size() ? data[at] : 0;
                put(four ? (i & 1 ? byte & 0x0F : byte >> 4) : byte);
            }
        }
    }
    m_rowIndex = 0;
}

std::size_t RasterFile::rowBytes() const {
    const std::size_t bytes = (std::size_t(m_info.bitCount) * std::size_t(Width()) + 7) / 8;
    return m_format == RasterFormat::Bmp ? (bytes + 3) & ~std::size_t(3) : bytes;
}

void RasterFile::SkipRow() {
    if (!m_rle.empty())
        ++m_rowIndex;
    else
        m_in.Skip(std::min(rowBytes(), m_in.Remaining()));
}

void RasterFile::ReadRow(int pixels) {
    if (!m_rle.empty()) {
        const auto w = std::size_t(Width());
        const std::size_t at = std::size_t(m_rowIndex++) * w;
        if (at + w <= m_rle.size())
            m_row.assign(m_rle.begin() + std::ptrdiff_t(at),
                         m_rle.begin() + std::ptrdiff_t(at + w));
        else
            m_row.assign(w, 0);
        m_rowReader.emplace(m_row, BitOrder::MsbFirst);
        return;
    }
    const std::size_t n = rowBytes();
    // Only the bytes of the pixels that will be read are kept; the rest of the row is skipped.
    const std::size_t kept =
        pixels < 0 ? n : std::min(n, (std::size_t(m_info.bitCount) * std::size_t(pixels) + 7) / 8);
    auto data = m_in.Take(kept);
    m_in.Skip(std::min(n - kept, m_in.Remaining()));
    // A file that ends early gives rows of zero bytes from there on.
    m_row.assign(data.begin(), data.end());
    m_row.resize(kept, 0);
    m_rowReader.emplace(m_row, BitOrder::MsbFirst);
}

Colour RasterFile::ReadPixel() {
    BitReader& r = *m_rowReader;
    auto byte = [&]() { return int(std::max<std::int64_t>(r.Read(8), 0)); };
    if (!m_rle.empty()) {
        const int index = byte();
        return std::size_t(index) < m_palette.size() ? m_palette[std::size_t(index)] : 0;
    }
    const int bpp = m_info.bitCount;
    if (bpp >= 1 && bpp <= 8) {
        const std::int64_t index = r.Read(bpp);
        return index >= 0 && std::size_t(index) < m_palette.size() ? m_palette[std::size_t(index)]
                                                                   : 0;
    }
    if (bpp == 16) {
        const int lo = byte();
        const std::uint32_t v = std::uint32_t(lo | byte() << 8);
        if (m_hasMasks) {
            int ch[3];
            for (int c = 0; c < 3; ++c)
                ch[c] = int(((v & m_masks[c]) >> m_rightShift[c]) << m_leftShift[c] & 0xFF);
            return rgb(ch[0], ch[1], ch[2]);
        }
        return rgb(int(v >> 10 & 0x1F) << 3, int(v >> 5 & 0x1F) << 3, int(v & 0x1F) << 3);
    }
    if (bpp == 24) {
        const int b = byte(), g = byte();
        return rgb(byte(), g, b);
    }
    fail(UnsupportedDepth);
}

void RasterFile::WriteHeader() {
    std::vector<std::uint8_t> head;
    if (m_format == RasterFormat::Bmp) {
        put16(head, m_file.type);
        put32(head, m_file.size);
        put32(head, m_file.reserved);
        put32(head, m_file.offset);
        put32(head, m_info.size);
        put32(head, std::uint32_t(m_info.width));
        put32(head, std::uint32_t(m_info.height));
        put16(head, m_info.planes);
        put16(head, m_info.bitCount);
        put32(head, m_info.compression);
        put32(head, m_info.imageSize);
        put32(head, std::uint32_t(m_info.xPelsPerMeter));
        put32(head, std::uint32_t(m_info.yPelsPerMeter));
        put32(head, m_info.clrUsed);
        put32(head, m_info.clrImportant);
        if (m_info.bitCount <= 8)
            for (int i = 0; i < 1 << m_info.bitCount; ++i) {
                const Colour c = std::size_t(i) < m_palette.size() ? m_palette[std::size_t(i)] : 0;
                head.insert(head.end(), {std::uint8_t(blueOf(c)), std::uint8_t(greenOf(c)),
                                         std::uint8_t(redOf(c)), 0});
            }
    } else {
        head = {0, 0};
        WriteMultiByte(head, std::uint32_t(m_info.width));
        WriteMultiByte(head, std::uint32_t(m_info.height));
    }
    if (m_out.size() < head.size())
        m_out.resize(head.size());
    std::copy(head.begin(), head.end(), m_out.begin());
    if (m_headerEnd == 0)
        m_headerEnd = head.size();
}

void RasterFile::BeginRow() {
    if (!m_rowWriter)
        m_rowWriter.emplace(1024, 1024, BitOrder::MsbFirst);
    m_rowWriter->Reset();
}

void RasterFile::WritePixel(std::uint32_t value) {
    if (m_format == RasterFormat::Wbmp) {
        m_rowWriter->Write(value & 1, 1);
        return;
    }
    if (m_info.compression != 0)
        fail("Unsupported pixel format");
    m_rowWriter->Write(value & 0xFF, 8);
}

void RasterFile::EndRow() {
    auto bytes = m_rowWriter->Bytes();
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
    if (m_format == RasterFormat::Bmp)
        m_out.resize(m_out.size() + (4 - bytes.size() % 4) % 4, 0);
}

std::vector<std::uint8_t> RasterFile::Finish() {
    m_file.size = std::uint32_t(m_out.size());
    if (m_format == RasterFormat::Bmp)
        m_file.offset = std::uint32_t(m_headerEnd);
    WriteHeader();
    return std::move(m_out);
}

Surface LoadRasterBitmap(std::span<const std::uint8_t> bytes, int cropWidth, int cropHeight) {
    RasterFile file(bytes);
    file.AllowCrop(cropWidth, cropHeight);
    file.ReadHeader();
    const int w = file.Width(), h = file.Height();
    // ReadHeader has refused a picture of which no part may be kept.
    const KeptPart kept = KeptPartOf(w, h, MaxRasterDimension, cropWidth, cropHeight).value();
    const int keptWidth = int(kept.width);
    const int keptHeight = int(kept.height);
    Surface bitmap(keptWidth, keptHeight, 0);
    for (int i = 0; i < h; ++i) {
        const int y = file.TopDown() ? i : h - 1 - i;
        if (y >= keptHeight) {
            file.SkipRow(); // a row below the kept part
            continue;
        }
        file.ReadRow(keptWidth);
        for (int x = 0; x < keptWidth; ++x)
            bitmap.setPixel(x, y, file.ReadPixel());
        if (file.TopDown() && y + 1 == keptHeight)
            break;
    }
    return bitmap;
}

Surface LoadRasterBitmap(const std::filesystem::path& path, int cropWidth, int cropHeight) {
    auto bytes = ReadFileBytes(path, MaxRasterFileSize);
    if (!bytes)
        fail("Error opening file");
    return LoadRasterBitmap(*bytes, cropWidth, cropHeight);
}

std::vector<std::uint8_t> EncodePictureWbmp(const CPicture& picture) {
    RasterFile file = RasterFile::CreateWbmp(picture.m_nWidth, picture.m_nHeight);
    file.WriteHeader();
    const bool colour = picture.m_nDepth > 7;
    for (int y = 0; y < picture.m_nHeight; ++y) {
        file.BeginRow();
        for (int x = 0; x < picture.m_nWidth; ++x) {
            const std::uint16_t v = picture.GetPixel(x, y);
            const bool white = colour ? grey(fromRgb565(v)) > 150 : (v & 3) >= 2;
            file.WritePixel(white ? 1 : 0);
        }
        file.EndRow();
    }
    return file.Finish();
}

bool WritePictureWbmp(const CPicture& picture, const std::filesystem::path& path,
                      std::string* failure) {
    int error = 0;
    if (!WriteFileAtomically(path, EncodePictureWbmp(picture), &error)) {
        if (failure)
            *failure = SaveFailureText(error);
        return false;
    }
    CurrentMap = picture.m_nDepth > 7 ? &DirectMap : &GreyMap;
    return true;
}

std::vector<std::uint8_t> EncodeBmp8(int width, int height, std::span<const Colour> palette,
                                     std::span<const std::uint8_t> indicesTopDown) {
    RasterFile file = RasterFile::CreateBmp(width, height, palette);
    file.WriteHeader();
    for (int y = height - 1; y >= 0; --y) {
        file.BeginRow();
        for (int x = 0; x < width; ++x) {
            const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
            file.WritePixel(at < indicesTopDown.size() ? indicesTopDown[at] : 0);
        }
        file.EndRow();
    }
    return file.Finish();
}

} // namespace pixelon

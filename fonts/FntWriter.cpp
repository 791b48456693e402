#include "fonts/FntWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "core/AtomicFile.h"
#include "core/EString.h"
#include "core/Picture.h"
#include "platform/FileError.h"

namespace pixelon {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put8(Bytes& out, std::size_t at, int value) {
    out[at] = std::uint8_t(value);
}
void put16(Bytes& out, std::size_t at, int value) {
    out[at] = std::uint8_t(value);
    out[at + 1] = std::uint8_t(value >> 8);
}
void put32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// A pixel is ink when it is black: value 0 in both the RGB565 and the grey-index forms, or 1.
bool isInk(const CPicture& picture, int x, int y) {
    return picture.GetPixel(x, y) <= 1;
}

// Columns in stripes of 8, each stripe `height` bytes from the top, leftmost column in bit 7.
void appendGlyph(Bytes& out, const CPicture& picture, int height) {
    const int stripes = (picture.m_nWidth + 7) / 8;
    for (int stripe = 0; stripe < stripes; ++stripe)
        for (int y = 0; y < height; ++y) {
            std::uint8_t byte = 0;
            if (y < picture.m_nHeight)
                for (int bit = 0; bit < 8; ++bit) {
                    const int x = stripe * 8 + bit;
                    if (x < picture.m_nWidth && isInk(picture, x, y))
                        byte = std::uint8_t(byte | 0x80 >> bit);
                }
            out.push_back(byte);
        }
}

struct Slot {
    int width = 0;
    std::uint32_t offset = 0;
};

constexpr int FntFieldMax = 0xFFFF;

// The pixel height the font takes: the tallest picture's, cut to the height limit.
int fontHeight(std::span<const CPicture* const> pictures, const FntOptions& options) {
    int maxHeight = 0;
    for (const CPicture* p : pictures)
        maxHeight = std::max(maxHeight, p->m_nHeight);
    return options.heightLimit > 0 ? std::min(maxHeight, options.heightLimit) : maxHeight;
}

std::string pictureName(const CPicture& p) {
    char id[16];
    std::snprintf(id, sizeof id, "%05d", p.m_nId);
    return std::string("Picture ") + id;
}

} // namespace

std::optional<std::string> FntRefusal(std::span<const CPicture* const> pictures,
                                      const FntOptions& options, int ascent) {
    const int height = fontHeight(pictures, options);
    for (const CPicture* p : pictures) {
        if (p->m_nWidth > FntFieldMax)
            return pictureName(*p) + " is " + std::to_string(p->m_nWidth) +
                   " pixels wide; a Windows font holds characters of at most 65535.";
        // The tallest picture sets the height unless the height limit cuts it.
        if (height > FntFieldMax && p->m_nHeight >= height)
            return pictureName(*p) + " is " + std::to_string(p->m_nHeight) +
                   " pixels high; a Windows font is at most 65535 pixels high (a height limit "
                   "crops it).";
    }
    if (ascent < 0 || ascent > FntFieldMax)
        return "The portfolio's ascent " + std::to_string(ascent) +
               " is outside 0 to 65535, which a Windows font holds.";
    // Every glyph is written at most once, each ceil(width / 8) stripes of `height` bytes.
    std::uint64_t size = std::uint64_t(fnt::FaceOffset) + options.faceName.size() + 1 +
                         std::uint64_t(std::max(height, 0));
    for (const CPicture* p : pictures)
        if (p->m_nWidth > 0)
            size += (std::uint64_t(p->m_nWidth) + 7) / 8 * std::uint64_t(std::max(height, 0));
    if (size > 0xFFFFFFFFu)
        return "The font would take " + std::to_string(size) +
               " bytes; a Windows font file holds at most 4294967295.";
    return std::nullopt;
}

Bytes FntBoxGlyph(int height) {
    Bytes box;
    if (height <= 0)
        return box;
    box.assign(std::size_t(std::max(0, (height - 12) / 2)), 0);
    box.push_back(0xFF);
    box.insert(box.end(), std::size_t(std::clamp(height - 2, 0, 10)), 0x81);
    box.push_back(0xFF);
    // A font lower than the box's two edges keeps only its top rows.
    box.resize(std::size_t(height), 0);
    return box;
}

Bytes BuildFnt(std::span<const CPicture* const> pictures, const FntOptions& options, int ascent) {
    // Checked before anything is allocated: no 16-bit field may wrap.
    if (auto refusal = FntRefusal(pictures, options, ascent))
        throw EString(*refusal);
    int maxWidth = 0;
    long long widthSum = 0;
    for (const CPicture* p : pictures) {
        maxWidth = std::max(maxWidth, p->m_nWidth);
        widthSum += p->m_nWidth;
    }
    const int height = fontHeight(pictures, options);

    Bytes out(std::size_t(fnt::FaceOffset), 0);
    for (char c : options.faceName)
        out.push_back(std::uint8_t(c));
    out.push_back(0);
    const std::uint32_t bitsOffset = std::uint32_t(out.size());

    std::array<Slot, fnt::Slots> slots{};
    int defaultChar = -1;
    std::uint32_t boxOffset = 0;
    bool boxWritten = false;
    auto place = [&](int slot, std::uint32_t offset, int width) {
        slots[std::size_t(slot)] = {width, offset};
        if (defaultChar < 0)
            defaultChar = slot;
    };
    auto placeBox = [&](int slot) {
        if (!boxWritten) {
            boxOffset = std::uint32_t(out.size());
            const Bytes box = FntBoxGlyph(height);
            out.insert(out.end(), box.begin(), box.end());
            boxWritten = true;
        }
        place(slot, boxOffset, 8);
    };
    auto placePicture = [&](int slot, const CPicture& picture) {
        place(slot, std::uint32_t(out.size()), picture.m_nWidth);
        appendGlyph(out, picture, height);
    };

    // A picture of width 0 would leave its slot looking empty: such pictures are left out.
    std::vector<const CPicture*> remaining;
    for (const CPicture* p : pictures)
        if (p->m_nWidth > 0)
            remaining.push_back(p);

    if (options.preserveCodes) {
        auto inRange = [](const CPicture* p) {
            return p->m_nId >= fnt::FirstChar && p->m_nId <= fnt::LastChar;
        };
        if (std::none_of(remaining.begin(), remaining.end(),
                         [](const CPicture* p) { return p->m_nId == fnt::FirstChar; }))
            placeBox(0);
        for (const CPicture* p : remaining)
            if (inRange(p))
                placePicture(p->m_nId - fnt::FirstChar, *p);
        std::erase_if(remaining, inRange);
    }
    int slot = 0;
    for (const CPicture* p : remaining) {
        while (slot < fnt::Slots && slots[std::size_t(slot)].width != 0)
            ++slot;
        if (slot == fnt::Slots)
            break;
        placePicture(slot, *p);
    }
    for (int s = 0; s < fnt::Slots; ++s)
        if (slots[std::size_t(s)].width == 0)
            placeBox(s);

    put16(out, 0, 0x0300);
    put32(out, 2, std::uint32_t(out.size()));
    put16(out, 66, 0);
    put16(out, 68, height * 72 / 96);
    put16(out, 70, 96);
    put16(out, 72, 96);
    put16(out, 74, ascent);
    put8(out, 80, options.italic);
    put8(out, 81, options.underline);
    put8(out, 82, options.strikeout);
    put16(out, 83, options.bold ? 700 : 400);
    put8(out, 85, int(options.charset));
    put16(out, 86, options.fixedWidth ? maxWidth : 0);
    put16(out, 88, height);
    put8(out, 90, 1);
    const int average = options.fixedWidth ? maxWidth
                        : pictures.empty() ? 0
                                           : int(widthSum / (long long)pictures.size());
    put16(out, 91, average);
    put16(out, 93, maxWidth);
    put8(out, 95, fnt::FirstChar);
    put8(out, 96, fnt::LastChar);
    put8(out, 97, std::max(defaultChar, 0));
    put8(out, 98, 0);
    put16(out, 99, (maxWidth + 7) / 8);
    put32(out, 105, std::uint32_t(fnt::FaceOffset));
    put32(out, 113, bitsOffset);
    put32(out, 118, options.fixedWidth ? 0x11 : 0x12);
    for (int s = 0; s < fnt::Slots; ++s) {
        const std::size_t at = std::size_t(fnt::HeaderSize + s * fnt::EntrySize);
        put16(out, at, slots[std::size_t(s)].width);
        put32(out, at + 2, slots[std::size_t(s)].offset);
    }
    return out;
}

void WriteFntFile(const std::filesystem::path& path, std::span<const CPicture* const> pictures,
                  const FntOptions& options, int ascent) {
    const Bytes bytes = BuildFnt(pictures, options, ascent);
    AtomicFile file(path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.fd(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EString(fileErrorTextFromErrno(errno));
        }
        done += std::size_t(n);
    }
    file.commit();
}

} // namespace pixelon

#include "codecs/ImageObject.h"

#include <algorithm>

namespace pixelon {
namespace {

std::uint8_t clampSample(int v) {
    return std::uint8_t(std::clamp(v, 0, 255));
}

} // namespace

CImageBuffer::CImageBuffer(int width, int height, int samplesPerPixel)
    : m_nWidth(width), m_nHeight(height), m_nSamples(samplesPerPixel),
      m_samples(std::size_t(width) * height * samplesPerPixel) {
    SetAttribute(HorizontalResolution, UnknownResolution);
    SetAttribute(VerticalResolution, UnknownResolution);
}

double CImageBuffer::GetAttribute(int key, double fallback) const {
    auto it = m_attributes.find(key);
    return it == m_attributes.end() ? fallback : it->second;
}

void CImageRgbBuffer::ReadRgb(int& red, int& green, int& blue) const {
    const std::uint8_t* p = At();
    red = p[0];
    green = p[1];
    blue = p[2];
}

void CImageRgbBuffer::WriteRgb(int red, int green, int blue) {
    std::uint8_t* p = At();
    p[0] = clampSample(red);
    p[1] = clampSample(green);
    p[2] = clampSample(blue);
}

void CImageLuminanceBuffer::ReadRgb(int& red, int& green, int& blue) const {
    red = green = blue = *At();
}

void CImageLuminanceBuffer::WriteRgb(int red, int green, int blue) {
    int y, cb, cr;
    RgbToYcc(red, green, blue, y, cb, cr);
    *At() = std::uint8_t(y);
}

void CImageCcirBuffer::ReadRgb(int& red, int& green, int& blue) const {
    const std::uint8_t* p = At();
    YccToRgb(p[0], p[1], p[2], red, green, blue);
}

void CImageCcirBuffer::WriteRgb(int red, int green, int blue) {
    int y, cb, cr;
    RgbToYcc(red, green, blue, y, cb, cr);
    std::uint8_t* p = At();
    p[0] = std::uint8_t(y);
    p[1] = std::uint8_t(cb);
    p[2] = std::uint8_t(cr);
}

// Fixed point with 16 fraction bits; the constants are the JFIF matrix.
void RgbToYcc(int red, int green, int blue, int& y, int& cb, int& cr) {
    constexpr int half = 1 << 15;
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    y = (19595 * red + 38470 * green + 7471 * blue + half) >> 16;
    cb = clampSample(((-11059 * red - 21709 * green + 32768 * blue + half) >> 16) + 128);
    cr = clampSample(((32768 * red - 27439 * green - 5329 * blue + half) >> 16) + 128);
}

void YccToRgb(int y, int cb, int cr, int& red, int& green, int& blue) {
    constexpr int half = 1 << 15;
    cb -= 128;
    cr -= 128;
    red = clampSample(y + ((91881 * cr + half) >> 16));
    green = clampSample(y + ((-22554 * cb - 46802 * cr + half) >> 16));
    blue = clampSample(y + ((116130 * cb + half) >> 16));
}

bool CImageObject::Create(int width, int height, ImageChannelSet channels) {
    m_buffer.reset();
    m_channels.clear();
    if (width <= 0 || height <= 0 || width > MaxImageDimension || height > MaxImageDimension)
        return false;
    if (channels == RgbChannels) {
        m_buffer = std::make_unique<CImageRgbBuffer>(width, height);
        m_channels = {{ChannelRed, 0}, {ChannelGreen, 1}, {ChannelBlue, 2}};
    } else if (channels == LuminanceChannels) {
        m_buffer = std::make_unique<CImageLuminanceBuffer>(width, height);
        m_channels = {{ChannelLuminance, 0}};
    } else if (channels == CcirChannels) {
        m_buffer = std::make_unique<CImageCcirBuffer>(width, height);
        m_channels = {{ChannelLuminance, 0}, {ChannelChromaBlue, 1}, {ChannelChromaRed, 2}};
    } else {
        return false;
    }
    return true;
}

Surface ImageToSurface(const CImageObject& image) {
    const CImageBuffer* buffer = image.GetBuffer();
    if (!buffer)
        return {};
    Surface out(buffer->Width(), buffer->Height());
    const bool isRgb = buffer->Channels() == RgbChannels;
    const bool luminance = buffer->Channels() == LuminanceChannels;
    for (int y = 0; y < buffer->Height(); ++y) {
        std::span<const std::uint8_t> row = buffer->Row(y);
        std::span<Colour> target = out.row(y);
        // One loop per channel set, so the common ones are plain copies.
        const std::uint8_t* __restrict src = row.data();
        Colour* __restrict dst = target.data();
        if (isRgb) {
            for (int x = 0; x < buffer->Width(); ++x)
                dst[x] = rgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            continue;
        }
        if (luminance) {
            for (int x = 0; x < buffer->Width(); ++x)
                dst[x] = rgb(src[x], src[x], src[x]);
            continue;
        }
        for (int x = 0; x < buffer->Width(); ++x) {
            int r, g, b;
            YccToRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2], r, g, b);
            dst[x] = rgb(r, g, b);
        }
    }
    return out;
}

CImageObject ImageFromSurface(const Surface& surface) {
    CImageObject image;
    if (!image.Create(surface.width(), surface.height(), RgbChannels))
        return image;
    CImageBuffer* buffer = image.GetBuffer();
    for (int y = 0; y < surface.height(); ++y) {
        std::span<std::uint8_t> row = buffer->Row(y);
        std::span<const Colour> source = surface.row(y);
        for (int x = 0; x < surface.width(); ++x) {
            row[3 * x] = std::uint8_t(redOf(source[x]));
            row[3 * x + 1] = std::uint8_t(greenOf(source[x]));
            row[3 * x + 2] = std::uint8_t(blueOf(source[x]));
        }
    }
    return image;
}

} // namespace pixelon

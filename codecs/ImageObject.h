#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/Surface.h"

namespace pixelon {

// The channels an image can hold; an image's channel set is a combination of these bits.
enum ImageChannelKind : unsigned {
    ChannelRed = 1,
    ChannelGreen = 2,
    ChannelBlue = 4,
    ChannelLuminance = 8,
    ChannelChromaBlue = 16,
    ChannelChromaRed = 32,
};
using ImageChannelSet = unsigned;
constexpr ImageChannelSet RgbChannels = ChannelRed | ChannelGreen | ChannelBlue;
constexpr ImageChannelSet LuminanceChannels = ChannelLuminance;
constexpr ImageChannelSet CcirChannels = ChannelLuminance | ChannelChromaBlue | ChannelChromaRed;

// The largest width or height an image object may have.
constexpr int MaxImageDimension = 16384;

// Sample storage: interleaved 8-bit samples, row after row, with a current position for pixel
// access and a map of numbered attributes.
class CImageBuffer {
public:
    enum Attribute : int { HorizontalResolution = 1, VerticalResolution = 2 };
    static constexpr double UnknownResolution = -1.0;

    virtual ~CImageBuffer() = default;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int SamplesPerPixel() const { return m_nSamples; }
    virtual ImageChannelSet Channels() const = 0;

    // The position is a cursor, not content, so moving it is allowed on a constant buffer.
    void MoveTo(int x, int y) const {
        m_nX = x;
        m_nY = y;
    }
    // The colour at the current position as red, green and blue, and its inverse.
    virtual void ReadRgb(int& red, int& green, int& blue) const = 0;
    virtual void WriteRgb(int red, int green, int blue) = 0;

    double GetAttribute(int key, double fallback) const;
    void SetAttribute(int key, double value) { m_attributes[key] = value; }

    std::span<std::uint8_t> Row(int y) {
        return {m_samples.data() + RowOffset(y), std::size_t(m_nWidth) * m_nSamples};
    }
    std::span<const std::uint8_t> Row(int y) const {
        return {m_samples.data() + RowOffset(y), std::size_t(m_nWidth) * m_nSamples};
    }

protected:
    CImageBuffer(int width, int height, int samplesPerPixel);
    std::uint8_t* At() {
        return m_samples.data() + RowOffset(m_nY) + std::size_t(m_nX) * m_nSamples;
    }
    const std::uint8_t* At() const {
        return m_samples.data() + RowOffset(m_nY) + std::size_t(m_nX) * m_nSamples;
    }

private:
    std::size_t RowOffset(int y) const { return std::size_t(y) * m_nWidth * m_nSamples; }

    int m_nWidth;
    int m_nHeight;
    int m_nSamples;
    mutable int m_nX = 0;
    mutable int m_nY = 0;
    std::vector<std::uint8_t> m_samples;
    std::map<int, double> m_attributes;
};

class CImageRgbBuffer : public CImageBuffer {
public:
    CImageRgbBuffer(int width, int height) : CImageBuffer(width, height, 3) {}
    ImageChannelSet Channels() const override { return RgbChannels; }
    void ReadRgb(int& red, int& green, int& blue) const override;
    void WriteRgb(int red, int green, int blue) override;
};

class CImageLuminanceBuffer : public CImageBuffer {
public:
    CImageLuminanceBuffer(int width, int height) : CImageBuffer(width, height, 1) {}
    ImageChannelSet Channels() const override { return LuminanceChannels; }
    void ReadRgb(int& red, int& green, int& blue) const override;
    void WriteRgb(int red, int green, int blue) override;
};

// Y, Cb, Cr samples with the JFIF conversion to and from red, green and blue.
class CImageCcirBuffer : public CImageBuffer {
public:
    CImageCcirBuffer(int width, int height) : CImageBuffer(width, height, 3) {}
    ImageChannelSet Channels() const override { return CcirChannels; }
    void ReadRgb(int& red, int& green, int& blue) const override;
    void WriteRgb(int red, int green, int blue) override;
};

// The JFIF colour conversions, shared by the buffers and the JPEG codec.
void RgbToYcc(int red, int green, int blue, int& y, int& cb, int& cr);
void YccToRgb(int y, int cb, int cr, int& red, int& green, int& blue);

// One channel of an image: which kind it is and where its samples sit within a pixel.
struct CImageChannel {
    ImageChannelKind kind;
    int offset;
};

// One image: its size, the channels it holds and the buffer behind them.
class CImageObject {
public:
    // False when the size is empty or above MaxImageDimension, or the set names no buffer kind
    // (RGB, luminance or Y Cb Cr); the object is then left empty.
    bool Create(int width, int height, ImageChannelSet channels);

    int Width() const { return m_buffer ? m_buffer->Width() : 0; }
    int Height() const { return m_buffer ? m_buffer->Height() : 0; }
    ImageChannelSet Channels() const { return m_buffer ? m_buffer->Channels() : 0; }
    const std::vector<CImageChannel>& ChannelList() const { return m_channels; }
    CImageBuffer* GetBuffer() { return m_buffer.get(); }
    const CImageBuffer* GetBuffer() const { return m_buffer.get(); }

private:
    std::unique_ptr<CImageBuffer> m_buffer;
    std::vector<CImageChannel> m_channels;
};

// A display bitmap of the image, pixel by pixel; empty for an empty image.
Surface ImageToSurface(const CImageObject& image);
// An RGB image object of a surface's colours.
CImageObject ImageFromSurface(const Surface& surface);

} // namespace pixelon

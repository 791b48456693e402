#pragma once

#include <filesystem>
#include <string>

#include "codecs/ImageProcessor.h"
#include "core/Picture.h"
#include "platform/Surface.h"

namespace pixelon {

// The JPEG codec of the imaging library: JFIF files, sequential and progressive Huffman
// coding on reading, baseline with per-image Huffman tables on writing.
class CImageJpegCodecProcessor : public CImageCodecProcessor {
public:
    static constexpr std::uint16_t HighQuality = 16;
    static constexpr std::uint16_t MediumQuality = 256;
    static constexpr std::uint16_t LowQuality = 320;

    CImageJpegCodecProcessor();

    std::string Name() const override { return "Jpeg"; }
    std::string Pattern() const override { return "*.jpg;*.jpeg;*.jfif"; }
    std::string DefaultExtension() const override { return "jpg"; }

    // JFIF densities in dots per millimetre: written when the image's own resolution is
    // unknown, and set from the file on reading.
    double m_dXDensity = 100.0;
    double m_dYDensity = 100.0;
    int m_nRestartInterval = 0;
    // When set, at most the top-left part of this size is decoded, from a frame of any size; a
    // sequential frame too large to read whole then gives that part instead of being refused.
    int m_nCropWidth = 0;
    int m_nCropHeight = 0;

protected:
    std::unique_ptr<CImageObject> ReadImage(CImageFile& file) override;
    void WriteImage(CImageFile& file, const CImageObject& image,
                    std::uint16_t variantParameter) override;
};

// Writes a picture as a JPEG file in "High quality"; false on failure, leaving any previous
// file in place. Pixels holding grey indices (depth 1 or 2) are written as their grey colours.
// `failure` (optional) receives "Unable to save file.\n" and the cause when the file failed.
bool WritePictureJpeg(const CPicture& picture, const std::filesystem::path& path,
                      std::string* failure = nullptr);

// The display bitmap of a JPEG file (or of a Windows bitmap that carries a JPEG name), read
// through a codec manager with the bitmap codec first. Raises EFatalError when no codec can
// read it. With a crop size, only the top-left part of that size is decoded: the rest of a
// larger frame is passed over, and a frame too large to read whole gives that part too.
Surface LoadJpegBitmap(const std::filesystem::path& path, int cropWidth = 0, int cropHeight = 0);

} // namespace pixelon

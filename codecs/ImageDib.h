#pragma once

#include "codecs/ImageProcessor.h"

namespace pixelon {

// The Windows bitmap codec of the imaging library: reads uncompressed bitmaps of 1, 4, 8, 16,
// 24 and 32 bits a pixel and writes them in the chosen variant.
class CImageDibCodecProcessor : public CImageCodecProcessor {
public:
    // Variant parameters: bits a pixel, plus GreyVariant for the grey palettes.
    static constexpr std::uint16_t GreyVariant = 0x100;

    CImageDibCodecProcessor();

    std::string Name() const override { return "Bitmap"; }
    std::string Pattern() const override { return "*.bmp"; }
    std::string DefaultExtension() const override { return "bmp"; }

protected:
    std::unique_ptr<CImageObject> ReadImage(CImageFile& file) override;
    void WriteImage(CImageFile& file, const CImageObject& image,
                    std::uint16_t variantParameter) override;
};

} // namespace pixelon

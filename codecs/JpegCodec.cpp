#include "codecs/JpegCodec.h"

#include "codecs/Errors.h"
#include "codecs/ImageDib.h"
#include "codecs/JpegDecoder.h"
#include "codecs/JpegEncoder.h"

namespace pixelon {
namespace {

// Larger files are not read into memory.
constexpr std::size_t MaxJpegFileSize = 256u << 20;

double toDotsPerMillimetre(int units, int density) {
    switch (units) {
    case 1:
        return density / 25.4;
    case 2:
        return density * 0.1;
    default:
        return density;
    }
}

} // namespace

CImageJpegCodecProcessor::CImageJpegCodecProcessor()
    : CImageCodecProcessor({{"High quality", HighQuality},
                            {"Medium quality", MediumQuality},
                            {"Low quality", LowQuality}}) {}

std::unique_ptr<CImageObject> CImageJpegCodecProcessor::ReadImage(CImageFile& file) {
    std::uint8_t soi[2] = {};
    if (file.Read(soi) != 2 || soi[0] != 0xFF || soi[1] != 0xD8)
        throw EFatalError("not a JPEG file");
    std::vector<std::uint8_t> data = {0xFF, 0xD8};
    std::vector<std::uint8_t> rest = file.ReadRest(MaxJpegFileSize);
    data.insert(data.end(), rest.begin(), rest.end());

    jpeg::DecodeLimits limits;
    limits.cropWidth = limits.keepWidth = m_nCropWidth;
    limits.cropHeight = limits.keepHeight = m_nCropHeight;
    jpeg::DecodedImage decoded =
        jpeg::DecodeJpeg(data, limits, [this](int percent) { Progress(percent); });
    auto image = std::make_unique<CImageObject>();
    if (!image->Create(decoded.width, decoded.height,
                       decoded.channels == 1 ? LuminanceChannels : RgbChannels))
        throw EFatalError("JPEG: unsupported size");
    CImageBuffer* buffer = image->GetBuffer();
    const std::size_t rowBytes = std::size_t(decoded.width) * std::size_t(decoded.channels);
    for (int y = 0; y < decoded.height; ++y)
        std::copy_n(decoded.samples.begin() + std::ptrdiff_t(rowBytes * std::size_t(y)), rowBytes,
                    buffer->Row(y).begin());
    if (decoded.hasDensity) {
        m_dXDensity = toDotsPerMillimetre(decoded.densityUnits, decoded.xDensity);
        m_dYDensity = toDotsPerMillimetre(decoded.densityUnits, decoded.yDensity);
        buffer->SetAttribute(CImageBuffer::HorizontalResolution, m_dXDensity);
        buffer->SetAttribute(CImageBuffer::VerticalResolution, m_dYDensity);
    }
    return image;
}

void CImageJpegCodecProcessor::WriteImage(CImageFile& file, const CImageObject& image,
                                          std::uint16_t variantParameter) {
    const CImageBuffer& buffer = *image.GetBuffer();
    jpeg::EncodeOptions options;
    options.qualityParameter = variantParameter ? variantParameter : HighQuality;
    double x = buffer.GetAttribute(CImageBuffer::HorizontalResolution, -1.0);
    double y = buffer.GetAttribute(CImageBuffer::VerticalResolution, -1.0);
    options.xDensity = x > 0 ? x : m_dXDensity;
    options.yDensity = y > 0 ? y : m_dYDensity;
    options.restartInterval = m_nRestartInterval;
    jpeg::EncodeJpeg(
        image, options, [&file](std::span<const std::uint8_t> bytes) { file.Write(bytes); },
        [this](int percent) { Progress(percent); });
}

bool WritePictureJpeg(const CPicture& picture, const std::filesystem::path& path,
                      std::string* failure) {
    auto image = std::make_unique<CImageObject>();
    if (!image->Create(picture.m_nWidth, picture.m_nHeight, RgbChannels))
        return false;
    CImageBuffer* buffer = image->GetBuffer();
    const bool greyIndices = picture.GetDepth() <= 2;
    for (int y = 0; y < picture.m_nHeight; ++y) {
        for (int x = 0; x < picture.m_nWidth; ++x) {
            std::uint16_t value = picture.GetPixel(x, y);
            Colour c =
                greyIndices ? mapColour(std::min<int>(value, 3), GreyMap) : fromRgb565(value);
            buffer->MoveTo(x, y);
            buffer->WriteRgb(redOf(c), greenOf(c), blueOf(c));
        }
    }
    CImageCodecManager manager;
    manager.RegisterCodec<CImageJpegCodecProcessor>();
    manager.ChooseWriter(0);
    manager.Inputs().push_back(std::move(image));
    if (manager.Run(path.string()) == ImageRunOk)
        return true;
    if (failure && manager.Status() == ImageStatusFileError)
        *failure = "Unable to save file.\n" + fileErrorText(manager.FileCause());
    return false;
}

Surface LoadJpegBitmap(const std::filesystem::path& path, int cropWidth, int cropHeight) {
    CImageCodecManager manager;
    manager.RegisterCodec<CImageDibCodecProcessor>();
    manager.RegisterCodec([cropWidth, cropHeight] {
        auto jpeg = std::make_unique<CImageJpegCodecProcessor>();
        jpeg->m_nCropWidth = cropWidth;
        jpeg->m_nCropHeight = cropHeight;
        return jpeg;
    });
    if (manager.Run(path.string()) != ImageRunOk || manager.Inputs().empty()) {
        if (manager.Status() == ImageStatusFileError)
            throw EFatalError(fileErrorText(manager.FileCause()));
        throw EFatalError("The file is not a JPEG picture this program can read.");
    }
    return ImageToSurface(*manager.Inputs().front());
}

} // namespace pixelon

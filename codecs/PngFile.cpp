#include "codecs/PngFile.h"

#include <cerrno>
#include <fstream>

#include "codecs/FileBytes.h"
#include "core/Picture.h"

namespace pixelon {

PngPicture PicturePng(const CPicture& picture) {
    PngPicture png;
    png.colours = Surface(picture.m_nWidth, picture.m_nHeight, 0);
    const bool masked =
        picture.m_bMasked &&
        picture.m_mask.size() >= std::size_t(picture.m_nWidth) * std::size_t(picture.m_nHeight);
    if (masked)
        png.opaque.assign(std::size_t(picture.m_nWidth) * std::size_t(picture.m_nHeight), 1);
    for (int y = 0; y < picture.m_nHeight; ++y)
        for (int x = 0; x < picture.m_nWidth; ++x) {
            png.colours.setPixel(x, y, picture.PixelColour(x, y));
            if (masked && !picture.GetMask(x, y))
                png.opaque[std::size_t(y) * std::size_t(picture.m_nWidth) + std::size_t(x)] = 0;
        }
    // A picture read from a portfolio, or edited, holds its colours at 16 bits whatever depth it
    // is saved at: its depth is then the one it would be saved at (an empty picture's 0 as 1).
    const int depth = picture.m_nDepth <= 8 ? picture.m_nDepth : picture.DepthClass();
    png.paletteBits = depth <= 2 ? std::max(depth, 1) : depth <= 8 ? 8 : 16;
    return png;
}

bool WritePngFile(const PngPicture& picture, const std::filesystem::path& path, int* error) {
    auto bytes = EncodePng(picture);
    if (auto* file = std::get_if<std::vector<std::uint8_t>>(&bytes))
        return WriteFileAtomically(path, *file, error);
    if (error)
        *error = 0;
    return false;
}

bool WritePicturePng(const CPicture& picture, const std::filesystem::path& path, int* error) {
    return WritePngFile(PicturePng(picture), path, error);
}

std::variant<PngImage, PngError> ReadPngFile(const std::filesystem::path& path,
                                             const PngReadLimits& limits, int* error) {
    // A PNG holds its pixels compressed; a file beyond 256 MB (or a pipe that never ends) is
    // not one this program keeps, and is too large rather than a failure of the disk.
    int readError = 0;
    auto bytes = ReadFileBytes(path, MaxPngFileSize, &readError);
    if (error)
        *error = readError == EFBIG ? 0 : readError;
    if (!bytes)
        return readError == EFBIG ? PngError::TooLarge : PngError::Damaged;
    return DecodePng(*bytes, limits);
}

bool IsPngFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::uint8_t head[8] = {};
    file.read(reinterpret_cast<char*>(head), sizeof head);
    return file.gcount() == sizeof head && HasPngSignature(head);
}

std::string PngErrorText(PngError error) {
    switch (error) {
    case PngError::NotPng:
        return "The file is not a PNG picture.";
    case PngError::TooLarge:
        return "The PNG picture is too large to import.";
    case PngError::Unsupported:
        return "The PNG picture is of a kind this program cannot read.";
    case PngError::Damaged:
        break;
    case PngError::Encoder:
        return "The picture could not be written as a PNG.";
    }
    return "The PNG file is damaged.";
}

} // namespace pixelon

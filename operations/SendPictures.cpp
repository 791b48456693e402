#include "operations/SendPictures.h"

#include <algorithm>

#include "codecs/GifWriter.h"
#include "codecs/RasterFile.h"
#include "operations/PictureExport.h"

namespace pixelon::obex {

namespace {
constexpr int EmsPieceWidth = 32;
constexpr int EmsPieces = 3;
} // namespace

std::vector<CPicture> PicturesForSending(const CPicture& picture, int phoneType,
                                         ApplicationType app, int lastExportKind) {
    CPicture prepared = PictureForExport(picture, phoneType, app);
    if (PictureFileKindFor(phoneType, app, lastExportKind) != PictureFileKind::Wbmp ||
        prepared.m_nWidth <= EmsPieceWidth)
        return {prepared};
    Surface whole(prepared.m_nWidth, prepared.m_nHeight, colourWhite);
    prepared.Draw(whole, 0, 0);
    std::vector<CPicture> pieces;
    for (int k = 0; k < EmsPieces && k * EmsPieceWidth < prepared.m_nWidth; ++k) {
        int width = std::min(EmsPieceWidth, prepared.m_nWidth - k * EmsPieceWidth);
        CPicture piece;
        piece.Create(width, prepared.m_nHeight, prepared.m_nId);
        piece.GrabFrom(whole, DirectMap, k * EmsPieceWidth, 0);
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

PictureWriters DefaultPictureWriters(int phoneType) {
    PictureWriters w;
    const PreviewSize max = DefaultPictureSize(phoneType);
    w.gif = [max](const CPicture& p, const std::filesystem::path& path) {
        return WritePictureGif(p, path, max.width, max.height);
    };
    w.jpeg = [](const CPicture& p, const std::filesystem::path& path) {
        return WritePictureJpegFile(p, path);
    };
    w.wbmp = [](const CPicture& p, const std::filesystem::path& path) {
        return WritePictureWbmp(p, path);
    };
    return w;
}

} // namespace pixelon::obex

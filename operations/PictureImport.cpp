#include "operations/PictureImport.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "codecs/Errors.h"
#include "codecs/GifReader.h"
#include "codecs/JpegCodec.h"
#include "codecs/PngFile.h"
#include "codecs/RasterFile.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "platform/FileError.h"
#include "platform/FileFeedback.h"

namespace pixelon {

namespace {

void skip(ImportReport& report, const std::filesystem::path& path, std::string reason) {
    report.skipped.push_back(path);
    report.skipReasons.push_back(std::move(reason));
}

// Why a GIF file gave no image: the file error, or a file that is not a GIF this program reads.
std::string gifFailure(const std::filesystem::path& path, bool read) {
    if (read)
        return "The GIF file holds no image.";
    errno = 0;
    std::ifstream probe(path, std::ios::binary);
    if (!probe)
        return fileErrorTextFromErrno(errno ? errno : ENOENT);
    return "The file is not a GIF picture this program can read.";
}

std::unique_ptr<CPicture> grabPicture(const Surface& bitmap, int id) {
    auto picture = std::make_unique<CPicture>();
    picture->Create(bitmap.width(), bitmap.height(), id);
    picture->GrabFrom(bitmap, *CurrentMap);
    return picture;
}

// A single bitmap: added at once in batch mode, through the editor otherwise. Pixels that
// `transparent` names become the picture's mask, and the picture an Icon, as the editor makes
// a picture painted with transparency one.
void addBitmap(CPortfolio& portfolio, const Surface& bitmap, const ImportOptions& options,
               ImportReport& report, const std::filesystem::path& path,
               const std::function<bool(int, int)>& transparent = {}) {
    auto picture = grabPicture(bitmap, NewPictureId(portfolio));
    if (transparent)
        for (int y = 0; y < picture->m_nHeight; ++y)
            for (int x = 0; x < picture->m_nWidth; ++x)
                if (transparent(x, y)) {
                    picture->SetMask(x, y, 0);
                    picture->m_bMasked = true;
                }
    if (options.editor && !options.editor(*picture, bitmap)) {
        skip(report, path, "Cancelled in the picture editor");
        return;
    }
    AddPicture(portfolio, std::move(picture));
    ++report.picturesAdded;
}

void importGif(CPortfolio& portfolio, const std::filesystem::path& path, Feedback& feedback,
               const ImportOptions& options, ImportReport& report) {
    GifFile gif;
    const bool read = ReadGifFile(gif, path, ImportGifLimits);
    if (!read || gif.images.empty()) {
        // Shown as a JPEG, BMP or WBMP file that cannot be decoded is.
        std::string reason = gifFailure(path, read);
        feedback.message(NamingFile(path.string(), reason), MessageIcon::Stop);
        skip(report, path, std::move(reason));
        return;
    }
    if (gif.images.size() == 1) {
        addBitmap(portfolio, RenderGifImage(gif, 0), options, report, path);
        return;
    }
    Animation animation;
    animation.name = "New_Animation";
    // A GIF may hold a hundred thousand images: the used IDs are tracked here and the pictures
    // put in order once, rather than scanning the portfolio for every image.
    std::vector<bool> used = UsedIds(portfolio);
    std::vector<std::unique_ptr<CPicture>> added;
    int id = NewPictureId(portfolio);
    for (std::size_t i = 0; i < gif.images.size(); ++i) {
        if (i > 0)
            id = NextFreeId(used, id);
        if (id >= 0 && id <= MaxPictureId)
            used[std::size_t(id)] = true;
        const GifImage& image = gif.images[i];
        added.push_back(grabPicture(RenderGifImage(gif, i), id));
        ++report.picturesAdded;
        animation.frames.push_back({id, image.left, image.top, 0, 100});
    }
    AddPictures(portfolio, std::move(added));
    feedback.message(AnimationImportedText, MessageIcon::Information);
    portfolio.m_animations.push_back(std::move(animation));
    ++report.animationsAdded;
}

PngImage decodePng(const std::filesystem::path& path) {
    int error = 0;
    auto decoded = ReadPngFile(path, ImportPngLimits, &error);
    if (auto* image = std::get_if<PngImage>(&decoded))
        return std::move(*image);
    if (error != 0)
        throw EFatalError(fileErrorTextFromErrno(error));
    throw EFatalError(PngErrorText(std::get<PngError>(decoded)));
}

} // namespace

Surface DecodeJpegFile(const std::filesystem::path& path) {
    return LoadJpegBitmap(path, ImportCropWidth, ImportCropHeight);
}

Surface DecodePictureBitmap(const std::filesystem::path& path, PictureFileType type,
                            const JpegFileDecoder& decodeJpeg) {
    switch (type) {
    case PictureFileType::Gif: {
        GifFile gif;
        if (!ReadGifFile(gif, path, ImportGifLimits))
            throw EFatalError("Error opening file");
        if (gif.images.empty())
            throw EFatalError("The GIF file holds no image.");
        return RenderGifImage(gif, 0);
    }
    case PictureFileType::Jpeg:
        return decodeJpeg ? decodeJpeg(path) : DecodeJpegFile(path);
    case PictureFileType::Raster:
        return LoadRasterBitmap(path, ImportCropWidth, ImportCropHeight);
    case PictureFileType::Png:
        return decodePng(path).colours;
    case PictureFileType::None:
        break;
    }
    throw EFatalError("Unknown file type");
}

std::vector<std::filesystem::path> ImportFileOrder(std::span<const std::filesystem::path> chosen) {
    std::vector<std::filesystem::path> files(
        chosen.begin(), chosen.begin() + std::ptrdiff_t(std::min<std::size_t>(chosen.size(), 255)));
    if (files.size() >= 2)
        std::swap(files.front(), files.back());
    return files;
}

ImportReport ImportPictureFiles(CPortfolio& portfolio, std::span<const std::filesystem::path> files,
                                Feedback& feedback, const ImportOptions& options) {
    ImportReport report;
    ProgressWindow& progress = feedback.progress();
    progress.Open("Importing files...", "", 0, int(files.size()));
    int done = 0;
    for (const auto& path : files) {
        // The window says which file is being read; a large JPEG takes a moment.
        progress.SetText(path.filename().string());
        const PictureFileType type = PictureFileTypeOf(path);
        if (type == PictureFileType::Gif) {
            importGif(portfolio, path, feedback, options, report);
        } else if (type == PictureFileType::Png) {
            try {
                const PngImage image = decodePng(path);
                addBitmap(portfolio, image.colours, options, report, path,
                          [&](int x, int y) { return image.transparentAt(x, y); });
            } catch (const EFatalError& e) {
                feedback.message(NamingFile(path.string(), e.what()), MessageIcon::Stop);
                skip(report, path, e.what());
            }
        } else if (type != PictureFileType::None) {
            try {
                const Surface bitmap = DecodePictureBitmap(path, type, options.decodeJpeg);
                addBitmap(portfolio, bitmap, options, report, path);
            } catch (const EFatalError& e) {
                feedback.message(NamingFile(path.string(), e.what()), MessageIcon::Stop);
                skip(report, path, e.what());
            }
        } else {
            skip(report, path, "Unknown file type");
        }
        progress.Step(++done);
    }
    progress.Close();
    return report;
}

} // namespace pixelon

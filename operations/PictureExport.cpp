#include "operations/PictureExport.h"

#include <cstdio>
#include <system_error>

#include "codecs/FileBytes.h"
#include "codecs/GifWriter.h"
#include "codecs/JpegCodec.h"
#include "codecs/PngFile.h"
#include "codecs/RasterFile.h"
#include "core/Picture.h"
#include "operations/Ids.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

int lastExportKind = 0;

} // namespace

int LastExportKind() {
    return lastExportKind;
}
void SetLastExportKind(int kind) {
    lastExportKind = kind;
}

std::string DefaultExportName(std::string_view documentPath, std::string_view portfolioName,
                              int id) {
    const auto cut = documentPath.find_last_of("\\/");
    std::string name(cut == std::string_view::npos ? std::string_view{}
                                                   : documentPath.substr(0, cut + 1));
    name += portfolioName;
    name += "_";
    name += IdText(id);
    return name;
}

std::string ExportSavedText(const std::string& path, long long fileSize) {
    return "Picture Saved to file:\n\n  " + path +
           "  \n\n  File Size: " + std::to_string(fileSize) + "  ";
}

PreviewSize DefaultPictureSize(int phoneType) {
    return phoneType == 3 ? PreviewSize{128, 110} : PreviewSize{101, 80};
}

const PaletteMap& ExportGrabMap(int phoneType, ApplicationType app, const CPicture& picture) {
    switch (phoneType) {
    case 0:
    case 2:
        return app == ApplicationType::VistrelEms ? GreyMap : DirectMap;
    case 1:
    case 3:
        return DirectMap;
    case 14: {
        if (lastExportKind == 1)
            return DirectMap;
        CPicture probe = picture; // the depth classification records its result
        return lastExportKind == 0 && probe.NeedsColour() ? DirectMap : GreyMap;
    }
    default:
        return GreyMap;
    }
}

PreviewSize ExportPreviewSize(int phoneType, ApplicationType app,
                              std::optional<PreviewSize> current) {
    if (phoneType >= 0 && phoneType < PhoneFormatTypeCount)
        if (auto size = phoneFormatInfo(phoneType).previewFor(app))
            return *size;
    return current.value_or(StartPreviewSize);
}

CPicture PictureForExport(const CPicture& picture, int phoneType, ApplicationType app,
                          std::optional<PreviewSize> currentPreview) {
    if (phoneType == 12 || phoneType == 13)
        return picture;
    const PreviewSize size = ExportPreviewSize(phoneType, app, currentPreview);
    const int width = size.width, height = size.height;
    Surface preview(width, height, colourWhite);
    picture.Draw(preview, 0, 0);
    CPicture grabbed;
    grabbed.Create(width, height, picture.m_nId);
    grabbed.GrabFrom(preview, ExportGrabMap(phoneType, app, picture));
    return grabbed;
}

bool WritePictureJpegFile(const CPicture& picture, const std::filesystem::path& path) {
    return WritePictureJpeg(picture, path);
}

bool ExportPicture(const CPicture& picture, const ExportRequest& request, Feedback& feedback) {
    // A PNG is no phone's format: the picture is written as it is, at its own size and depth.
    const CPicture toWrite =
        request.type == ExportType::Png
            ? picture
            : PictureForExport(picture, request.phoneType, request.app, request.previewSize);
    bool ok = false;
    switch (request.type) {
    case ExportType::Png: {
        int error = 0;
        ok = WritePicturePng(toWrite, request.path, &error);
        if (!ok && error)
            feedback.message(SaveFailureText(error), MessageIcon::Stop);
        break;
    }
    case ExportType::Gif: {
        lastExportKind = 0;
        const PreviewSize max = DefaultPictureSize(request.phoneType);
        int error = 0;
        ok = WritePictureGif(toWrite, request.path, max.width, max.height, &error);
        // The cause first (a full disk, a missing folder), as for WBMP.
        if (!ok && error)
            feedback.message(SaveFailureText(error), MessageIcon::Stop);
        break;
    }
    case ExportType::Jpeg: {
        lastExportKind = 1;
        std::string failure;
        ok = request.writeJpeg ? request.writeJpeg(toWrite, request.path)
                               : WritePictureJpeg(toWrite, request.path, &failure);
        if (!ok && !failure.empty())
            feedback.message(failure, MessageIcon::Stop);
        break;
    }
    case ExportType::Wbmp: {
        lastExportKind = 2;
        std::string failure;
        ok = WritePictureWbmp(toWrite, request.path, &failure);
        if (!ok)
            feedback.message(failure, MessageIcon::Stop);
        break;
    }
    }
    if (!ok) {
        feedback.message(ExportFailedText, MessageIcon::Stop);
        return false;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(request.path, ec);
    feedback.message(ExportSavedText(request.path.string(), ec ? 600 : (long long)size),
                     MessageIcon::Information);
    return true;
}

} // namespace pixelon

#include "app/ExportCommand.h"

#include "operations/PictureExport.h"

namespace pixelon::app {

namespace {

ExportType exportTypeOf(int filterIndex) {
    switch (filterIndex) {
    case 2:
        return ExportType::Jpeg;
    case 3:
        return ExportType::Wbmp;
    case 4:
        return ExportType::Png;
    default:
        return ExportType::Gif;
    }
}

} // namespace

std::string exportPathFor(const std::string& chosen, int filterIndex) {
    if (fileNamePart(chosen).find('.') != std::string_view::npos)
        return chosen;
    switch (exportTypeOf(filterIndex)) {
    case ExportType::Jpeg:
        return chosen + ".jpg";
    case ExportType::Wbmp:
        return chosen + ".wbmp";
    case ExportType::Png:
        return chosen + ".png";
    case ExportType::Gif:
        break;
    }
    return chosen + ".gif";
}

int exportSelectedPictures(Document& document, std::span<const int> selected,
                           CAppSettings& settings, std::optional<PreviewSize> previewSize) {
    int written = 0;
    for (int index : selected) {
        if (index < 0 || index >= document.m_portfolio.Count())
            continue;
        const CPicture& picture = document.m_portfolio.Picture(index);
        FileRequest request;
        request.title = "Export Picture to File";
        request.filter = ExportFilter;
        request.defaultName = DefaultExportName(document.GetPathName(),
                                                document.m_portfolio.m_strName, picture.m_nId);
        request.filterIndex = settings.m_nDefaultExportType;
        std::optional<FileAnswer> answer = document.chooser().chooseSave(request);
        if (!answer || answer->paths.empty() || answer->paths.front().empty())
            continue;
        int filterIndex =
            answer->filterIndex >= 1 && answer->filterIndex <= 3 ? answer->filterIndex : 1;
        settings.m_nDefaultExportType = filterIndex;
        ExportRequest exportRequest;
        exportRequest.path = exportPathFor(answer->paths.front(), filterIndex);
        exportRequest.type = exportTypeOf(filterIndex);
        exportRequest.phoneType = settings.m_nPhoneType;
        exportRequest.app =
            applicationTypeFromInt(settings.m_nApplicationType).value_or(ApplicationType::Kinetto);
        exportRequest.previewSize = previewSize;
        if (ExportPicture(picture, exportRequest, document.feedback()))
            ++written;
    }
    return written;
}

} // namespace pixelon::app

#include "editing/ui/GlyphFontFile.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "codecs/FileType.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon::ui {

std::shared_ptr<const CPortfolio> loadGlyphFontFile(const std::filesystem::path& path,
                                                    Feedback& feedback) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    auto portfolio = std::make_shared<CPortfolio>();
    // A portfolio's own extension wins over a picture type named elsewhere in the path.
    const bool isPortfolio = extension == ".pfo" || extension == ".r" ||
                             DecidePictureFileType(path.string()) == PictureFileType::None;
    if (isPortfolio) {
        if (!portfolio->ReadFile(path, feedback))
            return nullptr;
        return portfolio;
    }
    const std::filesystem::path files[] = {path};
    const ImportReport report = ImportPictureFiles(*portfolio, files, feedback);
    if (report.picturesAdded == 0)
        return nullptr;
    return portfolio;
}

} // namespace pixelon::ui

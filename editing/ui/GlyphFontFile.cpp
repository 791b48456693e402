#include "editing/ui/GlyphFontFile.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "codecs/FileType.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon::ui {

namespace {

// Passes messages on and remembers whether one was shown. The import's report that a GIF
// animation became pictures is about a portfolio the user never sees here, so it is kept back.
class NoticingFeedback : public Feedback {
public:
    explicit NoticingFeedback(Feedback& inner) : m_inner(inner) {}
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override {
        if (text == AnimationImportedText)
            return Answer::Ok;
        m_shown = true;
        return m_inner.message(text, icon, buttons);
    }
    ProgressWindow& progress() override { return m_inner.progress(); }
    bool shown() const { return m_shown; }

private:
    Feedback& m_inner;
    bool m_shown = false;
};

} // namespace

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
    NoticingFeedback noticing(feedback);
    const ImportReport report = ImportPictureFiles(*portfolio, files, noticing);
    if (report.picturesAdded > 0)
        return portfolio;
    // A file that gave no picture must not fail silently.
    if (!noticing.shown())
        feedback.message("Cannot open file\n" + path.string(), MessageIcon::Stop);
    return nullptr;
}

} // namespace pixelon::ui

// The picture buttons and the double clicks that open the picture editor. Unlike the animation
// edits they change the portfolio at once, so the working copies are kept in step with it.

#include <algorithm>
#include <filesystem>

#include "animation/AnimationEditor.h"
#include "core/Document.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon {

void AnimationEditor::picturesChanged() {
    m_modified = true;
    setSelectedImages(selectedImages());
    changed();
}

bool AnimationEditor::openEditor(CPicture& picture) {
    return m_services.editPicture && m_services.editPicture(picture);
}

void AnimationEditor::newImage() {
    if (!m_services.newPicture)
        return;
    const int caret = selectedImages().empty() ? -1 : selectedImages().front();
    std::unique_ptr<CPicture> picture = m_services.newPicture(m_portfolio, caret);
    if (!picture)
        return;
    CPicture& added = *picture;
    setSelectedImages({AddPicture(m_portfolio, std::move(picture))});
    // The picture stays even when the editor is cancelled.
    openEditor(added);
    picturesChanged();
}

void AnimationEditor::duplicateImage() {
    if (selectedImages().empty() || !m_services.askId)
        return;
    const CPicture& source = m_portfolio.Picture(selectedImages().front());
    const auto id = m_services.askId(NextFreeId(m_portfolio, source.m_nId));
    if (!id || *id < 0 || *id > 0xFFFF)
        return;
    auto copy = std::make_unique<CPicture>();
    copy->CopyFrom(source);
    copy->m_nId = *id;
    CPicture& added = *copy;
    setSelectedImages({AddPicture(m_portfolio, std::move(copy))});
    openEditor(added);
    picturesChanged();
}

void AnimationEditor::removeFramesOf(int id) {
    // Both the working copies and the portfolio's own animations lose the frames: the picture
    // is gone at once, so even a Cancel must not leave frames pointing at it.
    m_lists.removeFramesOf(id);
    RemoveFramesShowing(m_portfolio.m_animations, id);
}

void AnimationEditor::deleteImages() {
    if (selectedImages().empty())
        return;
    const std::vector<int> doomed = selectedImages();
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        const int id = m_portfolio.Picture(*it).m_nId;
        m_portfolio.m_pictures.erase(m_portfolio.m_pictures.begin() + *it);
        // Another picture with the same ID keeps its frames.
        if (!m_portfolio.FindPicture(id))
            removeFramesOf(id);
    }
    setSelectedImages({});
    setSelectedFrames({});
    m_preview.clampPosition();
    picturesChanged();
}

void AnimationEditor::adoptNewAnimations(std::size_t before) {
    for (std::size_t i = before; i < m_portfolio.m_animations.size(); ++i)
        m_lists.add(m_portfolio.m_animations[i]);
}

void AnimationEditor::importImages() {
    if (!m_services.chooser || !m_services.feedback)
        return;
    FileRequest request;
    request.title = ImportDialogTitle;
    request.filter = ImportFilter;
    request.multiple = true;
    const auto answer = m_services.chooser->chooseOpen(request);
    if (!answer || answer->paths.empty())
        return;
    std::vector<std::filesystem::path> chosen(answer->paths.begin(), answer->paths.end());
    const std::vector<std::filesystem::path> files = ImportFileOrder(chosen);
    ImportOptions options;
    if (files.size() == 1 && m_services.editPicture)
        options.editor = [this](CPicture& picture, const Surface&) { return openEditor(picture); };
    const std::size_t before = m_portfolio.m_animations.size();
    const ImportReport report =
        ImportPictureFiles(m_portfolio, files, *m_services.feedback, options);
    // Imported animations join the working copies, so OK keeps them.
    adoptNewAnimations(before);
    if (report.picturesAdded > 0 || report.animationsAdded > 0)
        picturesChanged();
}

void AnimationEditor::editImage(int index) {
    if (index < 0 || std::size_t(index) >= m_portfolio.m_pictures.size())
        return;
    if (openEditor(m_portfolio.Picture(index)))
        picturesChanged();
}

CPicture* AnimationEditor::pictureOfFrame(int frame) {
    const Animation* a = current();
    if (!a || frame < 0 || std::size_t(frame) >= a->frames.size())
        return nullptr;
    return m_portfolio.FindPicture(a->frames[std::size_t(frame)].id);
}

void AnimationEditor::editSelectedFrame() {
    if (selectedFrames().size() != 1)
        return;
    editStoryboardFrame(selectedFrames().front());
}

void AnimationEditor::editStoryboardFrame(int frame) {
    if (CPicture* picture = pictureOfFrame(frame); picture && openEditor(*picture)) {
        picturesChanged();
        m_preview.show(framePosition());
    }
}

} // namespace pixelon

#include "animation/AnimationEditor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

#include "animation/AnimationExport.h"
#include "core/Document.h"
#include "core/Portfolio.h"
#include "operations/PictureImport.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr Colour White = 0x00FFFFFF;
// A zero or negative delay would make the preview's timer spin; the preview waits at least this.
constexpr int MinPreviewDelay = 10;

std::string idLabel(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", id);
    return text;
}

// Animation names are one token in the portfolio file: blanks become underscores.
std::string oneToken(std::string_view text) {
    std::string name(text);
    for (char& c : name)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            c = '_';
    return name;
}

bool inRange(int index, std::size_t size) {
    return index >= 0 && std::size_t(index) < size;
}

// A list's selection as the editor keeps it: indices within the list, ascending, each once.
std::vector<int> selectionWithin(std::vector<int> indices, std::size_t size) {
    std::erase_if(indices, [&](int i) { return !inRange(i, size); });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

} // namespace

std::optional<int> fieldValue(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

AnimationEditor::AnimationEditor(CPortfolio& portfolio, AnimationEditorServices services, bool zoom,
                                 double viewRatio)
    : m_portfolio(portfolio), m_services(std::move(services)), m_animations(portfolio.m_animations),
      m_zoom(zoom), m_viewRatio(viewRatio > 0 ? viewRatio : 1.0) {}

AnimationEditor::~AnimationEditor() {
    if (m_animating && m_services.timer)
        m_services.timer->stop();
}

// ----- lists and selections

std::vector<std::string> AnimationEditor::animationNames() const {
    std::vector<std::string> names;
    for (const Animation& a : m_animations)
        names.push_back(a.name);
    return names;
}

std::vector<std::string> AnimationEditor::imageLabels() const {
    std::vector<std::string> labels;
    for (const auto& picture : m_portfolio.m_pictures)
        labels.push_back(idLabel(picture->m_nId));
    return labels;
}

std::vector<std::string> AnimationEditor::frameLabels() const {
    std::vector<std::string> labels;
    if (const Animation* a = current())
        for (const AnimationFrame& f : a->frames)
            labels.push_back(idLabel(f.id));
    return labels;
}

const Animation* AnimationEditor::current() const {
    return inRange(m_current, m_animations.size()) ? &m_animations[std::size_t(m_current)]
                                                   : nullptr;
}

Animation* AnimationEditor::currentMutable() {
    return const_cast<Animation*>(std::as_const(*this).current());
}

std::string AnimationEditor::title() const {
    const Animation* a = current();
    return a ? "Animation Editor - " + a->name : "Animation Editor";
}

void AnimationEditor::selectAnimation(int index) {
    m_current = inRange(index, m_animations.size()) ? index : -1;
    m_selectedFrames.clear();
    m_focused = -1;
    m_position = 0;
    m_preview.fill(White);
    if (m_animating)
        restartPlayback();
    else
        showFrame(0);
    changed();
}

void AnimationEditor::setSelectedImages(std::vector<int> indices) {
    m_selectedImages = selectionWithin(std::move(indices), m_portfolio.m_pictures.size());
}

void AnimationEditor::setSelectedFrames(std::vector<int> indices, int focused) {
    const std::size_t count = current() ? current()->frames.size() : 0;
    m_selectedFrames = selectionWithin(std::move(indices), count);
    m_focused = inRange(focused, count)    ? focused
                : m_selectedFrames.empty() ? -1
                                           : m_selectedFrames.front();
}

const AnimationFrame* AnimationEditor::shownFrame() const {
    const Animation* a = current();
    return a && inRange(m_focused, a->frames.size()) ? &a->frames[std::size_t(m_focused)] : nullptr;
}

// ----- animation buttons

void AnimationEditor::newAnimation() {
    if (!m_services.askText)
        return;
    const auto name = m_services.askText("Enter new animation name:", "New Animation", "");
    if (!name || name->empty())
        return;
    Animation animation;
    animation.name = oneToken(*name);
    m_animations.push_back(std::move(animation));
    selectAnimation(int(m_animations.size()) - 1);
}

void AnimationEditor::renameAnimation() {
    Animation* a = currentMutable();
    if (!a || !m_services.askText)
        return;
    const auto name = m_services.askText("Edit animation name:", "Rename Animation", a->name);
    if (!name || name->empty())
        return;
    a->name = oneToken(*name);
    changed();
}

void AnimationEditor::deleteAnimation() {
    if (!current())
        return;
    stopPlayback();
    m_animations.erase(m_animations.begin() + m_current);
    selectAnimation(-1);
}

bool AnimationEditor::exportCurrent() {
    const Animation* a = current();
    if (!a || !m_services.chooser || !m_services.feedback)
        return false;
    return exportAnimation(*a, m_portfolio, *m_services.chooser, *m_services.feedback);
}

// ----- picture buttons

void AnimationEditor::picturesChanged() {
    m_modified = true;
    setSelectedImages(m_selectedImages);
    changed();
}

bool AnimationEditor::openEditor(CPicture& picture) {
    return m_services.editPicture && m_services.editPicture(picture);
}

void AnimationEditor::newImage() {
    if (!m_services.newPicture)
        return;
    const int caret = m_selectedImages.empty() ? -1 : m_selectedImages.front();
    std::unique_ptr<CPicture> picture = m_services.newPicture(m_portfolio, caret);
    if (!picture)
        return;
    CPicture& added = *picture;
    m_selectedImages = {AddPicture(m_portfolio, std::move(picture))};
    // The picture stays even when the editor is cancelled.
    openEditor(added);
    picturesChanged();
}

void AnimationEditor::duplicateImage() {
    if (m_selectedImages.empty() || !m_services.askId)
        return;
    const CPicture& source = m_portfolio.Picture(m_selectedImages.front());
    const auto id = m_services.askId(NextFreeId(m_portfolio, source.m_nId));
    if (!id || *id < 0 || *id > 0xFFFF)
        return;
    auto copy = std::make_unique<CPicture>();
    copy->CopyFrom(source);
    copy->m_nId = *id;
    CPicture& added = *copy;
    const int index = AddPicture(m_portfolio, std::move(copy));
    m_selectedImages = {index};
    openEditor(added);
    picturesChanged();
}

void AnimationEditor::removeFramesOf(int id) {
    // Both the working copies and the portfolio's own animations lose the frames: the picture
    // is gone at once, so even a Cancel must not leave frames pointing at it.
    RemoveFramesShowing(m_animations, id);
    RemoveFramesShowing(m_portfolio.m_animations, id);
}

void AnimationEditor::deleteImages() {
    if (m_selectedImages.empty())
        return;
    for (auto it = m_selectedImages.rbegin(); it != m_selectedImages.rend(); ++it) {
        const int id = m_portfolio.Picture(*it).m_nId;
        m_portfolio.m_pictures.erase(m_portfolio.m_pictures.begin() + *it);
        // Another picture with the same ID keeps its frames.
        if (!m_portfolio.FindPicture(id))
            removeFramesOf(id);
    }
    m_selectedImages.clear();
    setSelectedFrames({});
    if (const Animation* a = current())
        m_position = std::min(m_position, std::max(0, int(a->frames.size()) - 1));
    picturesChanged();
}

void AnimationEditor::adoptNewAnimations(std::size_t before) {
    for (std::size_t i = before; i < m_portfolio.m_animations.size(); ++i)
        m_animations.push_back(m_portfolio.m_animations[i]);
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
    if (!inRange(index, m_portfolio.m_pictures.size()))
        return;
    if (openEditor(m_portfolio.Picture(index)))
        picturesChanged();
}

CPicture* AnimationEditor::pictureOfFrame(int frame) {
    const Animation* a = current();
    if (!a || !inRange(frame, a->frames.size()))
        return nullptr;
    return m_portfolio.FindPicture(a->frames[std::size_t(frame)].id);
}

void AnimationEditor::editSelectedFrame() {
    if (m_selectedFrames.size() != 1)
        return;
    editStoryboardFrame(m_selectedFrames.front());
}

void AnimationEditor::editStoryboardFrame(int frame) {
    if (CPicture* picture = pictureOfFrame(frame); picture && openEditor(*picture)) {
        picturesChanged();
        showFrame(m_position);
    }
}

// ----- frame list

void AnimationEditor::addSelectedImages() {
    Animation* a = currentMutable();
    if (!a)
        return;
    for (int index : m_selectedImages)
        a->frames.push_back(AnimationFrame{m_portfolio.Picture(index).m_nId});
    changed();
}

void AnimationEditor::addAllImages() {
    Animation* a = currentMutable();
    if (!a)
        return;
    for (const auto& picture : m_portfolio.m_pictures)
        a->frames.push_back(AnimationFrame{picture->m_nId});
    changed();
}

void AnimationEditor::removeSelectedFrames() {
    Animation* a = currentMutable();
    if (!a || m_selectedFrames.empty())
        return;
    for (auto it = m_selectedFrames.rbegin(); it != m_selectedFrames.rend(); ++it)
        a->frames.erase(a->frames.begin() + *it);
    setSelectedFrames({});
    m_position = std::min(m_position, std::max(0, int(a->frames.size()) - 1));
    changed();
}

void AnimationEditor::removeAllFrames() {
    Animation* a = currentMutable();
    if (!a)
        return;
    a->frames.clear();
    setSelectedFrames({});
    m_position = 0;
    changed();
}

void AnimationEditor::moveFramesUp() {
    Animation* a = currentMutable();
    if (!a || m_selectedFrames.empty() || m_selectedFrames.front() == 0)
        return;
    for (int& i : m_selectedFrames) {
        std::swap(a->frames[std::size_t(i) - 1], a->frames[std::size_t(i)]);
        if (m_focused == i)
            --m_focused;
        --i;
    }
    changed();
}

void AnimationEditor::moveFramesDown() {
    Animation* a = currentMutable();
    if (!a || m_selectedFrames.empty() || m_selectedFrames.back() + 1 >= int(a->frames.size()))
        return;
    for (auto it = m_selectedFrames.rbegin(); it != m_selectedFrames.rend(); ++it) {
        std::swap(a->frames[std::size_t(*it)], a->frames[std::size_t(*it) + 1]);
        if (m_focused == *it)
            ++m_focused;
        ++*it;
    }
    changed();
}

void AnimationEditor::duplicateFrame() {
    Animation* a = currentMutable();
    if (!a || !inRange(m_focused, a->frames.size()))
        return;
    a->frames.push_back(a->frames[std::size_t(m_focused)]);
    changed();
}

void AnimationEditor::setFrameOffset(std::optional<int> x, std::optional<int> y) {
    Animation* a = currentMutable();
    if (!a)
        return;
    for (int i : m_selectedFrames) {
        if (x)
            a->frames[std::size_t(i)].xoffset = *x;
        if (y)
            a->frames[std::size_t(i)].yoffset = *y;
    }
    changed();
}

void AnimationEditor::setFrameDelay(std::optional<int> delay) {
    Animation* a = currentMutable();
    if (!a || !delay)
        return;
    for (int i : m_selectedFrames)
        a->frames[std::size_t(i)].framedelay = *delay;
    changed();
}

void AnimationEditor::setFrameDisposal(int disposal) {
    Animation* a = currentMutable();
    if (!a || (disposal != 0 && disposal != 1))
        return;
    for (int i : m_selectedFrames)
        a->frames[std::size_t(i)].disposal = disposal;
    changed();
}

// ----- loop settings

void AnimationEditor::loopSettingsChanged() {
    if (m_animating)
        restartPlayback();
    changed();
}

void AnimationEditor::playOnce() {
    if (Animation* a = currentMutable()) {
        a->nrepeats = 1;
        loopSettingsChanged();
    }
}

void AnimationEditor::loop() {
    if (Animation* a = currentMutable()) {
        a->nrepeats = 2;
        loopSettingsChanged();
    }
}

void AnimationEditor::loopForever() {
    if (Animation* a = currentMutable()) {
        a->nrepeats = 0;
        loopSettingsChanged();
    }
}

std::string AnimationEditor::setTimes(std::string_view text) {
    Animation* a = currentMutable();
    if (!a)
        return timesText();
    const std::optional<int> times = fieldValue(text);
    if (!times || *times < 2)
        return "2";
    a->nrepeats = *times;
    loopSettingsChanged();
    return std::to_string(*times);
}

LoopChoice AnimationEditor::loopChoice() const {
    const Animation* a = current();
    if (!a || a->nrepeats == 1)
        return LoopChoice::PlayOnce;
    return a->nrepeats == 0 ? LoopChoice::Forever : LoopChoice::Loop;
}

std::string AnimationEditor::timesText() const {
    return loopChoice() == LoopChoice::Loop ? std::to_string(current()->nrepeats) : "2";
}

void AnimationEditor::setLoopStart() {
    Animation* a = currentMutable();
    if (!a || !inRange(m_focused, a->frames.size()))
        return;
    a->loopstart = m_focused;
    loopSettingsChanged();
}

void AnimationEditor::setLoopEnd() {
    Animation* a = currentMutable();
    if (!a || !inRange(m_focused, a->frames.size()))
        return;
    a->loopend = m_focused;
    loopSettingsChanged();
}

void AnimationEditor::setLoopMode(int mode) {
    Animation* a = currentMutable();
    if (!a || mode < 0 || mode > 2)
        return;
    a->loopmode = mode;
    loopSettingsChanged();
}

void AnimationEditor::setClearBetweenFrames(bool clear) {
    if (Animation* a = currentMutable()) {
        a->clearbetweenframes = clear ? 1 : 0;
        loopSettingsChanged();
    }
}

void AnimationEditor::setSize(std::optional<int> width, std::optional<int> height) {
    Animation* a = currentMutable();
    if (!a)
        return;
    if (width && *width >= 0)
        a->width = *width;
    if (height && *height >= 0)
        a->height = *height;
    m_preview.fill(White);
    showFrame(m_position);
    changed();
}

void AnimationEditor::calcSize() {
    if (const Animation* a = current()) {
        const AnimationSize size = animationSize(*a, m_portfolio);
        setSize(size.width, size.height);
    }
}

// ----- preview and playback

void AnimationEditor::setPreviewSize(int width, int height) {
    m_preview = Surface(std::max(0, width), std::max(0, height), White);
    showFrame(m_position);
}

namespace {

// The screen the preview clips to: the animation's own size, or, while that is not set, the
// size its frames need.
AnimationSize screenOf(const Animation& a, const CPortfolio& portfolio) {
    if (a.width > 0 && a.height > 0)
        return {a.width, a.height};
    return animationSize(a, portfolio);
}

} // namespace

double AnimationEditor::scaleFor(const AnimationSize& screen) const {
    if (!m_zoom || screen.width <= 0 || screen.height <= 0 || m_preview.empty())
        return 1.0;
    const double scale = std::min(m_preview.width() / (screen.width * m_viewRatio),
                                  double(m_preview.height()) / screen.height);
    return scale > 1.0 ? std::floor(scale) : scale;
}

double AnimationEditor::previewScale() const {
    const Animation* a = current();
    if (!m_zoom || !a)
        return 1.0;
    return scaleFor(screenOf(*a, m_portfolio));
}

AnimationEditor::PreviewGeometry AnimationEditor::previewGeometry() const {
    const Animation* a = current();
    if (!a)
        return {};
    const AnimationSize screen = screenOf(*a, m_portfolio);
    const double scale = scaleFor(screen);
    PreviewGeometry g;
    g.sx = m_zoom ? scale * m_viewRatio : 1.0;
    g.sy = scale;
    g.screen =
        Rect{0, 0, int(std::lround(screen.width * g.sx)), int(std::lround(screen.height * g.sy))}
            .intersected(m_preview.bounds());
    return g;
}

Rect AnimationEditor::previewScreen() const {
    return previewGeometry().screen;
}

void AnimationEditor::setZoom(bool zoom) {
    m_zoom = zoom;
    m_preview.fill(White);
    showFrame(m_position);
    changed();
}

int AnimationEditor::scrollMaximum() const {
    const Animation* a = current();
    return a && !a->frames.empty() ? int(a->frames.size()) - 1 : 0;
}

void AnimationEditor::scrollTo(int position) {
    showFrame(std::clamp(position, 0, scrollMaximum()));
    changed();
}

void AnimationEditor::showFrame(int frame) {
    m_position = std::max(0, frame);
    const Animation* a = current();
    if (a && inRange(frame, a->frames.size()))
        drawFrame(a->frames[std::size_t(frame)]);
}

void AnimationEditor::drawFrame(const AnimationFrame& frame) {
    const Animation& a = *current();
    if (a.clearbetweenframes)
        m_preview.fill(White);
    const CPicture* picture = m_portfolio.FindPicture(frame.id);
    if (!picture || picture->m_nWidth <= 0 || picture->m_nHeight <= 0)
        return;
    // The scale and the screen are worked out once for the whole frame.
    const PreviewGeometry geometry = previewGeometry();
    const double sx = geometry.sx, sy = geometry.sy;
    const Rect& clip = geometry.screen;
    // The frame's place on the preview, in 64 bits: offsets may be anything a file holds.
    const long long left = std::llround(frame.xoffset * sx);
    const long long top = std::llround(frame.yoffset * sy);
    const long long right = left + std::llround(picture->m_nWidth * sx);
    const long long bottom = top + std::llround(picture->m_nHeight * sy);
    const int x0 = int(std::max<long long>(left, clip.left));
    const int y0 = int(std::max<long long>(top, clip.top));
    const int x1 = int(std::min<long long>(right, clip.right));
    const int y1 = int(std::min<long long>(bottom, clip.bottom));
    if (x0 >= x1 || y0 >= y1)
        return;
    Surface bitmap = picture->MakeBitmap();
    picture->Draw(bitmap, 0, 0);
    // Each preview pixel takes the picture pixels that fall on it; when shrinking, their AND,
    // so black lines survive. Only the visible part is computed, however large the scale.
    auto sourceSpan = [](long long from, double factor, int limit) {
        const int first = std::clamp(int(std::floor(double(from) / factor)), 0, limit - 1);
        const int last = std::clamp(int(std::floor(double(from + 1) / factor)), first + 1, limit);
        return std::pair{first, last};
    };
    for (int ty = y0; ty < y1; ++ty) {
        const auto [sy0, sy1] = sourceSpan(ty - top, sy, picture->m_nHeight);
        for (int tx = x0; tx < x1; ++tx) {
            const auto [sx0, sx1] = sourceSpan(tx - left, sx, picture->m_nWidth);
            Colour c = White;
            for (int y = sy0; y < sy1; ++y)
                for (int x = sx0; x < sx1; ++x)
                    c &= bitmap.pixel(x, y);
            m_preview.setPixel(tx, ty, frame.disposal == 1 ? (m_preview.pixel(tx, ty) & c) : c);
        }
    }
}

void AnimationEditor::restartPlayback() {
    const Animation* a = current();
    if (!a) {
        stopPlayback();
        return;
    }
    m_cursor = startPlayback(*a);
    m_preview.fill(White);
    int delay = NoFrameDelay;
    if (!m_cursor.finished()) {
        showFrame(m_cursor.frame);
        delay = a->frames[std::size_t(m_cursor.frame)].framedelay;
    }
    if (m_services.timer)
        m_services.timer->start(std::max(MinPreviewDelay, delay));
}

void AnimationEditor::stopPlayback() {
    if (m_animating && m_services.timer)
        m_services.timer->stop();
    m_animating = false;
}

void AnimationEditor::setAnimate(bool on) {
    if (on == m_animating)
        return;
    if (on && current()) {
        m_animating = true;
        restartPlayback();
    } else {
        stopPlayback();
    }
    changed();
}

void AnimationEditor::timerFired() {
    const Animation* a = current();
    if (!m_animating || !a)
        return;
    m_cursor.animation = a; // the working copies may have moved since the last step
    if (!stepPlayback(m_cursor)) {
        m_animating = false; // the timer was one-shot: nothing left to stop
        changed();
        return;
    }
    showFrame(m_cursor.frame);
    if (m_services.timer)
        m_services.timer->start(
            std::max(MinPreviewDelay, a->frames[std::size_t(m_cursor.frame)].framedelay));
    changed();
}

Surface AnimationEditor::thumbnail(int frame) const {
    const Animation* a = current();
    if (!a || !inRange(frame, a->frames.size()))
        return {};
    const CPicture* picture = m_portfolio.FindPicture(a->frames[std::size_t(frame)].id);
    if (!picture || picture->m_nWidth <= 0 || picture->m_nHeight <= 0)
        return {};
    Surface bitmap = picture->MakeBitmap();
    picture->Draw(bitmap, 0, 0);
    const int longest = std::max(picture->m_nWidth, picture->m_nHeight);
    if (longest <= StoryboardSize)
        return bitmap;
    Surface small(std::max(1, picture->m_nWidth * StoryboardSize / longest),
                  std::max(1, picture->m_nHeight * StoryboardSize / longest), White);
    small.stretchFrom(bitmap, bitmap.bounds(), small.bounds());
    return small;
}

bool AnimationEditor::accept() {
    stopPlayback();
    if (m_portfolio.m_animations == m_animations)
        return false;
    m_portfolio.m_animations = m_animations;
    return true;
}

void AnimationEditor::changed() {
    if (onChanged)
        onChanged();
}

} // namespace pixelon

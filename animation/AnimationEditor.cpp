#include "animation/AnimationEditor.h"

#include <charconv>

#include "animation/AnimationExport.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// Animation names are one token in the portfolio file: blanks become underscores.
std::string oneToken(std::string_view text) {
    std::string name(text);
    for (char& c : name)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            c = '_';
    return name;
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
    : m_portfolio(portfolio), m_services(std::move(services)), m_lists(portfolio.m_animations),
      m_preview(portfolio, m_lists, m_services.timer, zoom, viewRatio) {}

AnimationEditor::~AnimationEditor() = default;

void AnimationEditor::changed() {
    if (onChanged)
        onChanged();
}

// ----- lists and selections

std::vector<std::string> AnimationEditor::animationNames() const {
    return m_lists.names();
}

std::vector<std::string> AnimationEditor::imageLabels() const {
    std::vector<std::string> labels;
    for (const auto& picture : m_portfolio.m_pictures)
        labels.push_back(idLabel(picture->m_nId));
    return labels;
}

std::vector<std::string> AnimationEditor::frameLabels() const {
    return m_lists.frameLabels();
}

std::string AnimationEditor::title() const {
    const Animation* a = current();
    return a ? "Animation Editor - " + a->name : "Animation Editor";
}

void AnimationEditor::selectAnimation(int index) {
    m_lists.select(index);
    m_preview.startOver();
    changed();
}

void AnimationEditor::setSelectedImages(std::vector<int> indices) {
    m_lists.setSelectedImages(std::move(indices), m_portfolio.m_pictures.size());
}

void AnimationEditor::setSelectedFrames(std::vector<int> indices, int focused) {
    m_lists.setSelectedFrames(std::move(indices), focused);
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
    m_lists.add(std::move(animation));
    selectAnimation(int(animations().size()) - 1);
}

void AnimationEditor::renameAnimation() {
    Animation* a = m_lists.current();
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
    m_preview.stop();
    m_lists.removeCurrent();
    selectAnimation(-1);
}

bool AnimationEditor::exportCurrent() {
    const Animation* a = current();
    if (!a || !m_services.chooser || !m_services.feedback)
        return false;
    return exportAnimation(*a, m_portfolio, *m_services.chooser, *m_services.feedback);
}

// ----- frame list

void AnimationEditor::addSelectedImages() {
    std::vector<int> ids;
    for (int index : selectedImages())
        ids.push_back(m_portfolio.Picture(index).m_nId);
    if (m_lists.appendFrames(ids))
        changed();
}

void AnimationEditor::addAllImages() {
    std::vector<int> ids;
    for (const auto& picture : m_portfolio.m_pictures)
        ids.push_back(picture->m_nId);
    if (m_lists.appendFrames(ids))
        changed();
}

void AnimationEditor::removeSelectedFrames() {
    if (!m_lists.removeSelectedFrames())
        return;
    m_preview.clampPosition();
    changed();
}

void AnimationEditor::removeAllFrames() {
    if (!m_lists.removeAllFrames())
        return;
    m_preview.clampPosition();
    changed();
}

void AnimationEditor::moveFramesUp() {
    if (m_lists.moveFramesUp())
        changed();
}

void AnimationEditor::moveFramesDown() {
    if (m_lists.moveFramesDown())
        changed();
}

void AnimationEditor::duplicateFrame() {
    if (m_lists.duplicateFocusedFrame())
        changed();
}

void AnimationEditor::setFrameOffset(std::optional<int> x, std::optional<int> y) {
    if (m_lists.setOffset(x, y))
        changed();
}

void AnimationEditor::setFrameDelay(std::optional<int> delay) {
    if (m_lists.setDelay(delay))
        changed();
}

void AnimationEditor::setFrameDisposal(int disposal) {
    if (m_lists.setDisposal(disposal))
        changed();
}

// ----- loop settings

void AnimationEditor::loopSettingsChanged() {
    m_preview.loopChanged();
    changed();
}

void AnimationEditor::playOnce() {
    if (Animation* a = m_lists.current()) {
        a->nrepeats = 1;
        loopSettingsChanged();
    }
}

void AnimationEditor::loop() {
    if (Animation* a = m_lists.current()) {
        a->nrepeats = 2;
        loopSettingsChanged();
    }
}

void AnimationEditor::loopForever() {
    if (Animation* a = m_lists.current()) {
        a->nrepeats = 0;
        loopSettingsChanged();
    }
}

std::string AnimationEditor::setTimes(std::string_view text) {
    Animation* a = m_lists.current();
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
    Animation* a = m_lists.current();
    if (!a || !shownFrame())
        return;
    a->loopstart = focusedFrame();
    loopSettingsChanged();
}

void AnimationEditor::setLoopEnd() {
    Animation* a = m_lists.current();
    if (!a || !shownFrame())
        return;
    a->loopend = focusedFrame();
    loopSettingsChanged();
}

void AnimationEditor::setLoopMode(int mode) {
    Animation* a = m_lists.current();
    if (!a || mode < 0 || mode > 2)
        return;
    a->loopmode = mode;
    loopSettingsChanged();
}

void AnimationEditor::setClearBetweenFrames(bool clear) {
    if (Animation* a = m_lists.current()) {
        a->clearbetweenframes = clear ? 1 : 0;
        loopSettingsChanged();
    }
}

void AnimationEditor::setSize(std::optional<int> width, std::optional<int> height) {
    Animation* a = m_lists.current();
    if (!a)
        return;
    if (width && *width >= 0)
        a->width = *width;
    if (height && *height >= 0)
        a->height = *height;
    m_preview.redraw();
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
    m_preview.resize(width, height);
}

void AnimationEditor::setZoom(bool zoom) {
    m_preview.setZoom(zoom);
    changed();
}

void AnimationEditor::setAnimate(bool on) {
    if (m_preview.setAnimate(on))
        changed();
}

void AnimationEditor::timerFired() {
    if (m_preview.timerFired())
        changed();
}

void AnimationEditor::scrollTo(int position) {
    m_preview.scrollTo(position);
    changed();
}

bool AnimationEditor::accept() {
    m_preview.stop();
    if (m_portfolio.m_animations == animations())
        return false;
    m_portfolio.m_animations = animations();
    return true;
}

} // namespace pixelon

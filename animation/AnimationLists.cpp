#include "animation/AnimationLists.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace pixelon {

namespace {

bool inRange(int index, std::size_t size) {
    return index >= 0 && std::size_t(index) < size;
}

std::vector<int> selectionWithin(std::vector<int> indices, std::size_t size) {
    std::erase_if(indices, [&](int i) { return !inRange(i, size); });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

} // namespace

std::string idLabel(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "%05d", id);
    return text;
}

std::vector<std::string> AnimationLists::names() const {
    std::vector<std::string> names;
    for (const Animation& a : m_animations)
        names.push_back(a.name);
    return names;
}

std::vector<std::string> AnimationLists::frameLabels() const {
    std::vector<std::string> labels;
    if (const Animation* a = current())
        for (const AnimationFrame& f : a->frames)
            labels.push_back(idLabel(f.id));
    return labels;
}

const Animation* AnimationLists::current() const {
    return inRange(m_current, m_animations.size()) ? &m_animations[std::size_t(m_current)]
                                                   : nullptr;
}

Animation* AnimationLists::current() {
    return const_cast<Animation*>(std::as_const(*this).current());
}

void AnimationLists::select(int index) {
    m_current = inRange(index, m_animations.size()) ? index : -1;
    m_selectedFrames.clear();
    m_focused = -1;
}

void AnimationLists::removeCurrent() {
    if (!current())
        return;
    m_animations.erase(m_animations.begin() + m_current);
    select(-1);
}

void AnimationLists::setSelectedImages(std::vector<int> indices, std::size_t imageCount) {
    m_selectedImages = selectionWithin(std::move(indices), imageCount);
}

void AnimationLists::setSelectedFrames(std::vector<int> indices, int focused) {
    const std::size_t count = current() ? current()->frames.size() : 0;
    m_selectedFrames = selectionWithin(std::move(indices), count);
    m_focused = inRange(focused, count)    ? focused
                : m_selectedFrames.empty() ? -1
                                           : m_selectedFrames.front();
}

const AnimationFrame* AnimationLists::shownFrame() const {
    const Animation* a = current();
    return a && inRange(m_focused, a->frames.size()) ? &a->frames[std::size_t(m_focused)] : nullptr;
}

// ----- frame list edits

bool AnimationLists::appendFrames(const std::vector<int>& pictureIds) {
    Animation* a = current();
    if (!a)
        return false;
    for (int id : pictureIds)
        a->frames.push_back(AnimationFrame{id});
    return true;
}

bool AnimationLists::removeSelectedFrames() {
    Animation* a = current();
    if (!a || m_selectedFrames.empty())
        return false;
    for (auto it = m_selectedFrames.rbegin(); it != m_selectedFrames.rend(); ++it)
        a->frames.erase(a->frames.begin() + *it);
    setSelectedFrames({});
    return true;
}

bool AnimationLists::removeAllFrames() {
    Animation* a = current();
    if (!a)
        return false;
    a->frames.clear();
    setSelectedFrames({});
    return true;
}

bool AnimationLists::moveFramesUp() {
    Animation* a = current();
    if (!a || m_selectedFrames.empty() || m_selectedFrames.front() == 0)
        return false;
    for (int& i : m_selectedFrames) {
        std::swap(a->frames[std::size_t(i) - 1], a->frames[std::size_t(i)]);
        if (m_focused == i)
            --m_focused;
        --i;
    }
    return true;
}

bool AnimationLists::moveFramesDown() {
    Animation* a = current();
    if (!a || m_selectedFrames.empty() || m_selectedFrames.back() + 1 >= int(a->frames.size()))
        return false;
    for (auto it = m_selectedFrames.rbegin(); it != m_selectedFrames.rend(); ++it) {
        std::swap(a->frames[std::size_t(*it)], a->frames[std::size_t(*it) + 1]);
        if (m_focused == *it)
            ++m_focused;
        ++*it;
    }
    return true;
}

bool AnimationLists::duplicateFocusedFrame() {
    Animation* a = current();
    if (!a || !inRange(m_focused, a->frames.size()))
        return false;
    a->frames.push_back(a->frames[std::size_t(m_focused)]);
    return true;
}

bool AnimationLists::setOffset(std::optional<int> x, std::optional<int> y) {
    Animation* a = current();
    if (!a)
        return false;
    for (int i : m_selectedFrames) {
        if (x)
            a->frames[std::size_t(i)].xoffset = *x;
        if (y)
            a->frames[std::size_t(i)].yoffset = *y;
    }
    return true;
}

bool AnimationLists::setDelay(std::optional<int> delay) {
    Animation* a = current();
    if (!a || !delay)
        return false;
    for (int i : m_selectedFrames)
        a->frames[std::size_t(i)].framedelay = *delay;
    return true;
}

bool AnimationLists::setDisposal(int disposal) {
    Animation* a = current();
    if (!a || (disposal != 0 && disposal != 1))
        return false;
    for (int i : m_selectedFrames)
        a->frames[std::size_t(i)].disposal = disposal;
    return true;
}

} // namespace pixelon

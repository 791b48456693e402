#include "editing/Transforms.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace pixelon {

int FoldProcessor::progressSteps() const {
    const bool wholeHeight = (m_flags & 0x4000) && (m_flags & 0x8000);
    return wholeHeight ? region.height() : region.height() / 2;
}

Colour FoldProcessor::computePixel() {
    switch (m_mode) {
    case 1:
    case 2:
        return target->pixel(mirrorX(), y);
    case 3:
    case 4:
        return target->pixel(x, mirrorY());
    case 5: {
        Colour other = target->pixel(mirrorX(), y);
        target->setPixel(mirrorX(), y, target->pixel(x, y));
        return other;
    }
    default: {
        Colour other = target->pixel(x, mirrorY());
        target->setPixel(x, mirrorY(), target->pixel(x, y));
        return other;
    }
    }
}

bool RotateProcessor::init() {
    if (m_rotation != Rotation::Left && m_rotation != Rotation::Right)
        return true;
    try {
        m_transposed.assign(std::size_t(m_ws) * std::size_t(m_hs), 0x00FFFFFF);
    } catch (const std::bad_alloc&) {
        return false;
    }
    constexpr int Block = 32;
    for (int by = 0; by < m_hs; by += Block)
        for (int bx = 0; bx < m_ws; bx += Block)
            for (int sy = by; sy < std::min(by + Block, m_hs); ++sy)
                for (int sx = bx; sx < std::min(bx + Block, m_ws); ++sx)
                    m_transposed[std::size_t(sx) * std::size_t(m_hs) + std::size_t(sy)] =
                        sourceAt(sx, sy);
    return true;
}

Colour RotateProcessor::computePixel() {
    const int tx = x - region.left, ty = y - region.top;
    auto transposed = [&](int sx, int sy) -> Colour {
        if (sx < 0 || sy < 0 || sx >= m_ws || sy >= m_hs)
            return InvalidColour;
        return m_transposed[std::size_t(sx) * std::size_t(m_hs) + std::size_t(sy)];
    };
    switch (m_rotation) {
    case Rotation::Left:
        return transposed(m_ws - 1 - ty, tx);
    case Rotation::Right:
        return transposed(ty, m_hs - 1 - tx);
    case Rotation::Half:
        return sourceAt(m_ws - 1 - tx, m_hs - 1 - ty);
    case Rotation::None:
        break;
    }
    return sourceAt(tx, ty);
}

ColourSwapModel::ColourSwapModel(Colour userColour) : m_userColour(userColour) {
    m_custom.fill(userColour);
}

void ColourSwapModel::select(int row, int entry) {
    if (row >= 0 && row < Rows && entry >= 0 && entry < Entries)
        m_selection[std::size_t(row)] = entry;
}

ColourPair ColourSwapModel::entry(int row, int entry) const {
    const Colour b = colourBlack, d = colourDarkGrey, l = colourLightGrey, w = colourWhite;
    switch (entry) {
    case 0:
        return {b, b};
    case 1:
        return {d, d};
    case 2:
        return {l, l};
    case 3:
        return {w, w};
    case 4:
        return {b, d};
    case 5:
        return {d, l};
    case 6:
        return {l, w};
    case 7:
        return {b, w};
    default:
        return ColourPair::plain(m_custom[std::size_t(row)]);
    }
}

Colour ColourSwapModel::source(int row) const {
    const Colour sources[] = {colourBlack, colourDarkGrey, colourLightGrey, colourWhite,
                              m_userColour};
    return sources[std::clamp(row, 0, Rows - 1)];
}

void ColourSwapModel::setGreyRows(int black, int dark, int light, int white) {
    m_selection[0] = black;
    m_selection[1] = dark;
    m_selection[2] = light;
    m_selection[3] = white;
    m_selection[4] = 8;
}

namespace {

Colour mapChannels(Colour c, int (*f)(int)) {
    return rgb(f(redOf(c)), f(greenOf(c)), f(blueOf(c)));
}

} // namespace

void ColourSwapModel::invert() {
    setGreyRows(3, 2, 1, 0);
    m_custom[4] = mapChannels(m_userColour, [](int v) { return 255 - v; });
}

void ColourSwapModel::normal() {
    // The user colour's row maps the colour onto itself, so normal leaves every pixel as it is.
    setGreyRows(0, 1, 2, 3);
    m_custom[4] = m_userColour;
}

void ColourSwapModel::darken() {
    setGreyRows(0, 4, 5, 6);
    m_custom[4] = mapChannels(m_custom[4], [](int v) { return std::max(v - 4, 0); });
}

void ColourSwapModel::lighten() {
    setGreyRows(4, 5, 6, 3);
    m_custom[4] = mapChannels(m_custom[4], [](int v) { return std::min(v + 4, 255); });
}

void ColourSwapModel::soften() {
    setGreyRows(4, 1, 2, 6);
    m_custom[4] = mapChannels(m_custom[4], [](int v) { return v >= 128 ? v - 8 : v + 8; });
}

void ColourSwapModel::chooseColour(Colour c) {
    for (int row = 0; row < Rows; ++row)
        if (m_selection[std::size_t(row)] != 8)
            m_custom[std::size_t(row)] = c & 0x00FFFFFF;
}

std::array<ColourPair, 5> ColourSwapModel::result() const {
    std::array<ColourPair, 5> pairs;
    for (int row = 0; row < Rows; ++row)
        pairs[std::size_t(row)] = pair(row);
    return pairs;
}

bool countsAsGrey(Colour c) {
    if (c == 0 || c == 0xFFFFFF)
        return true;
    const int r = redOf(c), g = greenOf(c), b = blueOf(c);
    auto within = [&](int lo, int hi) {
        return r >= lo && r <= hi && g >= lo && g <= hi && b >= lo && b <= hi;
    };
    if (within(81, 111) || within(169, 182))
        return true;
    const int close = (std::abs(r - g) <= 13) + (std::abs(r - b) <= 13) + (std::abs(g - b) <= 13);
    return close >= 2;
}

Colour ColourSwapProcessor::computePixel() {
    const Colour c = target->pixel(x, y);
    ColourPair pair = ColourPair::plain(c);
    if (c == m_userColour && !(m_pairs[4] == ColourPair::plain(c)))
        pair = m_pairs[4];
    else if (countsAsGrey(c))
        pair = m_pairs[std::size_t(mapIndex(c, GreyMap))];
    return pair.at(x, y);
}

void ScaleDialogModel::setRatioText(std::string_view text) {
    m_ratio = std::string(text);
    char* end = nullptr;
    const double ratio = std::strtod(m_ratio.c_str(), &end);
    if (end != m_ratio.c_str() && ratio > 0.001 && ratio < 1e6) {
        m_x = int(m_width * ratio);
        m_y = int(m_height * ratio);
    } else {
        m_x = m_width;
        m_y = m_height;
    }
}

void foldPicture(EditCanvas& ec, FoldMode mode, Feedback& feedback) {
    FoldProcessor fold(mode);
    runProcessor(fold, ec.canvas, ec.region(), feedback);
}

bool setPictureSize(EditCanvas& ec, Rect source, int newWidth, int newHeight,
                    PixelProcessor* processor, Feedback& feedback) {
    if (!validEditSize(newWidth, newHeight))
        return false;
    // Only the source rectangle (or the old picture window) is read, so it is kept aside and
    // the canvas storage is reused for the new size.
    const Rect keep = (processor ? ec.window() : source).intersected(ec.canvas.bounds());
    Surface old;
    try {
        old = Surface(keep.width(), keep.height());
        old.copyFrom(ec.canvas, keep, 0, 0);
        ec.canvas.reshape(newWidth * 5, newHeight * 5, colourWhite);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const Rect local{source.left - keep.left, source.top - keep.top, source.right - keep.left,
                     source.bottom - keep.top};
    ec.width = newWidth;
    ec.height = newHeight;
    ec.originX = newWidth;
    ec.originY = newHeight;
    ec.selection.reset();
    if (processor) {
        processor->source = &old;
        processor->sourceOrigin = old.bounds();
        runProcessor(*processor, ec.canvas, ec.window(), feedback);
    } else {
        ec.canvas.stretchFrom(old, local, ec.window());
    }
    return true;
}

void rotatePicture(EditCanvas& ec, Rotation rotation, Feedback& feedback) {
    if (rotation == Rotation::None)
        return;
    const bool quarter = rotation != Rotation::Half;
    if (quarter && ec.width != ec.height && !ec.selection) {
        RotateProcessor rotate(rotation, ec.width, ec.height);
        setPictureSize(ec, ec.window(), ec.height, ec.width, &rotate, feedback);
        return;
    }
    const Rect from = ec.region();
    // The processor reads a copy of the old pixels, so the target may overlap them freely.
    Surface before(from.width(), from.height());
    before.copyFrom(ec.canvas, from, 0, 0);
    Rect to = from;
    if (rotation == Rotation::Left)
        to = {from.left, from.bottom - from.width(), from.left + from.height(), from.bottom};
    else if (rotation == Rotation::Right)
        to = {from.left, from.top, from.left + from.height(), from.top + from.width()};
    // Writes that fall off the canvas are dropped by the surface.
    RotateProcessor rotate(rotation, from.width(), from.height());
    rotate.source = &before;
    rotate.sourceOrigin = before.bounds();
    runProcessor(rotate, ec.canvas, to, feedback);
    if (ec.selection) {
        Rect selected = to.intersected(ec.window());
        if (selected.empty())
            ec.selection.reset();
        else
            ec.selection = selected;
    }
}

bool scalePicture(EditCanvas& ec, int newWidth, int newHeight, Feedback& feedback) {
    if (newWidth == ec.width && newHeight == ec.height)
        return true;
    return setPictureSize(ec, ec.window(), newWidth, newHeight, nullptr, feedback);
}

bool resizePicture(EditCanvas& ec, int newWidth, int newHeight, Feedback& feedback) {
    const Rect source{ec.originX, ec.originY, ec.originX + newWidth, ec.originY + newHeight};
    return setPictureSize(ec, source, newWidth, newHeight, nullptr, feedback);
}

bool cropPicture(EditCanvas& ec, int phoneWidth, int phoneHeight, Feedback& feedback) {
    if (ec.selection) {
        const Rect s = *ec.selection;
        return setPictureSize(ec, s, s.width(), s.height(), nullptr, feedback);
    }
    const int w = std::min(ec.width, phoneWidth), h = std::min(ec.height, phoneHeight);
    const Rect source{ec.originX, ec.originY, ec.originX + w, ec.originY + h};
    return setPictureSize(ec, source, w, h, nullptr, feedback);
}

void shiftPicture(EditCanvas& ec, int dx, int dy) {
    if (ec.selection) {
        const Rect from = *ec.selection;
        Rect to{from.left + dx, from.top + dy, from.right + dx, from.bottom + dy};
        if (to.intersected(ec.canvas.bounds()) != to)
            return; // the block would leave the canvas and lose pixels
        Surface block(from.width(), from.height());
        block.copyFrom(ec.canvas, from, 0, 0);
        ec.canvas.fillRect(from, colourWhite);
        ec.canvas.copyFrom(block, to.left, to.top);
        ec.selection = to;
        return;
    }
    // The picture window moves over the canvas, so the content appears to move the other way.
    ec.originX = std::clamp(ec.originX + dx, 0, 4 * ec.width);
    ec.originY = std::clamp(ec.originY + dy, 0, 4 * ec.height);
}

void clearPicture(EditCanvas& ec) {
    ec.canvas.fill(colourWhite);
}

void swapColours(EditCanvas& ec, const std::array<ColourPair, 5>& pairs, Colour userColour,
                 Feedback& feedback) {
    ColourSwapProcessor swap(pairs, userColour);
    runProcessor(swap, ec.canvas, ec.region(), feedback);
}

} // namespace pixelon

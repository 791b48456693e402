#include "editing/EditorCanvas.h"

#include <algorithm>

namespace pixelon {

namespace {

const PaletteMap& mapOfDepth(int depth) {
    switch (depth) {
    case 1:
    case 2:
        return GreyMap;
    case 8:
        return CubeMap;
    default:
        return DirectMap;
    }
}

bool pictureStorageFits(const CPicture& p) {
    const std::size_t count =
        std::size_t(std::max(p.m_nWidth, 0)) * std::size_t(std::max(p.m_nHeight, 0));
    return p.m_pixels.size() >= count * 2 && p.m_mask.size() >= count;
}

bool inBand(Colour c, int lo, int hi) {
    auto in = [&](int v) { return v >= lo && v <= hi; };
    return in(redOf(c)) && in(greenOf(c)) && in(blueOf(c));
}

} // namespace

EditorCanvas::EditorCanvas(const CPicture& picture, Feedback& feedback) : m_feedback(feedback) {
    const int w = std::clamp(picture.m_nWidth, 1, MaxEditSize);
    const int h = std::clamp(picture.m_nHeight, 1, MaxEditSize);
    m_ec.reset(w, h);
    if (pictureStorageFits(picture)) {
        picture.Draw(m_ec.canvas, m_ec.originX, m_ec.originY, -1, w, h, true);
        // Only what the picture's mask marks is transparent, whatever its colour.
        if (picture.m_bMasked)
            for (int y = 0; y < std::min(h, picture.m_nHeight); ++y)
                for (int x = 0; x < std::min(w, picture.m_nWidth); ++x)
                    if (!picture.GetMask(x, y))
                        m_ec.setTransparent(m_ec.originX + x, m_ec.originY + y, true);
    }
    m_depth = picture.GetStoredDepth() == 8 || picture.m_nDepth == 8 ? 8 : picture.m_nDepth;
    CurrentMap = &mapOfDepth(m_depth);
}

void EditorCanvas::toMono(bool dither) {
    if (dither) {
        KernelDither kernel(MonoMap, 5);
        runProcessor(kernel, m_ec.canvas, m_ec.region(), m_feedback);
    } else {
        toMonoPlain(m_ec.canvas, m_ec.window());
    }
    m_ec.rekeyTransparent(m_ec.window());
}

void EditorCanvas::toGreyLevels(bool dither) {
    if (dither)
        greyDither(m_ec.canvas, m_ec.window(), greyDitherDirection(), m_feedback);
    else
        toGreyPlain(m_ec.canvas, m_ec.window());
    m_ec.rekeyTransparent(m_ec.window());
}

void EditorCanvas::toCubeColours(bool dither) {
    if (dither && !cubeDither(m_ec.canvas, m_ec.window(), m_feedback))
        return;
    toCubePlain(m_ec.canvas, m_ec.window());
    m_ec.rekeyTransparent(m_ec.window());
    m_depth = 8;
    CurrentMap = &CubeMap;
}

void EditorCanvas::mapToSteps(const MappingSteps& steps) {
    pixelon::mapToSteps(m_ec.canvas, m_ec.window(), steps);
    m_ec.rekeyTransparent(m_ec.window());
    m_depth = 2;
    CurrentMap = &GreyMap;
}

bool EditorCanvas::transform(const std::function<bool(EditCanvas&, Feedback&)>& apply) {
    if (m_ec.mask.empty())
        return apply(m_ec, m_feedback);
    // The mask goes through the same transform from the same starting state.
    EditCanvas maskView;
    maskView.canvas = std::move(m_ec.mask);
    maskView.width = m_ec.width;
    maskView.height = m_ec.height;
    maskView.originX = m_ec.originX;
    maskView.originY = m_ec.originY;
    maskView.selection = m_ec.selection;
    const bool ok = apply(m_ec, m_feedback);
    if (ok) {
        RecordingFeedback quiet;
        if (!apply(maskView, quiet) || maskView.canvas.width() != m_ec.canvas.width() ||
            maskView.canvas.height() != m_ec.canvas.height())
            maskView.canvas = Surface(); // cannot follow: every pixel opaque rather than wrong
    }
    m_ec.mask = std::move(maskView.canvas);
    return ok;
}

void EditorCanvas::fold(FoldMode mode) {
    transform([mode](EditCanvas& ec, Feedback& fb) {
        foldPicture(ec, mode, fb);
        return true;
    });
}

void EditorCanvas::rotate(Rotation rotation) {
    transform([rotation](EditCanvas& ec, Feedback& fb) {
        rotatePicture(ec, rotation, fb);
        return true;
    });
}

bool EditorCanvas::scale(int newWidth, int newHeight) {
    return transform(
        [&](EditCanvas& ec, Feedback& fb) { return scalePicture(ec, newWidth, newHeight, fb); });
}

bool EditorCanvas::resize(int newWidth, int newHeight) {
    return transform(
        [&](EditCanvas& ec, Feedback& fb) { return resizePicture(ec, newWidth, newHeight, fb); });
}

bool EditorCanvas::crop() {
    return transform([&](EditCanvas& ec, Feedback& fb) {
        return cropPicture(ec, m_phoneWidth, m_phoneHeight, fb);
    });
}

void EditorCanvas::setPhoneSize(int width, int height) {
    m_phoneWidth = std::max(width, 1);
    m_phoneHeight = std::max(height, 1);
}

void EditorCanvas::shift(int dx, int dy) {
    transform([dx, dy](EditCanvas& ec, Feedback&) {
        shiftPicture(ec, dx, dy);
        return true;
    });
}

void EditorCanvas::clear() {
    clearPicture(m_ec);
    m_ec.mask = Surface();
}

void EditorCanvas::swapColours(const std::array<ColourPair, 5>& pairs, Colour custom) {
    pixelon::swapColours(m_ec, pairs, custom, m_feedback);
    m_ec.rekeyTransparent(m_ec.region());
}

Surface EditorCanvas::copy() const {
    const Rect r = m_ec.region().intersected(m_ec.canvas.bounds());
    Surface out(r.width(), r.height());
    out.copyFrom(m_ec.canvas, r, 0, 0);
    return out;
}

void EditorCanvas::paste(const Surface& bitmap) {
    const Rect target = m_ec.region();
    const int w = std::min(bitmap.width(), 5 * target.width());
    const int h = std::min(bitmap.height(), 5 * target.height());
    m_ec.canvas.copyFrom(bitmap, {0, 0, w, h}, target.left, target.top);
    // Pasted pixels are opaque whatever their colour.
    m_ec.setOpaque({target.left, target.top, target.left + w, target.top + h});
}

bool EditorCanvas::undo() {
    const int w = m_ec.width, h = m_ec.height;
    m_ec.undo();
    return w != m_ec.width || h != m_ec.height;
}

void EditorCanvas::accept(CPicture& picture) {
    m_ec.selection.reset();
    // The picture keeps the middle of a canvas beyond the editor's limits; the portfolio
    // reader takes every size up to them back.
    const int w = std::min(m_ec.width, 1300), h = std::min(m_ec.height, 1360);
    const int left = m_ec.originX + (m_ec.width - w) / 2;
    const int top = m_ec.originY + (m_ec.height - h) / 2;
    const bool wasMasked = picture.m_bMasked;
    picture.m_nWidth = w;
    picture.m_nHeight = h;
    picture.GrabFrom(m_ec.canvas, DirectMap, left, top);
    // The mask decides transparency: an Icon stays one, a picture painted with the
    // transparent button becomes one, and opaque pixels of any colour stay opaque.
    bool transparent = false;
    int decided = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Colour shown = m_ec.canvas.pixel(left + x, top + y);
            if (m_ec.transparentAt(left + x, top + y)) {
                picture.SetMask(x, y, 0);
                transparent = true;
                continue;
            }
            if (decided == 16)
                continue;
            const Colour c = fromRgb565(toRgb565(shown));
            if (c == 0 || c == 0xFFFFFF || c == colourBlack || c == colourWhite)
                decided = std::max(decided, 1);
            else if (inBand(c, 81, 111) || inBand(c, 169, 182))
                decided = 2;
            else
                decided = 16;
        }
    picture.m_bMasked = wasMasked || transparent;
    if (m_depth == 8) {
        decided = 8;
        picture.m_nStoredDepth = 8;
        picture.m_nDepth = 8;
    } else {
        // The values are RGB565 whatever the decided depth, so they are read as colours.
        picture.m_nDepth = 16;
    }
    picture.m_nSaveDepth = std::max(decided, 1);
    m_depth = picture.m_nSaveDepth;
    CurrentMap = &mapOfDepth(m_depth);
}

} // namespace pixelon

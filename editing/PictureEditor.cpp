#include "editing/PictureEditor.h"

#include "editing/PixelFont.h"

namespace pixelon {

PictureEditor::PictureEditor(const CPicture& picture, Feedback& feedback, int ascent)
    : m_canvas(picture, feedback), m_view(ascent) {
    m_view.fitTo(state());
}

// --- View ----------------------------------------------------------------------------------

void PictureEditor::setViewSize(int viewWidth, int viewHeight) {
    m_view.setSize(viewWidth, viewHeight, state());
}

void PictureEditor::zoomIn() {
    commitText();
    m_view.zoomIn(state());
}

void PictureEditor::zoomOut() {
    commitText();
    m_view.zoomOut();
}

void PictureEditor::toggleGrid() {
    commitText();
    m_view.toggleGrid();
}

std::optional<std::pair<int, int>> PictureEditor::toPicture(int viewX, int viewY) const {
    const auto [px, py] = viewToPicture(viewX, viewY);
    if (!state().inPicture(px, py))
        return {};
    return std::pair{px, py};
}

std::pair<int, int> PictureEditor::viewToPicture(int viewX, int viewY) const {
    return m_view.toPicture(viewX, viewY, state());
}

void PictureEditor::setScroll(int x, int y) {
    m_view.setScroll(x, y, state());
}

void PictureEditor::renderView(Surface& out) const {
    std::optional<LinePreview> line;
    if (m_lineStart && m_pressed)
        line = LinePreview{*m_lineStart, m_lineEnd, m_colours.brush(*m_pressed)};
    m_view.render(out, state(), line, m_text);
}

void PictureEditor::afterResize() {
    m_view.fitTo(state());
}

// --- Colours -------------------------------------------------------------------------------

void PictureEditor::setLeftColour(ColourPair pair) {
    commitText();
    m_colours.setLeft(pair);
}

void PictureEditor::setRightColour(ColourPair pair) {
    commitText();
    m_colours.setRight(pair);
}

ColourPair PictureEditor::paletteButtonPair(int control) const {
    return m_colours.buttonPair(control);
}

void PictureEditor::clickPaletteButton(int control, MouseButton button) {
    if (!EditorColours::isPaletteButton(control))
        return;
    commitText();
    m_colours.click(control, button);
}

void PictureEditor::chooseCustomColour(Colour c) {
    commitText();
    m_colours.chooseCustom(c);
}

// --- Selection and text --------------------------------------------------------------------

std::optional<Rect> PictureEditor::selection() const {
    return EditorSelection::inPicture(state());
}

void PictureEditor::setSelection(std::optional<Rect> pictureRect) {
    commit();
    EditorSelection::set(ec(), pictureRect);
}

std::string PictureEditor::selectionText() const {
    return EditorSelection::text(state());
}

void PictureEditor::setFont(std::shared_ptr<const TextFont> font) {
    commitText();
    m_text.setFont(std::move(font));
    m_tool = Tool::Text;
}

void PictureEditor::chooseFont(std::shared_ptr<const TextFont> font) {
    setEditorFont(std::move(font));
    setFont(editorFont());
}

const std::string& PictureEditor::text() const {
    return m_text.characters();
}

void PictureEditor::typeText(std::string_view characters) {
    m_text.type(characters);
}

void PictureEditor::backspace() {
    m_text.backspace();
}

void PictureEditor::commitText() {
    m_text.commit(ec());
}

void PictureEditor::commitFloating() {
    m_selection.commitFloating(ec());
}

void PictureEditor::commit() {
    commitText();
    commitFloating();
}

void PictureEditor::beforeChange() {
    commit();
    ec().saveUndo();
}

// --- Commands ------------------------------------------------------------------------------

void PictureEditor::toMono() {
    beforeChange();
    m_canvas.toMono(dither);
}

void PictureEditor::toGreyLevels() {
    beforeChange();
    m_canvas.toGreyLevels(dither);
}

void PictureEditor::toCubeColours() {
    beforeChange();
    m_canvas.toCubeColours(dither);
}

void PictureEditor::mapToSteps(const MappingSteps& steps) {
    currentMappingSteps() = steps;
    beforeChange();
    m_canvas.mapToSteps(steps);
}

void PictureEditor::fold(FoldMode mode) {
    beforeChange();
    m_canvas.fold(mode);
}

void PictureEditor::rotate(Rotation rotation) {
    if (rotation == Rotation::None)
        return;
    beforeChange();
    m_canvas.rotate(rotation);
    afterResize();
}

bool PictureEditor::scale(int newWidth, int newHeight) {
    beforeChange();
    const bool ok = m_canvas.scale(newWidth, newHeight);
    afterResize();
    return ok;
}

bool PictureEditor::resize(int newWidth, int newHeight) {
    beforeChange();
    const bool ok = m_canvas.resize(newWidth, newHeight);
    afterResize();
    return ok;
}

bool PictureEditor::crop() {
    beforeChange();
    const bool ok = m_canvas.crop();
    afterResize();
    return ok;
}

void PictureEditor::setPhoneSize(int width, int height) {
    m_canvas.setPhoneSize(width, height);
}

void PictureEditor::shift(int dx, int dy) {
    beforeChange();
    m_canvas.shift(dx, dy);
}

void PictureEditor::clear() {
    beforeChange();
    m_canvas.clear();
}

void PictureEditor::swapColours(const std::array<ColourPair, 5>& pairs) {
    beforeChange();
    m_canvas.swapColours(pairs, m_colours.custom());
}

Surface PictureEditor::copy() {
    commit();
    return m_canvas.copy();
}

void PictureEditor::paste(const Surface& bitmap) {
    if (bitmap.empty())
        return;
    beforeChange();
    m_canvas.paste(bitmap);
}

void PictureEditor::undo() {
    commit();
    if (m_canvas.undo())
        afterResize();
}

void PictureEditor::accept(CPicture& picture) {
    commit();
    m_canvas.accept(picture);
}

} // namespace pixelon

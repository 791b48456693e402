#include "editing/ui/EditorWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "core/Portfolio.h"
#include "editing/ui/EditorDialogs.h"
#include "editing/ui/PaletteButton.h"
#include "platform/Registry.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

EditorWindow::EditorWindow(CPicture& picture, Feedback& feedback, EditorOptions options,
                           QWidget* parent)
    : QDialog(parent), m_picture(picture), m_options(options),
      m_editor(picture, feedback, options.portfolio ? options.portfolio->m_nAscent : 0),
      m_feedback(feedback) {
    setWindowTitle(QString("Image Editor - Picture %1").arg(picture.m_nId, 5, 10, QChar('0')));
    m_editor.setPhoneSize(options.phoneWidth, options.phoneHeight);
    if (options.registry)
        m_placement = EditorPlacement::load(*options.registry);

    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left, 1);
    m_view = new CanvasView(m_editor, this);
    // Scroll bars for a magnified picture larger than the view.
    auto* viewArea = new QGridLayout;
    viewArea->setSpacing(0);
    m_hScroll = new QScrollBar(Qt::Horizontal);
    m_vScroll = new QScrollBar(Qt::Vertical);
    m_hScroll->setObjectName("hscroll");
    m_vScroll->setObjectName("vscroll");
    viewArea->addWidget(m_view, 0, 0);
    viewArea->addWidget(m_vScroll, 0, 1);
    viewArea->addWidget(m_hScroll, 1, 0);
    left->addLayout(viewArea, 1);
    auto scrolled = [this] {
        m_editor.setScroll(m_hScroll->value(), m_vScroll->value());
        m_view->update();
    };
    connect(m_hScroll, &QScrollBar::valueChanged, this, scrolled);
    connect(m_vScroll, &QScrollBar::valueChanged, this, scrolled);
    connect(m_view, &CanvasView::changed, this, &EditorWindow::refresh);

    auto* fields = new QHBoxLayout;
    m_x = new QLabel;
    m_y = new QLabel;
    m_size = new QLabel;
    m_selection = new QLabel;
    fields->addWidget(new QLabel("X:"));
    fields->addWidget(m_x);
    fields->addWidget(new QLabel("Y:"));
    fields->addWidget(m_y);
    for (int i = 0; i < 3; ++i) {
        m_rgb[std::size_t(i)] = new QLabel;
        fields->addWidget(m_rgb[std::size_t(i)]);
    }
    fields->addWidget(m_size);
    fields->addWidget(m_selection, 1);
    fields->addWidget(new QLabel("Hold Shift-Key down to Move"));
    left->addLayout(fields);

    // Tools and palette.
    auto* tools = new QHBoxLayout;
    static const char* toolNames[] = {"Pen", "Line", "Select", "Fill", "Text", "Picker"};
    for (int t = 0; t < 6; ++t) {
        auto* b = new QPushButton(toolNames[t]);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setChecked(t == 0);
        b->setObjectName(QString("ctl%1").arg(1100 + t));
        m_controls[1100 + t] = b;
        connect(b, &QPushButton::clicked, this, [this, t] {
            m_editor.setTool(Tool(t));
            refresh();
        });
        tools->addWidget(b);
    }
    tools->addStretch();
    left->addLayout(tools);
    // The palette in two rows of seven: the colours, the half-tones, then the custom colour,
    // the transparent button and the two indicators.
    auto* palette = new QGridLayout;
    palette->setSpacing(3);
    for (int id = 1084; id <= 1097; ++id) {
        auto* p = new PaletteButton(id);
        m_palette[id] = p;
        connect(p, &PaletteButton::notify, this, &EditorWindow::onPalette);
        const int index = id - 1084;
        palette->addWidget(p, index / 7, index % 7);
    }
    palette->setColumnStretch(7, 1);
    left->addLayout(palette);

    auto* side = new QGridLayout;
    top->addLayout(side);
    int row = 0, column = 0;
    auto place = [&](QWidget* w) {
        side->addWidget(w, row, column);
        if (++column == 2) {
            column = 0;
            ++row;
        }
    };
    place(addButton(3, "&Zoom\n   In", &EditorWindow::zoomIn));
    place(addButton(4, "Zoom\n  O&ut  ", &EditorWindow::zoomOut));
    place(addButton(7, "&Clear", &EditorWindow::clear));
    place(addButton(1007, "&Resize", &EditorWindow::resizePicture));
    place(addButton(6, "&Scale", &EditorWindow::scalePicture));
    place(addButton(10, "Cr&op", &EditorWindow::cropPicture));
    place(addButton(11, "Fol&d&& rotate", &EditorWindow::foldPicture));
    place(addButton(14, "Color S&wap", &EditorWindow::swapColours));
    place(addButton(9, "Grey scale", &EditorWindow::greyScale));
    place(addButton(12, "Mono colors", &EditorWindow::monoColours));
    place(addButton(8, " GS\n&Map", &EditorWindow::gsMap));
    place(addButton(13, "256 Colors", &EditorWindow::cubeColours));
    place(addButton(1059, "Cop&y", &EditorWindow::copy));
    place(addButton(1062, "&Paste", &EditorWindow::paste));
    place(addButton(1207, "&Grid", &EditorWindow::grid));
    place(addButton(1063, "Fon&t", &EditorWindow::font));
    auto* glyphs = new QToolButton;
    glyphs->setText("Glyph Font");
    glyphs->setObjectName("glyphFont");
    glyphs->setPopupMode(QToolButton::InstantPopup);
    m_glyphMenu = new QMenu(glyphs);
    glyphs->setMenu(m_glyphMenu);
    rebuildGlyphMenu();
    place(glyphs);
    place(addButton(1064, "undo", &EditorWindow::undo));
    place(addButton(1202, "Co&lor", &EditorWindow::colour));
    place(addButton(1239, "EasyPalette", &EditorWindow::toggleEasyPalette));
    static const struct {
        int id;
        const char* text;
        int dx, dy;
    } arrows[] = {{1056, "\xE2\x86\x90", -1, 0},
                  {1057, "\xE2\x86\x92", 1, 0},
                  {1060, "\xE2\x86\x91", 0, -1},
                  {1061, "\xE2\x86\x93", 0, 1}};
    for (const auto& a : arrows) {
        auto* b = new QPushButton(QString::fromUtf8(a.text));
        b->setObjectName(QString("ctl%1").arg(a.id));
        m_controls[a.id] = b;
        const int dx = a.dx, dy = a.dy;
        connect(b, &QPushButton::clicked, this,
                [this, dx, dy] { command([&] { m_editor.shift(dx, dy); }); });
        place(b);
    }
    if (column)
        ++row;
    m_dither = new QCheckBox("Dither while setting colors");
    m_dither->setObjectName("ctl1255");
    m_controls[1255] = m_dither;
    side->addWidget(m_dither, ++row, 0, 1, 2);
    auto* ok = addButton(1, "O&K", nullptr);
    auto* cancel = addButton(2, "Ca&ncel", nullptr);
    connect(ok, &QPushButton::clicked, this, &EditorWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &EditorWindow::reject);
    side->addWidget(ok, ++row, 0);
    side->addWidget(cancel, row, 1);
    side->setRowStretch(row + 1, 1);

    if (options.registry) {
        move(m_placement.editorX, m_placement.editorY);
        m_placeFrame = true;
        if (m_placement.easyPaletteVisible)
            toggleEasyPalette();
    }
    refresh();
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_placeFrame)
        return;
    m_placeFrame = false;
    if (!m_frameTimer) {
        m_frameTimer = new QTimer(this);
        m_frameTimer->setInterval(50);
        connect(m_frameTimer, &QTimer::timeout, this, &EditorWindow::checkFramePlace);
    }
    m_frameChecks = 40; // about two seconds for the window manager to add its frame
    m_frameTimer->start();
}

void EditorWindow::checkFramePlace() {
    QWindow* window = windowHandle();
    if (!window || --m_frameChecks <= 0) {
        m_frameTimer->stop();
        return;
    }
    const QMargins margins = window->frameMargins();
    if (margins.isNull())
        return; // no frame yet, or none at all (then the place is already right)
    m_frameTimer->stop();
    // The client area goes inside the frame's margins. Qt's idea of where the window is may
    // be stale and it skips a move to that place, so the move is made in two steps.
    const QPoint client =
        QPoint(m_placement.editorX, m_placement.editorY) + QPoint(margins.left(), margins.top());
    if (window->position() == client)
        window->setPosition(client + QPoint(0, 1));
    window->setPosition(client);
}

QPushButton* EditorWindow::addButton(int id, const char* text, void (EditorWindow::*slot)()) {
    auto* b = new QPushButton(QString::fromUtf8(text));
    b->setObjectName(QString("ctl%1").arg(id));
    b->setAutoDefault(false);
    m_controls[id] = b;
    if (slot)
        connect(b, &QPushButton::clicked, this, slot);
    return b;
}

QAbstractButton* EditorWindow::control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void EditorWindow::refresh() {
    // The tool buttons follow the model, which also changes the tool (a font choice, say).
    if (QAbstractButton* current = control(1100 + int(m_editor.tool())))
        current->setChecked(true);
    m_x->setText(QString::fromStdString(m_editor.pointerXText()));
    m_y->setText(QString::fromStdString(m_editor.pointerYText()));
    const bool picker = m_editor.tool() == Tool::Picker;
    static const char* channels[] = {"R:", "G:", "B:"};
    for (int i = 0; i < 3; ++i) {
        m_rgb[std::size_t(i)]->setVisible(picker);
        m_rgb[std::size_t(i)]->setText(QString(channels[i]) +
                                       QString::fromStdString(m_editor.pickerText(i)));
    }
    m_size->setText(
        QString("%1 x %2").arg(m_editor.width()).arg(m_editor.height()) +
        (m_editor.ascent() > 0 ? QString("  Ascent: %1").arg(m_editor.ascent()) : QString()));
    m_selection->setText(QString::fromStdString(m_editor.selectionText()));
    control(3)->setEnabled(m_editor.canZoomIn());
    control(4)->setEnabled(m_editor.canZoomOut());
    control(1064)->setEnabled(m_editor.undoState() != 0);
    control(1064)->setText(m_editor.undoState() == 2 ? "redo" : "undo");
    for (auto& [id, button] : m_palette) {
        const ColourPair pair = m_editor.paletteButtonPair(id);
        button->setColours(pair.first, pair.second);
    }
    m_palette[TransparentButton]->setToolTip("Transparent");
    m_palette[LeftIndicator]->setToolTip("Left colour");
    m_palette[RightIndicator]->setToolTip("Right colour");
    const QSignalBlocker hBlock(m_hScroll), vBlock(m_vScroll);
    m_hScroll->setRange(0, m_editor.maxScrollX());
    m_hScroll->setPageStep(std::max(1, m_view->width()));
    m_hScroll->setSingleStep(std::max(1, m_editor.zoom()));
    m_hScroll->setValue(m_editor.scrollX());
    m_vScroll->setRange(0, m_editor.maxScrollY());
    m_vScroll->setPageStep(std::max(1, m_view->height()));
    m_vScroll->setSingleStep(std::max(1, m_editor.zoom()));
    m_vScroll->setValue(m_editor.scrollY());
    m_view->update();
}

void EditorWindow::command(const std::function<void()>& action) {
    m_editor.dither = m_dither->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    action();
    QApplication::restoreOverrideCursor();
    refresh();
}

void EditorWindow::onPalette(int id, int code) {
    m_editor.clickPaletteButton(id, code == PaletteButtonRightClick ? MouseButton::Right
                                                                    : MouseButton::Left);
    refresh();
}

void EditorWindow::zoomIn() {
    command([&] { m_editor.zoomIn(); });
}
void EditorWindow::zoomOut() {
    command([&] { m_editor.zoomOut(); });
}
void EditorWindow::clear() {
    command([&] { m_editor.clear(); });
}
void EditorWindow::greyScale() {
    command([&] { m_editor.toGreyLevels(); });
}
void EditorWindow::monoColours() {
    command([&] { m_editor.toMono(); });
}
void EditorWindow::cubeColours() {
    command([&] { m_editor.toCubeColours(); });
}
void EditorWindow::cropPicture() {
    command([&] { m_editor.crop(); });
}
void EditorWindow::grid() {
    command([&] { m_editor.toggleGrid(); });
}
void EditorWindow::undo() {
    command([&] { m_editor.undo(); });
}

void EditorWindow::resizePicture() {
    if (auto size = runResizeDialog(this, m_editor.width(), m_editor.height()))
        command([&] { m_editor.resize(size->first, size->second); });
}

void EditorWindow::scalePicture() {
    if (auto size = runScaleDialog(this, m_editor.width(), m_editor.height()))
        command([&] { m_editor.scale(size->first, size->second); });
}

void EditorWindow::foldPicture() {
    bool rotate = false;
    if (auto mode = runFoldDialog(this, rotate)) {
        command([&] { m_editor.fold(*mode); });
        return;
    }
    if (rotate)
        if (auto r = runRotateDialog(this))
            command([&] { m_editor.rotate(*r); });
}

void EditorWindow::swapColours() {
    if (auto pairs = runColourSwapDialog(this, m_editor.customColour(), m_options.userPalette))
        command([&] { m_editor.swapColours(*pairs); });
}

void EditorWindow::gsMap() {
    if (auto steps = runMappingStepsDialog(this, currentMappingSteps()))
        command([&] { m_editor.mapToSteps(*steps); });
}

void EditorWindow::copy() {
    const Surface s = m_editor.copy();
    QApplication::clipboard()->setImage(toQImage(s));
    refresh();
}

void EditorWindow::paste() {
    const QImage image = QApplication::clipboard()->image();
    if (image.isNull())
        return;
    command([&] { m_editor.paste(fromQImage(image)); });
}

void EditorWindow::colour() {
    if (auto c = chooseColour(this, m_editor.customColour(), m_options.userPalette))
        m_editor.chooseCustomColour(*c);
    refresh();
}

void EditorWindow::toggleEasyPalette() {
    if (!m_easy) {
        m_easy = new EasyPaletteWindow(this);
        m_easy->move(m_placement.easyPaletteX, m_placement.easyPaletteY);
        connect(m_easy, &EasyPaletteWindow::colourChosen, this, [this](Colour c, bool left) {
            if (left)
                m_editor.setLeftColour(ColourPair::plain(c));
            else
                m_editor.setRightColour(ColourPair::plain(c));
            refresh();
        });
        connect(m_easy, &EasyPaletteWindow::closed, this, [this] {
            m_placement.easyPaletteVisible = false;
            m_placement.easyPaletteX = m_easy->x();
            m_placement.easyPaletteY = m_easy->y();
        });
    }
    m_placement.easyPaletteVisible = true;
    m_easy->show();
    m_easy->raise();
}

void EditorWindow::accept() {
    m_editor.accept(m_picture);
    QDialog::accept();
}

void EditorWindow::done(int result) {
    m_placement.editorX = x();
    m_placement.editorY = y();
    if (m_easy) {
        m_placement.easyPaletteVisible = m_easy->isVisible();
        m_placement.easyPaletteX = m_easy->x();
        m_placement.easyPaletteY = m_easy->y();
    }
    if (m_options.registry)
        m_placement.save(*m_options.registry);
    QDialog::done(result);
}

EditorResult openEditor(CPicture& picture, Feedback& feedback, EditorOptions options,
                        QWidget* parent) {
    EditorWindow window(picture, feedback, options, parent);
    return window.exec() == QDialog::Accepted ? EditorResult::Ok : EditorResult::Cancel;
}

} // namespace pixelon::ui

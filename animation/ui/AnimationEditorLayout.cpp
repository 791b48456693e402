// How the Animation Editor window is laid out: the toolbar, the lists, the frame and loop
// fields and the preview with its storyboard, each control named after its identifier.

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "animation/ui/AnimationControls.h"
#include "animation/ui/AnimationEditorWindow.h"

namespace pixelon::ui {

namespace {

QLabel* label(const char* text) {
    return new QLabel(QString::fromUtf8(text));
}

} // namespace

template <typename T> T* AnimationEditorWindow::add(int id, T* widget) {
    widget->setObjectName(QStringLiteral("ctl%1").arg(id));
    m_controls[id] = widget;
    return widget;
}

void AnimationEditorWindow::build() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildToolbar());
    auto* middle = new QHBoxLayout;
    middle->addWidget(buildLists(), 3);
    middle->addWidget(buildParameters(), 2);
    layout->addLayout(middle);
    layout->addWidget(buildPreview());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = add(IdOk, new QPushButton("OK"));
    auto* cancel = add(IdCancel, new QPushButton("Cancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addLayout(buttons);
    // Return in a field applies the field; it must not close the window through a default
    // button (a button box would make OK the default when shown).
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    resize(760, 640);
}

QWidget* AnimationEditorWindow::buildToolbar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    const struct {
        int id;
        const char* name;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {IdNewAnimation, "New Animation", QStyle::SP_FileDialogNewFolder},
        {IdRenameAnimation, "Rename Animation", QStyle::SP_FileDialogDetailedView},
        {IdDeleteAnimation, "Delete Animation", QStyle::SP_TrashIcon},
        {IdExportAnimation, "Export Animation", QStyle::SP_DialogSaveButton},
        {0, nullptr, {}},
        {IdNewImage, "New Image", QStyle::SP_FileIcon},
        {IdDuplicateImage, "Duplicate Image", QStyle::SP_FileLinkIcon},
        {IdDeleteImage, "Delete Image", QStyle::SP_DialogDiscardButton},
        {IdImport, "Import Image/Animation", QStyle::SP_DialogOpenButton},
        {0, nullptr, {}},
        {IdDuplicateFrame, "Duplicate Frame", QStyle::SP_FileDialogContentsView},
    };
    for (const auto& b : buttons) {
        if (!b.name) {
            row->addSpacing(12);
            continue;
        }
        auto* button = add(b.id, new QToolButton);
        button->setIcon(style()->standardIcon(b.icon));
        button->setText(b.name);
        button->setToolTip(b.name);
        button->setAutoRaise(true);
        row->addWidget(button);
    }
    row->addStretch();
    return bar;
}

QWidget* AnimationEditorWindow::buildLists() {
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_animations = add(IdAnimationList, new QListWidget);
    m_images = add(IdImageList, new QListWidget);
    m_images->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_frames = add(IdFrameList, new QListWidget);
    m_frames->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->addWidget(label("Animations:"), 0, 0);
    grid->addWidget(m_animations, 1, 0);
    grid->addWidget(label("Images:"), 0, 1);
    grid->addWidget(m_images, 1, 1);
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (auto [id, text] : {std::pair{IdAdd, "Add >"},
                            {IdAddAll, "Add All >>"},
                            {IdRemove, "< Remove"},
                            {IdRemoveAll, "<< Remove All"}})
        moves->addWidget(add(id, new QPushButton(text)));
    auto* up = add(IdUp, new QToolButton);
    up->setArrowType(Qt::UpArrow);
    auto* down = add(IdDown, new QToolButton);
    down->setArrowType(Qt::DownArrow);
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(up);
    arrows->addWidget(down);
    moves->addLayout(arrows);
    moves->addStretch();
    grid->addLayout(moves, 1, 2);
    grid->addWidget(label("Frames:"), 0, 3);
    grid->addWidget(m_frames, 1, 3);
    for (QListWidget* list : {m_animations, m_images, m_frames})
        list->setMinimumWidth(90);
    return box;
}

QWidget* AnimationEditorWindow::buildParameters() {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto numberField = [this](int id, int width) {
        auto* field = add(id, new QLineEdit);
        field->setValidator(new QIntValidator(-99999, 99999, field));
        field->setMaximumWidth(width);
        return field;
    };

    auto* frame = new QGroupBox("Frame");
    auto* fg = new QGridLayout(frame);
    fg->addWidget(label("Offset:"), 0, 0);
    fg->addWidget(numberField(IdXOffset, 50), 0, 1);
    fg->addWidget(numberField(IdYOffset, 50), 0, 2);
    fg->addWidget(label("Delay:"), 1, 0);
    fg->addWidget(numberField(IdDelay, 50), 1, 1);
    fg->addWidget(label("ms"), 1, 2);
    auto* disposal = new QButtonGroup(frame);
    disposal->setExclusive(false); // neither button set leaves the disposal as it is
    auto* opaque = add(IdOpaque, new QRadioButton("Opaque"));
    auto* transparent = add(IdTransparent, new QRadioButton("Transparent"));
    opaque->setAutoExclusive(false);
    transparent->setAutoExclusive(false);
    fg->addWidget(opaque, 2, 0, 1, 2);
    fg->addWidget(transparent, 2, 2, 1, 2);
    column->addWidget(frame);

    auto* loop = new QGroupBox("Loop");
    auto* lg = new QGridLayout(loop);
    auto* repeats = new QButtonGroup(loop);
    auto* once = add(IdPlayOnce, new QRadioButton("Play once"));
    auto* times = add(IdLoop, new QRadioButton("Loop"));
    auto* endless = add(IdLoopForever, new QRadioButton("Loop forever"));
    for (QRadioButton* r : {once, times, endless})
        repeats->addButton(r);
    lg->addWidget(once, 0, 0, 1, 2);
    lg->addWidget(times, 1, 0);
    lg->addWidget(numberField(IdTimes, 40), 1, 1);
    lg->addWidget(label("times"), 1, 2);
    lg->addWidget(endless, 2, 0, 1, 2);
    lg->addWidget(add(IdLoopStart, new QPushButton("Set loop start")), 3, 0, 1, 2);
    lg->addWidget(add(IdLoopEnd, new QPushButton("Set loop end")), 3, 2, 1, 2);
    auto* modes = new QButtonGroup(loop);
    int row = 4;
    for (auto [id, text] : {std::pair{IdForwards, "Loop Forwards"},
                            {IdBackwards, "Loop Backwards"},
                            {IdPingPong, "\"Ping-pong\""}}) {
        auto* r = add(id, new QRadioButton(text));
        modes->addButton(r);
        lg->addWidget(r, row++, 0, 1, 3);
    }
    lg->addWidget(add(IdClear, new QCheckBox("Clear between frames")), row++, 0, 1, 4);
    column->addWidget(loop);

    auto* size = new QHBoxLayout;
    size->addWidget(label("Size:"));
    size->addWidget(numberField(IdWidth, 50));
    size->addWidget(numberField(IdHeight, 50));
    size->addWidget(add(IdCalc, new QPushButton("Calc")));
    size->addStretch();
    column->addLayout(size);
    column->addStretch();
    return box;
}

QWidget* AnimationEditorWindow::buildPreview() {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* left = new QVBoxLayout;
    m_preview = new AnimationPreview(*m_editor);
    m_preview->setObjectName("preview");
    m_scroll = add(IdScroll, new QScrollBar(Qt::Horizontal));
    m_scroll->setPageStep(1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(add(IdAnimate, new QCheckBox("Animate")));
    checks->addWidget(add(IdZoom, new QCheckBox("Zoom")));
    checks->addStretch();
    left->addWidget(m_preview, 1);
    left->addWidget(m_scroll);
    left->addLayout(checks);
    row->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(label("Storyboard:"));
    m_storyboard = add(IdStoryboard, new QListWidget);
    m_storyboard->setViewMode(QListView::IconMode);
    m_storyboard->setFlow(QListView::LeftToRight);
    m_storyboard->setWrapping(true);
    m_storyboard->setMovement(QListView::Static);
    m_storyboard->setIconSize(
        QSize(AnimationEditor::StoryboardSize, AnimationEditor::StoryboardSize));
    m_storyboard->setSpacing(4);
    right->addWidget(m_storyboard);
    row->addLayout(right, 1);
    box->setMinimumHeight(200);
    return box;
}

} // namespace pixelon::ui

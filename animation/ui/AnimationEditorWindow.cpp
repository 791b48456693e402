#include "animation/ui/AnimationEditorWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

// Control identifiers of dialog 223.
enum Control : int {
    IdOk = 1,
    IdCancel = 2,
    IdAdd = 3,
    IdAddAll = 4,
    IdRemove = 5,
    IdRemoveAll = 6,
    IdDown = 7,
    IdUp = 8,
    IdNewAnimation = 900,
    IdRenameAnimation = 901,
    IdDeleteAnimation = 902,
    IdExportAnimation = 903,
    IdNewImage = 904,
    IdDuplicateImage = 905,
    IdDeleteImage = 906,
    IdHeight = 1002,
    IdWidth = 1003,
    IdImport = 1084,
    IdYOffset = 1167,
    IdXOffset = 1168,
    IdOpaque = 1169,
    IdTransparent = 1170,
    IdDelay = 1171,
    IdPlayOnce = 1172,
    IdLoop = 1173,
    IdLoopForever = 1174,
    IdForwards = 1175,
    IdTimes = 1177,
    IdLoopStart = 1178,
    IdLoopEnd = 1179,
    IdAnimate = 1180,
    IdBackwards = 1182,
    IdPingPong = 1183,
    IdClear = 1186,
    IdZoom = 1187,
    IdCalc = 1188,
    IdDuplicateFrame = 32852,
    // The lists and the preview's scroll bar have no identifiers of their own in the dialog.
    IdAnimationList = 90001,
    IdImageList = 90002,
    IdFrameList = 90003,
    IdStoryboard = 90004,
    IdScroll = 90005,
};

QLabel* label(const char* text) {
    return new QLabel(QString::fromUtf8(text));
}

QString fieldText(std::optional<int> v) {
    return v ? QString::number(*v) : QString();
}

} // namespace

QtPreviewTimer::QtPreviewTimer(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QtPreviewTimer::fired);
}

void QtPreviewTimer::start(int milliseconds) {
    m_timer.start(milliseconds);
}

void QtPreviewTimer::stop() {
    m_timer.stop();
}

AnimationPreview::AnimationPreview(AnimationEditor& editor, QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    setMinimumSize(120, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AnimationPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const Rect screen = m_editor.previewScreen();
    if (screen.empty())
        return;
    painter.drawImage(QPoint(0, 0), toQImage(m_editor.preview()),
                      QRect(screen.left, screen.top, screen.width(), screen.height()));
}

void AnimationPreview::resizeEvent(QResizeEvent*) {
    m_editor.setPreviewSize(width(), height());
}

template <typename T> T* AnimationEditorWindow::add(int id, T* widget) {
    widget->setObjectName(QStringLiteral("ctl%1").arg(id));
    m_controls[id] = widget;
    return widget;
}

QWidget* AnimationEditorWindow::control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

AnimationEditorWindow::AnimationEditorWindow(CPortfolio& portfolio,
                                             AnimationEditorServices services, bool zoom,
                                             double viewRatio, QWidget* parent)
    : QDialog(parent), m_timer(new QtPreviewTimer(this)) {
    services.timer = m_timer;
    m_editor = std::make_unique<AnimationEditor>(portfolio, std::move(services), zoom, viewRatio);
    build();
    connectControls();
    m_editor->onChanged = [this] {
        if (m_lightRefresh)
            refreshPlayback();
        else if (!m_refreshing)
            refresh();
    };
    refresh();
}

AnimationEditorWindow::~AnimationEditorWindow() {
    m_editor->onChanged = nullptr;
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

std::vector<int> AnimationEditorWindow::selectedRows(QListWidget* list) const {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void AnimationEditorWindow::connectControls() {
    AnimationEditor& e = *m_editor;
    auto onClick = [this](int id, auto action) {
        connect(static_cast<QAbstractButton*>(control(id)), &QAbstractButton::clicked, this,
                [this, action] {
                    applyFrameFields(); // a typed value counts before the button acts
                    action();
                    refresh();
                });
    };
    onClick(IdNewAnimation, [&e] { e.newAnimation(); });
    onClick(IdRenameAnimation, [&e] { e.renameAnimation(); });
    onClick(IdDeleteAnimation, [&e] { e.deleteAnimation(); });
    onClick(IdExportAnimation, [&e] { e.exportCurrent(); });
    onClick(IdNewImage, [&e] { e.newImage(); });
    onClick(IdDuplicateImage, [&e] { e.duplicateImage(); });
    onClick(IdDeleteImage, [&e] { e.deleteImages(); });
    onClick(IdImport, [&e] { e.importImages(); });
    onClick(IdDuplicateFrame, [&e] { e.duplicateFrame(); });
    onClick(IdAdd, [&e] { e.addSelectedImages(); });
    onClick(IdAddAll, [&e] { e.addAllImages(); });
    onClick(IdRemove, [&e] { e.removeSelectedFrames(); });
    onClick(IdRemoveAll, [&e] { e.removeAllFrames(); });
    onClick(IdUp, [&e] { e.moveFramesUp(); });
    onClick(IdDown, [&e] { e.moveFramesDown(); });
    onClick(IdOpaque, [&e] { e.setFrameDisposal(0); });
    onClick(IdTransparent, [&e] { e.setFrameDisposal(1); });
    onClick(IdPlayOnce, [&e] { e.playOnce(); });
    onClick(IdLoop, [&e] { e.loop(); });
    onClick(IdLoopForever, [&e] { e.loopForever(); });
    onClick(IdLoopStart, [&e] { e.setLoopStart(); });
    onClick(IdLoopEnd, [&e] { e.setLoopEnd(); });
    onClick(IdForwards, [&e] { e.setLoopMode(0); });
    onClick(IdBackwards, [&e] { e.setLoopMode(1); });
    onClick(IdPingPong, [&e] { e.setLoopMode(2); });
    onClick(IdCalc, [&e] { e.calcSize(); });
    onClick(IdClear, [this, &e] {
        e.setClearBetweenFrames(static_cast<QCheckBox*>(control(IdClear))->isChecked());
    });
    onClick(IdAnimate,
            [this, &e] { e.setAnimate(static_cast<QCheckBox*>(control(IdAnimate))->isChecked()); });
    onClick(IdZoom,
            [this, &e] { e.setZoom(static_cast<QCheckBox*>(control(IdZoom))->isChecked()); });

    for (int id : {IdXOffset, IdYOffset, IdDelay}) {
        auto* field = static_cast<QLineEdit*>(control(id));
        connect(field, &QLineEdit::textEdited, this, [this, id] { m_editedFields.insert(id); });
        connect(field, &QLineEdit::editingFinished, this, [this] {
            applyFrameFields();
            refresh();
        });
    }
    auto* times = static_cast<QLineEdit*>(control(IdTimes));
    connect(times, &QLineEdit::editingFinished, this, [this, times] {
        if (m_refreshing || !m_editor->current())
            return;
        const QString shown =
            QString::fromStdString(m_editor->setTimes(times->text().toStdString()));
        refresh();
        times->setText(shown);
    });
    for (int id : {IdWidth, IdHeight})
        connect(static_cast<QLineEdit*>(control(id)), &QLineEdit::editingFinished, this, [this] {
            if (m_refreshing)
                return;
            auto value = [this](int field) {
                return fieldValue(static_cast<QLineEdit*>(control(field))->text().toStdString());
            };
            m_editor->setSize(value(IdWidth), value(IdHeight));
            refresh();
        });

    connect(m_animations, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_refreshing && row != m_editor->currentIndex()) {
            m_editor->selectAnimation(row);
            refresh();
        }
    });
    connect(m_images, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_refreshing)
            m_editor->setSelectedImages(selectedRows(m_images));
    });
    connect(m_frames, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_refreshing)
            return;
        applyFrameFields(); // typed values belong to the frames that were selected
        m_editor->setSelectedFrames(selectedRows(m_frames), m_frames->currentRow());
        refreshFields();
    });
    connect(m_images, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_editor->editImage(m_images->row(item));
        refresh();
    });
    connect(m_frames, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        m_editor->editSelectedFrame();
        refresh();
    });
    connect(m_storyboard, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_editor->editStoryboardFrame(m_storyboard->row(item));
        refresh();
    });
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (m_refreshing)
            return;
        m_lightRefresh = true;
        m_editor->scrollTo(value);
        m_lightRefresh = false;
    });
    connect(m_timer, &QtPreviewTimer::fired, this, [this] {
        m_lightRefresh = true;
        m_editor->timerFired();
        m_lightRefresh = false;
        refreshPlayback();
    });
}

void AnimationEditorWindow::applyFrameFields() {
    if (m_refreshing || m_editedFields.empty())
        return;
    // Only the fields typed into are written to every selected frame; an emptied one is not.
    auto value = [this](int id) -> std::optional<int> {
        if (!m_editedFields.contains(id))
            return std::nullopt;
        return fieldValue(static_cast<QLineEdit*>(control(id))->text().toStdString());
    };
    const auto x = value(IdXOffset), y = value(IdYOffset), delay = value(IdDelay);
    m_editedFields.clear();
    m_refreshing = true;
    m_editor->setFrameOffset(x, y);
    m_editor->setFrameDelay(delay);
    m_refreshing = false;
}

void AnimationEditorWindow::refreshPlayback() {
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    m_scroll->setRange(0, m_editor->scrollMaximum());
    m_scroll->setValue(m_editor->framePosition());
    static_cast<QAbstractButton*>(control(IdAnimate))->setChecked(m_editor->animating());
    m_preview->update();
    m_refreshing = wasRefreshing;
}

void AnimationEditorWindow::refresh() {
    m_refreshing = true;
    const AnimationEditor& e = *m_editor;
    setWindowTitle(QString::fromStdString(e.title()));

    const std::vector<std::string> names = e.animationNames();
    if (m_animations->count() != int(names.size()))
        m_animations->clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (int(i) < m_animations->count())
            m_animations->item(int(i))->setText(QString::fromStdString(names[i]));
        else
            m_animations->addItem(QString::fromStdString(names[i]));
    }
    m_animations->setCurrentRow(e.currentIndex());

    const std::vector<std::string> images = e.imageLabels();
    m_images->clear();
    for (const std::string& id : images)
        m_images->addItem(QString::fromStdString(id));
    for (int row : e.selectedImages())
        m_images->item(row)->setSelected(true);

    refreshFrames();
    m_refreshing = false;
    refreshFields();
}

void AnimationEditorWindow::refreshFrames() {
    const AnimationEditor& e = *m_editor;
    const std::vector<std::string> frames = e.frameLabels();
    m_frames->clear();
    m_storyboard->clear();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        m_frames->addItem(QString::fromStdString(frames[i]));
        const Surface thumb = e.thumbnail(int(i));
        auto* item = new QListWidgetItem(QString::number(i));
        if (!thumb.empty())
            item->setIcon(QIcon(QPixmap::fromImage(toQImage(thumb))));
        m_storyboard->addItem(item);
    }
    if (e.focusedFrame() >= 0)
        m_frames->setCurrentRow(e.focusedFrame(), QItemSelectionModel::NoUpdate);
    for (int row : e.selectedFrames())
        m_frames->item(row)->setSelected(true);
    m_scroll->setRange(0, e.scrollMaximum());
    m_scroll->setValue(e.framePosition());
}

void AnimationEditorWindow::refreshFields() {
    const bool wasRefreshing = m_refreshing;
    m_refreshing = true;
    const AnimationEditor& e = *m_editor;
    const Animation* a = e.current();
    const AnimationFrame* frame = e.shownFrame();
    auto setField = [this](int id, std::optional<int> v) {
        static_cast<QLineEdit*>(control(id))->setText(fieldText(v));
    };
    auto check = [this](int id, bool on) {
        static_cast<QAbstractButton*>(control(id))->setChecked(on);
    };
    m_editedFields.clear();
    setField(IdXOffset, frame ? std::optional(frame->xoffset) : std::nullopt);
    setField(IdYOffset, frame ? std::optional(frame->yoffset) : std::nullopt);
    setField(IdDelay, frame ? std::optional(frame->framedelay) : std::nullopt);
    check(IdOpaque, frame && frame->disposal == 0);
    check(IdTransparent, frame && frame->disposal == 1);
    check(IdPlayOnce, a && e.loopChoice() == LoopChoice::PlayOnce);
    check(IdLoop, a && e.loopChoice() == LoopChoice::Loop);
    check(IdLoopForever, a && e.loopChoice() == LoopChoice::Forever);
    static_cast<QLineEdit*>(control(IdTimes))->setText(QString::fromStdString(e.timesText()));
    check(IdForwards, a && a->loopmode != 1 && a->loopmode != 2);
    check(IdBackwards, a && a->loopmode == 1);
    check(IdPingPong, a && a->loopmode == 2);
    check(IdClear, a && a->clearbetweenframes);
    setField(IdWidth, a ? std::optional(a->width) : std::nullopt);
    setField(IdHeight, a ? std::optional(a->height) : std::nullopt);
    check(IdAnimate, e.animating());
    check(IdZoom, e.zoom());
    m_refreshing = wasRefreshing;
    refreshPlayback();
}

void AnimationEditorWindow::accept() {
    applyFrameFields();
    m_animationsChanged = m_editor->accept();
    QDialog::accept();
}

AnimationEditorRun runAnimationEditor(CPortfolio& portfolio, AnimationEditorServices services,
                                      bool zoom, double viewRatio, QWidget* parent) {
    AnimationEditorWindow window(portfolio, std::move(services), zoom, viewRatio, parent);
    AnimationEditorRun run;
    run.accepted = window.exec() == QDialog::Accepted;
    run.animationsChanged = window.animationsChanged();
    run.picturesChanged = window.editor().picturesModified();
    run.zoom = window.editor().zoom();
    return run;
}

} // namespace pixelon::ui

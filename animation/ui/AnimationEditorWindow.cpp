#include "animation/ui/AnimationEditorWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>

#include "animation/ui/AnimationControls.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

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

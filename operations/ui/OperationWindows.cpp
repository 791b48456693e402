#include "operations/ui/OperationWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Picture.h"
#include "operations/PictureBitmaps.h"
#include "platform/Feedback.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

// OK and Cancel; OK accepts at once when `okAccepts`, else the caller checks the input first.
QDialogButtonBox* okCancel(QDialog* dialog, bool okAccepts = false) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    if (okAccepts)
        QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return box;
}

// Shows a slider dialog on a copy of `model`; the model takes the copy only when the user
// presses OK, so Cancel leaves it as it was.
template <class Dialog, class Model> bool editInDialog(QWidget* parent, Model& model) {
    Model edited = model;
    Dialog dialog(edited, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    model = edited;
    return true;
}

// A slider bound to a setting: the label beside it follows the value while it moves.
SliderRow addSlider(QGridLayout* grid, int row, SliderSetting& setting, Qt::Orientation orientation,
                    QWidget* parent) {
    SliderRow r;
    r.slider = new QSlider(orientation, parent);
    r.slider->setRange(setting.minimum, setting.maximum);
    r.slider->setPageStep(setting.pageStep);
    r.slider->setSingleStep(1);
    if (setting.tickInterval > 0) {
        r.slider->setTickInterval(setting.tickInterval);
        r.slider->setTickPosition(QSlider::TicksBothSides);
    }
    r.slider->setValue(setting.value);
    r.value = new QLabel(QString::fromStdString(setting.valueText()), parent);
    r.value->setMinimumWidth(40);
    if (!setting.caption.empty())
        grid->addWidget(new QLabel(QString::fromStdString(setting.caption), parent), row, 0);
    grid->addWidget(r.slider, row, 1);
    grid->addWidget(r.value, row, 2);
    if (!setting.suffix.empty())
        grid->addWidget(new QLabel(QString::fromStdString(setting.suffix), parent), row, 3);
    QObject::connect(r.slider, &QSlider::valueChanged, parent, [&setting, label = r.value](int v) {
        setting.setValue(v);
        label->setText(QString::fromStdString(setting.valueText()));
    });
    return r;
}

} // namespace

IdDialog::IdDialog(int proposal, Feedback& feedback, QWidget* parent)
    : QDialog(parent), m_model(proposal) {
    setWindowTitle(IdDialogModel::Title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(IdDialogModel::Prompt, this));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(IdDialogModel::Label, this));
    m_field = new QLineEdit(QString::fromStdString(m_model.text()), this);
    m_field->setMaxLength(IdDialogModel::MaxLength);
    m_field->selectAll();
    row->addWidget(m_field);
    layout->addLayout(row);
    auto* box = okCancel(this);
    layout->addWidget(box);
    connect(m_field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_model.setText(text.toStdString()); });
    connect(box, &QDialogButtonBox::accepted, this, [this, &feedback] {
        if (auto refused = m_model.validate())
            feedback.message(*refused, MessageIcon::Exclamation);
        else
            accept();
    });
}

std::optional<int> runIdDialog(QWidget* parent, int proposal, Feedback& feedback) {
    IdDialog dialog(proposal, feedback, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

HeightDialog::HeightDialog(HeightDialogModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    setWindowTitle(QString::fromStdString(model.title));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_rows[0] = addSlider(grid, 0, m_model.top, Qt::Horizontal, this);
    m_rows[1] = addSlider(grid, 1, m_model.bottom, Qt::Horizontal, this);
    m_rows[2] = addSlider(grid, 2, m_model.threshold, Qt::Horizontal, this);
    layout->addLayout(grid);
    auto* box = okCancel(this, true);
    layout->addWidget(box);
}

bool runHeightDialog(QWidget* parent, HeightDialogModel& model) {
    return editInDialog<HeightDialog>(parent, model);
}

ShiftDialog::ShiftDialog(ShiftDialogModel& model, QWidget* parent)
    : QDialog(parent), m_model(model) {
    setWindowTitle(ShiftDialogModel::Title);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_row = addSlider(grid, 0, m_model.shift, Qt::Vertical, this);
    // Up is at the top: the slider's low end shows negative values, which move the content up.
    // The keys, the wheel and the Page keys are turned with it, so Up moves the handle up.
    m_row.slider->setInvertedAppearance(true);
    m_row.slider->setInvertedControls(true);
    m_row.value->setText(QString::fromStdString(m_model.label()));
    connect(m_row.slider, &QSlider::valueChanged, this,
            [this] { m_row.value->setText(QString::fromStdString(m_model.label())); });
    layout->addLayout(grid);
    auto* box = okCancel(this, true);
    layout->addWidget(box);
}

bool runShiftDialog(QWidget* parent, ShiftDialogModel& model) {
    return editInDialog<ShiftDialog>(parent, model);
}

MergeDialog::MergeDialog(const CPortfolio& ours, const CPortfolio& theirs, QWidget* parent)
    : QDialog(parent), m_model(ours, theirs) {
    setWindowTitle("Merge");
    auto* grid = new QGridLayout(this);
    // The result stands on the right, the lists it takes from on the left: "Add >" moves a line
    // rightwards into the result and "< Remove" leftwards out of it, as the arrows point.
    const char* captions[3] = {"Result:", "Merge file:", "Removed:"};
    const int columns[3] = {2, 0, 0};
    const int rows[3] = {0, 0, 2};
    for (int i = 0; i < 3; ++i) {
        auto* list = new QListWidget(this);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_lists[std::size_t(i)] = list;
        auto* box = new QVBoxLayout;
        box->addWidget(new QLabel(captions[i], this));
        box->addWidget(list);
        grid->addLayout(box, rows[i], columns[i], i == 0 ? 3 : 1, 1);
        const auto which = MergeList(i);
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, which] { selectionChanged(which); });
    }
    auto makeButtons = [this](std::initializer_list<MergeButton> buttons) {
        auto* column = new QVBoxLayout;
        column->addStretch();
        for (MergeButton b : buttons) {
            auto* button = new QPushButton(MergeButtonText(b), this);
            m_buttons[std::size_t(b)] = button;
            column->addWidget(button);
            connect(button, &QPushButton::clicked, this, [this, b] {
                m_model.press(b);
                refill();
            });
        }
        column->addStretch();
        return column;
    };
    // Between the merge file's list and the result: what comes from it and what goes back.
    grid->addLayout(
        makeButtons({MergeButton::AddFromTheirs, MergeButton::AddAllFromTheirs, MergeButton::Remove,
                     MergeButton::RemoveAllTheirs, MergeButton::RemoveDuplicatesKeepOurs}),
        0, 1);
    m_preview = new QLabel(this);
    m_preview->setFixedSize(PreviewSize + 2, PreviewSize + 2);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::Box);
    grid->addWidget(m_preview, 1, 0, 1, 2, Qt::AlignCenter);
    // Between the removed list and the result: this portfolio's lines.
    grid->addLayout(
        makeButtons({MergeButton::AddFromRemoved, MergeButton::AddAllFromRemoved,
                     MergeButton::RemoveAllOurs, MergeButton::RemoveDuplicatesKeepTheirs}),
        2, 1);
    auto* box = okCancel(this, true);
    grid->addWidget(box, 3, 0, 1, 3);
    refill();
}

void MergeDialog::refill() {
    m_refilling = true;
    for (int i = 0; i < 3; ++i) {
        QListWidget* list = m_lists[std::size_t(i)];
        list->clear();
        for (const std::string& text : m_model.texts(MergeList(i)))
            list->addItem(QString::fromStdString(text));
        for (int row : m_model.selection(MergeList(i)))
            list->item(row)->setSelected(true);
    }
    m_refilling = false;
    updateButtonsAndPreview();
}

void MergeDialog::selectionChanged(MergeList which) {
    if (m_refilling)
        return;
    std::set<int> rows;
    QListWidget* list = m_lists[std::size_t(which)];
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.insert(i);
    if (rows.empty() && !m_model.selection(which).empty()) {
        m_model.select(which, {});
    } else if (!rows.empty()) {
        m_model.select(which, rows);
        // Selecting in one list clears the other two.
        m_refilling = true;
        for (std::size_t i = 0; i < m_lists.size(); ++i)
            if (i != std::size_t(which))
                m_lists[i]->clearSelection();
        m_refilling = false;
    }
    updateButtonsAndPreview();
}

void MergeDialog::updateButtonsAndPreview() {
    for (int b = 0; b < MergeButtonCount; ++b)
        m_buttons[std::size_t(b)]->setEnabled(m_model.enabled(MergeButton(b)));
    const CPicture* picture = m_model.preview();
    if (!picture || picture->m_nWidth <= 0 || picture->m_nHeight <= 0) {
        m_previewScale = 0;
        m_preview->clear();
        return;
    }
    m_previewScale = PreviewScale(picture->m_nWidth, picture->m_nHeight, PreviewSize, PreviewSize);
    Surface bitmap = picture->MakeBitmap();
    picture->Draw(bitmap, 0, 0);
    const QImage image = toQImage(bitmap).scaled(picture->m_nWidth * m_previewScale,
                                                 picture->m_nHeight * m_previewScale);
    m_preview->setPixmap(QPixmap::fromImage(image));
}

std::optional<MergeChoice> runMergeDialog(QWidget* parent, const CPortfolio& ours,
                                          const CPortfolio& theirs) {
    MergeDialog dialog(ours, theirs, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.model().choice();
}

ImageGrabber::ImageGrabber() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
}

void ImageGrabber::start(const QImage& snapshot) {
    m_snapshot = snapshot;
    m_anchor.reset();
    m_band.reset();
    m_finished = false;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    else
        resize(snapshot.size());
    showFullScreen();
    activateWindow();
    update();
}

std::optional<Rect> ImageGrabber::grab(const QImage& snapshot) {
    start(snapshot);
    QEventLoop loop;
    connect(this, &ImageGrabber::grabEnded, &loop, &QEventLoop::quit);
    if (!m_finished)
        loop.exec();
    return m_band;
}

QPoint ImageGrabber::toSnapshot(QPoint p) const {
    // The snapshot may have more pixels than the window has points on a scaled screen.
    if (width() <= 0 || height() <= 0)
        return p;
    return {p.x() * m_snapshot.width() / width(), p.y() * m_snapshot.height() / height()};
}

void ImageGrabber::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), m_snapshot);
    if (!m_band)
        return;
    const double sx = m_snapshot.width() > 0 ? double(width()) / m_snapshot.width() : 1;
    const double sy = m_snapshot.height() > 0 ? double(height()) / m_snapshot.height() : 1;
    const QRectF band(m_band->left * sx, m_band->top * sy, m_band->width() * sx,
                      m_band->height() * sy);
    // Drawn inverted, so the outline shows on any picture.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, BandWidth));
    painter.drawRect(band);
}

void ImageGrabber::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_anchor = toSnapshot(event->position().toPoint());
    m_band = Rect{m_anchor->x(), m_anchor->y(), m_anchor->x(), m_anchor->y()};
    update();
}

void ImageGrabber::mouseMoveEvent(QMouseEvent* event) {
    if (!m_anchor)
        return;
    const QPoint p = toSnapshot(event->position().toPoint());
    m_band = Rect{std::min(m_anchor->x(), p.x()), std::min(m_anchor->y(), p.y()),
                  std::max(m_anchor->x(), p.x()), std::max(m_anchor->y(), p.y())};
    update();
}

void ImageGrabber::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_anchor)
        return;
    mouseMoveEvent(event);
    end(true);
}

void ImageGrabber::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        end(false);
}

void ImageGrabber::closeEvent(QCloseEvent* event) {
    if (!m_finished)
        end(false);
    QWidget::closeEvent(event);
}

void ImageGrabber::end(bool keep) {
    if (!keep)
        m_band.reset();
    m_anchor.reset();
    m_finished = true;
    hide();
    emit grabEnded();
}

std::optional<Rect> grabFromSnapshot(ImageGrabber& grabber, const QImage& snapshot,
                                     Feedback& feedback) {
    if (snapshot.isNull() || snapshot.width() < 1 || snapshot.height() < 1) {
        feedback.message(GrabRefusedText, MessageIcon::Stop);
        return std::nullopt;
    }
    return grabber.grab(snapshot);
}

QImage grabScreenImage(int settleMs) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // A menu hides as its command starts, but the screen under it is redrawn only later: by
    // this program's windows when they handle the window system's expose events, by other
    // programs in their own time. The screen is read once that has had time to happen, so the
    // snapshot shows what the user saw before opening the menu. Input waits meanwhile.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (settleMs > 0) {
        QEventLoop loop;
        QTimer::singleShot(settleMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return screen->grabWindow(0).toImage();
}

} // namespace pixelon::ui

#include "output/ui/PortfolioViewerDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

ViewerArea::ViewerArea(const PortfolioViewer& viewer, QWidget* parent)
    : QWidget(parent), m_viewer(viewer) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
}

void ViewerArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const Rect visible = m_viewer.VisibleRect();
    if (!visible.empty()) {
        Surface part(visible.width(), visible.height());
        part.copyFrom(m_viewer.Canvas(), visible, 0, 0);
        painter.drawImage(QPoint(0, 0), toQImage(part));
    }
    // The selection is outlined on screen only, so the canvas keeps the pictures alone.
    if (const auto r = m_viewer.SelectedRect()) {
        painter.setPen(QPen(palette().highlight().color(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(r->left - 3, r->top - 3 - m_viewer.ScrollPosition(), r->width() + 5,
                               r->height() + 5));
    }
}

void ViewerArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked(event->position().toPoint());
}

void ViewerArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(event->position().toPoint());
}

void ViewerArea::resizeEvent(QResizeEvent*) {
    emit resized();
}

void ViewerArea::wheelEvent(QWheelEvent* event) {
    const int lines = -event->angleDelta().y() / 120;
    if (lines != 0)
        emit wheelLines(lines);
}

PortfolioViewerDialog::PortfolioViewerDialog(CPortfolio& portfolio, const std::string& fileName,
                                             Feedback& feedback, CAppSettings& settings,
                                             ViewerServices services, QWidget* parent)
    : QDialog(parent), m_viewer(portfolio, fileName, feedback, settings.m_bFontViewPlainView),
      m_settings(settings), m_services(std::move(services)) {
    setWindowTitle(QString::fromStdString(m_viewer.Title()));
    m_area = new ViewerArea(m_viewer, this);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_edit = new QPushButton(tr("Edit Picture"), this);
    m_copy = new QPushButton(tr("Copy"), this);
    m_zoom = new QCheckBox(tr("Zoom x2"), this);
    m_plainBox = new QCheckBox(tr("Plain View"), this);
    m_plainBox->setChecked(m_viewer.PlainView());
    m_info = new QLabel(this);
    m_id = new QLabel(this);
    m_info->setMinimumWidth(120);
    m_id->setMinimumWidth(60);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* top = new QHBoxLayout;
    top->addWidget(m_area, 1);
    top->addWidget(m_scroll);
    auto* info = new QHBoxLayout;
    info->addWidget(new QLabel(tr("Resource ID:"), this));
    info->addWidget(m_info);
    info->addWidget(new QLabel(tr("Unicode:"), this));
    info->addWidget(m_id);
    info->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(m_plainBox);
    row->addWidget(m_zoom);
    row->addStretch(1);
    row->addWidget(m_edit);
    row->addWidget(m_copy);
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(info);
    layout->addLayout(row);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_area, &ViewerArea::clicked, this, &PortfolioViewerDialog::clickAt);
    connect(m_area, &ViewerArea::doubleClicked, this, [this](QPoint at) {
        clickAt(at);
        if (m_viewer.Selection())
            editSelected();
    });
    connect(m_area, &ViewerArea::resized, this, [this] {
        if (m_built)
            rebuild(m_zoom->isChecked());
    });
    connect(m_area, &ViewerArea::wheelLines, this, [this](int lines) {
        m_scroll->setValue(m_scroll->value() + lines * m_scroll->singleStep());
    });
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        m_viewer.ScrollTo(value);
        m_area->update();
    });
    connect(m_edit, &QPushButton::clicked, this, &PortfolioViewerDialog::editSelected);
    connect(m_copy, &QPushButton::clicked, this, &PortfolioViewerDialog::copySelected);
    connect(m_zoom, &QCheckBox::clicked, this, &PortfolioViewerDialog::setZoom);
    connect(m_plainBox, &QCheckBox::clicked, this, &PortfolioViewerDialog::setPlainView);
    resize(640, 480);
    syncControls();
}

void PortfolioViewerDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_built) {
        m_built = true;
        rebuild(true);
    }
}

void PortfolioViewerDialog::rebuild(bool zoom) {
    m_built = true;
    m_viewer.SetAreaSize(m_area->width(), m_area->height());
    m_viewer.Build(zoom);
    syncControls();
}

void PortfolioViewerDialog::syncControls() {
    const QSignalBlocker block(m_scroll);
    m_scroll->setRange(0, m_viewer.ScrollMax());
    m_scroll->setSingleStep(m_viewer.ScrollStep());
    m_scroll->setPageStep(std::max(1, m_viewer.AreaHeight()));
    m_scroll->setValue(m_viewer.ScrollPosition());
    m_zoom->setEnabled(m_viewer.ZoomAvailable());
    m_zoom->setChecked(m_viewer.Zoom() == 2);
    m_edit->setEnabled(m_viewer.CanEditOrCopy());
    m_copy->setEnabled(m_viewer.CanEditOrCopy());
    m_info->setText(QString::fromStdString(m_viewer.InfoText()));
    m_id->setText(QString::fromStdString(m_viewer.CodePointText()));
    m_area->update();
}

void PortfolioViewerDialog::clickAt(QPoint at) {
    if (!m_built)
        rebuild(true);
    if (m_viewer.Click(at.x(), at.y()))
        syncControls();
}

void PortfolioViewerDialog::editSelected() {
    if (!m_services.edit)
        return;
    if (m_viewer.EditSelected(m_services.edit)) {
        if (m_services.changed)
            m_services.changed();
        syncControls();
    }
}

void PortfolioViewerDialog::copySelected() {
    if (const auto bitmap = m_viewer.SelectedBitmap())
        QGuiApplication::clipboard()->setImage(toQImage(*bitmap));
}

void PortfolioViewerDialog::setZoom(bool on) {
    rebuild(on);
}

void PortfolioViewerDialog::setPlainView(bool on) {
    m_settings.m_bFontViewPlainView = on;
    m_viewer.SetPlainView(on);
    m_plainBox->setChecked(on);
    syncControls();
}

} // namespace pixelon::ui

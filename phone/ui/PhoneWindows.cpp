#include "phone/ui/PhoneWindows.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "phone/Commands.h"

namespace pixelon::ui {

CommsLogWindow::CommsLogWindow(CCommsLog& log, CAppSettings& settings, QWidget* parent)
    : QDialog(parent), m_log(log), m_panel(log, settings), m_edit(new QPlainTextEdit(this)) {
    setWindowTitle("Comms Log");
    setModal(false);
    m_edit->setReadOnly(true);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* copy = new QPushButton("Copy", this);
    auto* clear = new QPushButton("Clear", this);
    copy->setObjectName("copy");
    clear->setObjectName("clear");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, this, &CommsLogWindow::copyAll);
    connect(clear, &QPushButton::clicked, this, [this] { m_panel.clear(); });

    Rect r = m_panel.placement();
    if (r.width() > 0 && r.height() > 0)
        setGeometry(r.left, r.top, r.width(), r.height());
    else
        resize(480, 320);
    m_log.setRefreshListener([this] { refresh(); });
    refresh();
}

CommsLogWindow::~CommsLogWindow() {
    m_log.setRefreshListener({});
}

void CommsLogWindow::refresh() {
    // The log lines end in CR LF; the edit wants plain line feeds.
    QString text = QString::fromLatin1(m_log.text().data(), qsizetype(m_log.text().size()));
    text.remove('\r');
    m_edit->setPlainText(text);
    QTextCursor cursor = m_edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    m_edit->setTextCursor(cursor);
    m_edit->ensureCursorVisible();
    if (isVisible())
        m_edit->repaint();
}

void CommsLogWindow::copyAll() {
    m_edit->selectAll();
    m_edit->copy();
    QTextCursor cursor = m_edit->textCursor();
    cursor.movePosition(QTextCursor::Start);
    m_edit->setTextCursor(cursor);
    m_edit->ensureCursorVisible();
}

void CommsLogWindow::storePlacement() {
    if (isVisible())
        m_panel.storePlacement(x(), y(), width(), height());
}

void CommsLogWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    storePlacement();
}

void CommsLogWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    storePlacement();
}

void CommsLogWindow::closeEvent(QCloseEvent* event) {
    m_panel.setShown(false);
    emit closed();
    QDialog::closeEvent(event);
}

CommsLogWindow& showCommsLog(CAppSettings& settings, bool show, QWidget* parent) {
    static QPointer<CommsLogWindow> window;
    if (!window)
        window = new CommsLogWindow(commsLog(), settings, parent);
    window->panel().setShown(show);
    window->setVisible(show);
    return *window;
}

SearchPhoneDialog::SearchPhoneDialog(PhoneLink& link, CAppSettings& settings, CPortTable table,
                                     QWidget* parent)
    : QDialog(parent), m_model(link, settings, std::move(table)), m_ports(new QButtonGroup(this)),
      m_status(new QLabel(this)), m_devices(new QTableWidget(CPortTable::PortCount, 1, this)) {
    setWindowTitle("Search for Phone");
    auto* radios = new QGroupBox("Default COM Port:", this);
    auto* radioLayout = new QVBoxLayout(radios);
    for (int i = 0; i < CSearchPhoneModel::RadioPorts; ++i) {
        auto* b = new QRadioButton(QString("COM%1").arg(i + 1), radios);
        m_ports->addButton(b, i);
        radioLayout->addWidget(b);
    }
    connect(m_ports, &QButtonGroup::idClicked, this, [this](int id) { m_model.select(id); });
    m_status->setObjectName("status");
    m_status->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_status->setMinimumWidth(320);
    // Room for every port's line from the start, so the window keeps its size as they come.
    m_status->setMinimumHeight(m_status->fontMetrics().lineSpacing() * (CPortTable::PortCount + 3));

    m_devices->setObjectName("devices");
    m_devices->setHorizontalHeaderLabels({"Device"});
    m_devices->horizontalHeader()->setStretchLastSection(true);
    for (int p = 1; p <= CPortTable::PortCount; ++p) {
        m_devices->setVerticalHeaderItem(p - 1, new QTableWidgetItem(QString("COM%1").arg(p)));
        m_devices->setItem(p - 1, 0,
                           new QTableWidgetItem(QString::fromStdString(m_model.table().path(p))));
    }
    connect(m_devices, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        m_model.setDevicePath(item->row() + 1, item->text().toStdString());
    });
    auto* again = new QPushButton("Search Again", this);
    again->setObjectName("again");
    connect(again, &QPushButton::clicked, this, &SearchPhoneDialog::startSurvey);
    m_stepTimer = new QTimer(this);
    m_stepTimer->setSingleShot(true);
    connect(m_stepTimer, &QTimer::timeout, this, &SearchPhoneDialog::surveyStep);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(radios);
    top->addWidget(m_status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_devices);
    layout->addWidget(again);
    layout->addWidget(box);
    showStatus();
}

SearchPhoneDialog::~SearchPhoneDialog() {
    setWaitCursor(false);
}

void SearchPhoneDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_surveyed) {
        m_surveyed = true;
        startSurvey();
    }
}

void SearchPhoneDialog::startSurvey() {
    m_model.beginSurvey();
    m_exposeWaits = 0;
    setWaitCursor(true);
    showStatus();
    m_stepTimer->start(0);
}

void SearchPhoneDialog::surveyStep() {
    if (!m_model.surveying())
        return;
    // The first port waits until the window is on the screen (a moment, at most half a
    // second), so the window is never left blank while a port is tried.
    QWindow* window = windowHandle();
    if (isVisible() && window && !window->isExposed() && m_exposeWaits < 50) {
        ++m_exposeWaits;
        m_stepTimer->start(10);
        return;
    }
    const bool more = m_model.surveyNextPort();
    showStatus();
    if (isVisible())
        m_status->repaint(); // before the next port holds the thread
    if (more)
        m_stepTimer->start(0);
    else
        finishSurvey();
}

void SearchPhoneDialog::survey() {
    m_model.beginSurvey();
    m_stepTimer->stop();
    setWaitCursor(true);
    while (m_model.surveyNextPort())
        showStatus();
    finishSurvey();
}

void SearchPhoneDialog::finishSurvey() {
    setWaitCursor(false);
    showStatus();
    if (!m_model.foundAny()) {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(NoPhonesTitle.data()),
                        QString::fromLatin1(NoPhonesText.data(), qsizetype(NoPhonesText.size())),
                        QMessageBox::Ok, this);
        box.setObjectName("noPhones");
        box.exec();
    }
}

void SearchPhoneDialog::done(int result) {
    // Closed while the survey runs: the rest of the ports are not tried.
    m_stepTimer->stop();
    m_model.cancelSurvey();
    setWaitCursor(false);
    QDialog::done(result);
}

void SearchPhoneDialog::setWaitCursor(bool on) {
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void SearchPhoneDialog::showStatus() {
    m_status->setText(QString::fromStdString(m_model.statusText()));
    if (QAbstractButton* b = m_ports->button(m_model.selection()))
        b->setChecked(true);
    else if (QAbstractButton* checked = m_ports->checkedButton()) {
        m_ports->setExclusive(false);
        checked->setChecked(false);
        m_ports->setExclusive(true);
    }
}

QString SearchPhoneDialog::statusText() const {
    return m_status->text();
}

void SearchPhoneDialog::accept() {
    m_model.accept();
    m_model.saveTable(Registry::instance());
    reloadPortTable();
    QDialog::accept();
}

RadioChoiceDialog::RadioChoiceDialog(const QString& title, CRadioChoice choice, const QString& note,
                                     QWidget* parent)
    : QDialog(parent), m_choice(std::move(choice)), m_buttons(new QButtonGroup(this)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < m_choice.labels().size(); ++i) {
        auto* b = new QRadioButton(QString::fromStdString(m_choice.labels()[i]), this);
        m_buttons->addButton(b, int(i));
        layout->addWidget(b);
    }
    if (QAbstractButton* b = m_buttons->button(m_choice.selection()))
        b->setChecked(true);
    connect(m_buttons, &QButtonGroup::idClicked, this, [this](int id) { m_choice.select(id); });
    if (!note.isEmpty())
        layout->addWidget(new QLabel(note, this));
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
}

std::optional<int> choosePhoneFormatType(int current, QWidget* parent) {
    RadioChoiceDialog dialog(QString::fromLatin1(PhoneTypeDialogTitle.data()),
                             phoneTypeChoice(current), {}, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice().value();
}

std::optional<int> chooseApplicationType(int current, QWidget* parent) {
    RadioChoiceDialog dialog(
        QString::fromLatin1(ApplicationDialogTitle.data()), applicationChoice(current),
        QString::fromLatin1(ApplicationDialogNote.data(), qsizetype(ApplicationDialogNote.size())),
        parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice().value();
}

bool searchForPhone(CAppSettings& settings, Feedback& feedback, QWidget* parent) {
    PhoneLink link{serialChannel(), applicationSizes(), feedback};
    SearchPhoneDialog dialog(link, settings, currentPortTable(), parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace pixelon::ui

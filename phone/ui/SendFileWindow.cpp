#include "phone/ui/SendFileWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace pixelon::ui {

SendFileWindow::SendFileWindow(obex::SendFileLogic::Setup setup, FileChooser& chooser,
                               QWidget* parent)
    : QDialog(parent), m_logic(std::move(setup)), m_chooser(chooser) {
    auto* layout = new QVBoxLayout(this);
    auto* note =
        new QLabel(QString::fromUtf8(obex::SendFileNote.data(), int(obex::SendFileNote.size())));
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* cable = new QLabel(
        "Connect the phone by data cable, infrared or Bluetooth through a connection set up in "
        "Help > Handset Gateway, and turn on the phone's receive menu.");
    cable->setWordWrap(true);
    layout->addWidget(cable);
    layout->addWidget(new QLabel("Status Log"));
    m_log = new QPlainTextEdit;
    m_log->setReadOnly(true);
    m_log->setMinimumSize(420, 220);
    layout->addWidget(m_log);
    auto* buttons = new QHBoxLayout;
    m_send = new QPushButton("&Send");
    m_choose = new QPushButton("&Choose file");
    auto* done = new QPushButton("&Done");
    buttons->addWidget(m_send);
    buttons->addWidget(m_choose);
    buttons->addStretch();
    buttons->addWidget(done);
    layout->addLayout(buttons);
    connect(m_send, &QPushButton::clicked, this, &SendFileWindow::send);
    connect(m_choose, &QPushButton::clicked, this, &SendFileWindow::chooseFile);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_logic.onTimer();
        refresh();
    });
    m_logic.onChanged = [this] { refresh(); };
    m_logic.start();
    refresh();
}

SendFileWindow::~SendFileWindow() {
    m_logic.onChanged = nullptr;
}

QString SendFileWindow::logText() const {
    return m_log->toPlainText();
}

bool SendFileWindow::timerActive() const {
    return m_timer->isActive();
}

void SendFileWindow::refresh() {
    setWindowTitle(QString::fromStdString(m_logic.title()));
    m_send->setVisible(m_logic.sendVisible());
    m_choose->setVisible(m_logic.chooseVisible());
    QString text = QString::fromStdString(m_logic.log());
    text.replace("\r\n", "\n");
    if (m_log->toPlainText() != text) {
        m_log->setPlainText(text);
        m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
        // A send runs on this thread: show each line as it comes rather than at the end.
        m_log->repaint();
    }
    if (m_logic.timerRunning() && !m_timer->isActive())
        m_timer->start();
    else if (!m_logic.timerRunning() && m_timer->isActive())
        m_timer->stop();
}

void SendFileWindow::chooseFile() {
    FileRequest request;
    request.title = "Choose File to Send to Phone";
    request.filter = std::string(obex::SendFileFilter);
    auto answer = m_chooser.chooseOpen(request);
    if (answer && !answer->paths.empty())
        m_logic.fileChosen(answer->paths.front());
    refresh();
}

void SendFileWindow::send() {
    m_logic.onSend();
    refresh();
}

} // namespace pixelon::ui

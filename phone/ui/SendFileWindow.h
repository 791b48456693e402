#pragma once

#include <QDialog>

#include "core/Document.h"
#include "phone/obex/SendFile.h"

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace pixelon::ui {

// "Send File to Phone" (also titled "Send Picture to Phone"): the status log, Send, Choose file
// and Done, over the dialog's logic. A one-second timer looks for a phone while none is found.
class SendFileWindow : public QDialog {
    Q_OBJECT
public:
    SendFileWindow(obex::SendFileLogic::Setup setup, FileChooser& chooser,
                   QWidget* parent = nullptr);
    ~SendFileWindow() override;

    obex::SendFileLogic& logic() { return m_logic; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* chooseButton() const { return m_choose; }
    QString logText() const;
    bool timerActive() const;

    void chooseFile();
    void send();

private:
    void refresh();

    obex::SendFileLogic m_logic;
    FileChooser& m_chooser;
    QPlainTextEdit* m_log;
    QPushButton* m_send;
    QPushButton* m_choose;
    QTimer* m_timer;
};

} // namespace pixelon::ui

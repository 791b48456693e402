#pragma once

#include <QDialog>
#include <QPointer>

#include <optional>

#include "phone/PhoneDialogs.h"

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QTableWidget;
class QTimer;

namespace pixelon::ui {

// The modeless "Comms Log" window: the log text with Copy and Clear. Its placement is kept in
// the settings on every move or resize.
class CommsLogWindow : public QDialog {
    Q_OBJECT
public:
    CommsLogWindow(CCommsLog& log, CAppSettings& settings, QWidget* parent = nullptr);
    ~CommsLogWindow() override;

    CCommsLogPanel& panel() { return m_panel; }
    void refresh();
    void copyAll();

signals:
    void closed();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void storePlacement();

    CCommsLog& m_log;
    CCommsLogPanel m_panel;
    QPlainTextEdit* m_edit;
};

// Shows or hides the process-wide log window, creating it on first use.
CommsLogWindow& showCommsLog(CAppSettings& settings, bool show, QWidget* parent = nullptr);

// "Search for Phone and type; set default COM Port#": surveys the ports when it opens. The
// window shows at once; the survey then runs a port at a time from the event loop, so the
// window stays drawn and each port's line appears as the port answers.
class SearchPhoneDialog : public QDialog {
    Q_OBJECT
public:
    SearchPhoneDialog(PhoneLink& link, CAppSettings& settings, CPortTable table,
                      QWidget* parent = nullptr);
    ~SearchPhoneDialog() override;

    CSearchPhoneModel& model() { return m_model; }
    // Starts the survey a port at a time (when the dialog shows, and by "Search Again").
    void startSurvey();
    // Runs the whole survey at once.
    void survey();
    QString statusText() const;
    QLabel* statusLabel() const { return m_status; }

    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void surveyStep();
    void finishSurvey();
    void showStatus();
    void setWaitCursor(bool on);

    CSearchPhoneModel m_model;
    QButtonGroup* m_ports;
    QLabel* m_status;
    QTableWidget* m_devices;
    QTimer* m_stepTimer = nullptr;
    bool m_surveyed = false;
    bool m_waitCursor = false;
    int m_exposeWaits = 0;
};

// A dialog of radio buttons over a CRadioChoice, with an optional note under them.
class RadioChoiceDialog : public QDialog {
    Q_OBJECT
public:
    RadioChoiceDialog(const QString& title, CRadioChoice choice, const QString& note = {},
                      QWidget* parent = nullptr);
    const CRadioChoice& choice() const { return m_choice; }
    QButtonGroup* buttons() { return m_buttons; }

private:
    CRadioChoice m_choice;
    QButtonGroup* m_buttons;
};

// "Phone Format Type..." and "Application Type...": the new value, or empty on Cancel.
std::optional<int> choosePhoneFormatType(int current, QWidget* parent = nullptr);
std::optional<int> chooseApplicationType(int current, QWidget* parent = nullptr);

// The search dialog on the process-wide channel; true when OK stored a port.
bool searchForPhone(CAppSettings& settings, Feedback& feedback, QWidget* parent = nullptr);

} // namespace pixelon::ui

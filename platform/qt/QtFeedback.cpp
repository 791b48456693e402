#include "platform/qt/QtFeedback.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace pixelon {

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        break;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Answer fromQtButton(int button, MessageButtons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        // Closing the box with Escape or the title bar counts as its way out.
        return buttons == MessageButtons::Ok      ? Answer::Ok
               : buttons == MessageButtons::YesNo ? Answer::No
                                                  : Answer::Cancel;
    }
}

QString toQString(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

class QtFeedback::Progress : public ProgressWindow {
public:
    explicit Progress(QtFeedback& owner) : m_owner(owner) {}
    ~Progress() override { destroyWindow(); }

    QWidget* widget() const { return m_window.get(); }

protected:
    void onOpen() override {
        destroyWindow();
        m_window = std::make_unique<QWidget>(m_owner.m_parent, Qt::Dialog);
        m_window->setWindowModality(Qt::NonModal);
        m_window->setMinimumWidth(320);
        auto* layout = new QVBoxLayout(m_window.get());
        m_label = new QLabel(m_window.get());
        m_bar = new QProgressBar(m_window.get());
        layout->addWidget(m_label);
        layout->addWidget(m_bar);
        m_bar->setRange(low(), std::max(low(), high()));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursor = true;
        show();
        m_window->show();
        repaintNow();
    }

    void onChange() override {
        if (!m_window)
            return;
        show();
        repaintNow();
    }

    void onClose() override { destroyWindow(); }

private:
    void show() {
        m_window->setWindowTitle(toQString(title()));
        m_label->setText(toQString(text()));
        // SetRange may have changed the range since the window opened.
        m_bar->setRange(low(), std::max(low(), high()));
        m_bar->setValue(std::clamp(shownPosition(), m_bar->minimum(), m_bar->maximum()));
    }

    // Paints the window now without handling input, so the user cannot start another
    // command while a long operation runs on this thread.
    void repaintNow() {
        m_window->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    }

    void destroyWindow() {
        m_window.reset();
        m_label = nullptr;
        m_bar = nullptr;
        if (m_cursor) {
            QApplication::restoreOverrideCursor();
            m_cursor = false;
        }
    }

    QtFeedback& m_owner;
    std::unique_ptr<QWidget> m_window;
    QLabel* m_label = nullptr;     // owned by m_window
    QProgressBar* m_bar = nullptr; // owned by m_window
    bool m_cursor = false;
};

QtFeedback::QtFeedback(QWidget* parent)
    : m_parent(parent), m_progress(std::make_unique<Progress>(*this)) {}

QtFeedback::~QtFeedback() = default;

void QtFeedback::setParent(QWidget* parent) {
    m_parent = parent;
}

Answer QtFeedback::message(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    return titledMessage(QApplication::applicationDisplayName().toStdString(), text, icon, buttons);
}

Answer QtFeedback::titledMessage(std::string_view title, std::string_view text, MessageIcon icon,
                                 MessageButtons buttons) {
    QMessageBox box(toQtIcon(icon), toQString(title), toQString(text), toQtButtons(buttons),
                    m_parent);
    return fromQtButton(box.exec(), buttons);
}

ProgressWindow& QtFeedback::progress() {
    return *m_progress;
}

QWidget* QtFeedback::progressWidget() const {
    return m_progress->widget();
}

} // namespace pixelon

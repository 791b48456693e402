#include "platform/qt/QtFeedback.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
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

// QMessageBox wraps any text wider than about 500 pixels (half a small screen), so a line
// indented by a tab breaks before its last word and an ID or a number stands on a line of its
// own. The label is given the width of its longest line instead, up to the widest box the
// screen takes; only longer lines still wrap.
void keepLinesWhole(QMessageBox& box, QWidget* parent) {
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    if (!label)
        return;
    const bool wrapped = label->wordWrap();
    label->setWordWrap(false);
    const int natural = label->sizeHint().width();
    label->setWordWrap(wrapped);
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 800;
    // The box's own limit, as QMessageBox computes it, less the room its icon and margins take.
    const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    int others = 24;
    if (QLayout* layout = box.layout()) {
        const QMargins m = layout->contentsMargins();
        others += m.left() + m.right() + 2 * std::max(0, layout->spacing());
    }
    if (auto* icon = box.findChild<QLabel*>("qt_msgboxex_icon_label"))
        others += icon->sizeHint().width();
    label->setMinimumWidth(std::max(0, std::min(natural, boxLimit - others)));
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
        // A fixed width: a long file name is shortened rather than widening the window at
        // every step.
        m_window->setFixedWidth(m_window->fontMetrics().averageCharWidth() * 56);
        auto* layout = new QVBoxLayout(m_window.get());
        m_label = new QLabel(m_window.get());
        m_label->setTextFormat(Qt::PlainText);
        m_bar = new QProgressBar(m_window.get());
        layout->addWidget(m_label);
        layout->addWidget(m_bar);
        m_bar->setRange(low(), std::max(low(), high()));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_cursor = true;
        show();
        m_window->adjustSize();
        centre();
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
        const int room = m_window->width() - 2 * m_window->layout()->contentsMargins().left();
        m_label->setText(
            m_label->fontMetrics().elidedText(toQString(text()), Qt::ElideMiddle, room));
        // SetRange may have changed the range since the window opened.
        m_bar->setRange(low(), std::max(low(), high()));
        m_bar->setValue(std::clamp(shownPosition(), m_bar->minimum(), m_bar->maximum()));
    }

    // In the middle of the window it reports for, else of the screen; never over the edge.
    void centre() {
        QWidget* parent = m_owner.m_parent ? m_owner.m_parent->window() : nullptr;
        QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        QRect frame(QPoint(), m_window->frameGeometry().size());
        frame.moveCenter(parent && parent->isVisible() ? parent->frameGeometry().center()
                                                       : area.center());
        if (area.isValid()) {
            frame.moveLeft(std::clamp(frame.left(), area.left(),
                                      std::max(area.left(), area.right() - frame.width())));
            frame.moveTop(std::clamp(frame.top(), area.top(),
                                     std::max(area.top(), area.bottom() - frame.height())));
        }
        m_window->move(frame.topLeft());
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
    keepLinesWhole(box, m_parent);
    return fromQtButton(box.exec(), buttons);
}

ProgressWindow& QtFeedback::progress() {
    return *m_progress;
}

QWidget* QtFeedback::progressWidget() const {
    return m_progress->widget();
}

} // namespace pixelon

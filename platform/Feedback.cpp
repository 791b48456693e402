#include "platform/Feedback.h"

#include <algorithm>
#include <cstdio>

namespace pixelon {

void ProgressWindow::Open(std::string_view title, std::string_view text, int low, int high) {
    m_title = title;
    m_text = text;
    m_low = low;
    m_high = high;
    m_shown = low;
    m_open = true;
    onOpen();
}

void ProgressWindow::SetText(std::string_view text) {
    m_text = text;
    if (m_open)
        onChange();
}

void ProgressWindow::SetTitle(std::string_view title) {
    m_title = title;
    if (m_open)
        onChange();
}

void ProgressWindow::SetRange(int low, int high) {
    m_low = low;
    m_high = high;
}

void ProgressWindow::Step(int position) {
    int threshold = std::max(1, (m_high - m_low) / 25);
    if (position - m_shown > threshold) {
        m_shown = position;
        if (m_open)
            onChange();
    }
}

void ProgressWindow::Close() {
    if (!m_open)
        return;
    m_open = false;
    onClose();
}

Answer firstButton(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return Answer::Yes;
    case MessageButtons::RetryCancel:
        return Answer::Retry;
    default:
        return Answer::Ok;
    }
}

Answer ConsoleFeedback::message(std::string_view text, MessageIcon, MessageButtons buttons) {
    std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    return firstButton(buttons);
}

void ConsoleFeedback::ConsoleProgress::onChange() {
    if (m_show)
        std::fprintf(stderr, "\r%s %s %d", title().c_str(), text().c_str(), shownPosition());
}

void ConsoleFeedback::ConsoleProgress::onClose() {
    if (m_show)
        std::fprintf(stderr, "\n");
}

Answer RecordingFeedback::message(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    return titledMessage({}, text, icon, buttons);
}

Answer RecordingFeedback::titledMessage(std::string_view title, std::string_view text,
                                        MessageIcon icon, MessageButtons buttons) {
    m_messages.push_back({std::string(text), icon, buttons, std::string(title)});
    if (m_answers.empty())
        return firstButton(buttons);
    Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

void RecordingFeedback::RecordingProgress::onOpen() {
    events.push_back("open " + title() + "|" + text());
    m_lastTitle = title();
    m_lastText = text();
    m_lastShown = shownPosition();
}

void RecordingFeedback::RecordingProgress::onChange() {
    if (title() != m_lastTitle)
        events.push_back("title " + title());
    if (text() != m_lastText)
        events.push_back("text " + text());
    if (shownPosition() != m_lastShown)
        events.push_back("step " + std::to_string(shownPosition()));
    m_lastTitle = title();
    m_lastText = text();
    m_lastShown = shownPosition();
}

} // namespace pixelon

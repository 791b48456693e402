#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon {

enum class MessageIcon { None, Stop, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };

// The one progress window of the process: a title, a line of text and a bar. The public
// operations keep the redraw rule (about 25 redraws a run); subclasses only show the result.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    void Open(std::string_view title, std::string_view text, int low, int high);
    void SetText(std::string_view text);
    void SetTitle(std::string_view title);
    void SetRange(int low, int high);
    void Step(int position);
    void Close();

    bool isOpen() const { return m_open; }
    const std::string& title() const { return m_title; }
    const std::string& text() const { return m_text; }
    int shownPosition() const { return m_shown; }
    int low() const { return m_low; }
    int high() const { return m_high; }

protected:
    virtual void onOpen() {}
    virtual void onChange() {} // title, text or shown position changed while open
    virtual void onClose() {}

private:
    bool m_open = false;
    std::string m_title;
    std::string m_text;
    int m_low = 0;
    int m_high = 0;
    int m_shown = 0;
};

// Message boxes and the progress window, as the domain code sees them.
class Feedback {
public:
    virtual ~Feedback() = default;
    virtual Answer message(std::string_view text, MessageIcon icon,
                           MessageButtons buttons = MessageButtons::Ok) = 0;
    // A message box with a title of its own instead of the program's name. Where a box has no
    // title (the console) only the message is shown.
    virtual Answer titledMessage(std::string_view title, std::string_view text, MessageIcon icon,
                                 MessageButtons buttons = MessageButtons::Ok) {
        (void)title;
        return message(text, icon, buttons);
    }
    virtual ProgressWindow& progress() = 0;
};

// Writes messages to standard error and answers with the first button (OK or Yes).
class ConsoleFeedback : public Feedback {
public:
    explicit ConsoleFeedback(bool showProgress = false) : m_progress(showProgress) {}
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    ProgressWindow& progress() override { return m_progress; }

private:
    class ConsoleProgress : public ProgressWindow {
    public:
        explicit ConsoleProgress(bool show) : m_show(show) {}

    protected:
        void onChange() override;
        void onClose() override;

    private:
        bool m_show;
    };
    ConsoleProgress m_progress;
};

// Keeps every message and progress event so tests can assert the exact texts; answers come
// from a queue the test fills, else the first button.
class RecordingFeedback : public Feedback {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
        std::string title = {}; // empty: the program's name
    };

    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    Answer titledMessage(std::string_view title, std::string_view text, MessageIcon icon,
                         MessageButtons buttons) override;
    ProgressWindow& progress() override { return m_progress; }

    void queueAnswer(Answer a) { m_answers.push_back(a); }
    const std::vector<Message>& messages() const { return m_messages; }
    // Progress events as text: "open <title>|<text>", "text <text>", "title <title>",
    // "step <shown position>", "close".
    const std::vector<std::string>& progressEvents() const { return m_progress.events; }
    void clear() {
        m_messages.clear();
        m_progress.events.clear();
    }

private:
    class RecordingProgress : public ProgressWindow {
    public:
        std::vector<std::string> events;

    protected:
        void onOpen() override;
        void onChange() override;
        void onClose() override { events.push_back("close"); }

    private:
        std::string m_lastTitle, m_lastText;
        int m_lastShown = 0;
    };
    std::vector<Message> m_messages;
    std::deque<Answer> m_answers;
    RecordingProgress m_progress;
};

Answer firstButton(MessageButtons buttons);

} // namespace pixelon

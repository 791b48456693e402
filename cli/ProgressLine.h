#pragma once

#include <string>
#include <string_view>

#include "platform/Feedback.h"

namespace pixelon::cli {

// The progress window of the command line: one line on standard error with the title, the
// count, the percentage and the current file, redrawn in place with a carriage return. It draws
// only when it is enabled and its output is a terminal, so piped or redirected output stays
// clean.
class ProgressLine : public ProgressWindow {
public:
    explicit ProgressLine(int fd = 2) : m_fd(fd) {}

    // `on` and a terminal: draw from now on.
    void enable(bool on);
    bool enabled() const { return m_enabled; }
    // Shown where the window's own text is empty (the file the command works on).
    void setSubject(std::string subject) { m_subject = std::move(subject); }
    // Removes a drawn line, so that a message starts at the left margin.
    void erase();

    // The line for the window's state, at most `width` characters: "TITLE COUNT/TOTAL PERCENT%
    // TEXT"; without a range only the title and the text.
    static std::string format(std::string_view title, std::string_view text, int position, int low,
                              int high, int width);

protected:
    void onOpen() override { draw(); }
    void onChange() override { draw(); }
    void onClose() override { erase(); }

private:
    void draw();
    void put(const std::string& bytes) const;

    int m_fd;
    bool m_enabled = false;
    bool m_drawn = false;
    std::string m_subject;
};

} // namespace pixelon::cli

#include "cli/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/Printable.h"

namespace pixelon::cli {

namespace {

// A line as wide as the terminal would wrap, and a carriage return then redraws only its last
// part; one column is kept free.
int terminalWidth(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col - 1;
    return 79;
}

// Cuts `text` to `width` bytes without splitting a UTF-8 sequence.
std::string cut(std::string text, int width) {
    if (int(text.size()) <= width)
        return text;
    std::size_t end = std::size_t(std::max(0, width));
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

} // namespace

void ProgressLine::enable(bool on) {
    m_enabled = on && ::isatty(m_fd) == 1;
}

std::string ProgressLine::format(std::string_view title, std::string_view text, int position,
                                 int low, int high, int width) {
    std::string line(title);
    if (high > low) {
        const long long done =
            std::clamp<long long>((long long)position - low, 0, (long long)high - low);
        const long long total = (long long)high - low;
        line += " " + std::to_string(done) + "/" + std::to_string(total) + " " +
                std::to_string(done * 100 / total) + "%";
    }
    if (!text.empty())
        line += " " + std::string(text);
    return cut(printable(line), width);
}

void ProgressLine::draw() {
    if (!m_enabled || !isOpen())
        return;
    // Texts may end with a line break (phone transfer texts do); the line shows one line.
    std::string shownText = text().empty() ? m_subject : text();
    std::replace(shownText.begin(), shownText.end(), '\n', ' ');
    const std::string line =
        format(title(), shownText, shownPosition(), low(), high(), terminalWidth(m_fd));
    // Back to the start, the line, and the rest of a longer previous line erased.
    put("\r" + line + "\x1b[K");
    m_drawn = true;
}

void ProgressLine::erase() {
    if (!m_drawn)
        return;
    put("\r\x1b[K");
    m_drawn = false;
}

void ProgressLine::put(const std::string& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a progress line that cannot be shown is not worth failing the work for
        done += std::size_t(n);
    }
}

} // namespace pixelon::cli

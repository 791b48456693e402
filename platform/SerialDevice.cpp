#include "platform/SerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace pixelon {

namespace {

int lastError() {
    return errno != 0 ? errno : EIO;
}

// Pseudo-terminals and some adapters have no modem lines; that is not a failure of the port.
bool noModemLines(int error) {
    return error == ENOTTY || error == EINVAL || error == ENOSYS;
}

} // namespace

PosixSerialDevice::~PosixSerialDevice() {
    close();
}

int PosixSerialDevice::open(const std::string& path, bool nonBlocking) {
    close();
    // Always open without waiting for carrier; blocking mode is set once the line is local.
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    // Only terminal devices: a mistyped path must not get the probe's byte written into a file.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return ENOTTY;
    }
    if (::isatty(fd) && ::ioctl(fd, TIOCEXCL) != 0 && !noModemLines(errno)) {
        int e = lastError();
        ::close(fd);
        return e;
    }
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        t.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd, TCSANOW, &t);
    }
    if (!nonBlocking) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
            int e = lastError();
            ::close(fd);
            return e;
        }
    }
    m_fd = fd;
    m_nonBlocking = nonBlocking;
    return 0;
}

void PosixSerialDevice::close() {
    if (m_fd >= 0) {
        if (::isatty(m_fd))
            ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    m_fd = -1;
}

int PosixSerialDevice::readState() {
    termios t{};
    return ::tcgetattr(m_fd, &t) == 0 ? 0 : lastError();
}

int PosixSerialDevice::writeState(const SerialSettings& settings) {
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0)
        return lastError();
    ::cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    speed_t speed = B9600;
    switch (settings.baudRate) {
    case 19200:
        speed = B19200;
        break;
    case 38400:
        speed = B38400;
        break;
    case 57600:
        speed = B57600;
        break;
    case 115200:
        speed = B115200;
        break;
    default:
        break;
    }
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0 ? 0 : lastError();
}

int PosixSerialDevice::readTimeouts() {
    return readState();
}

int PosixSerialDevice::writeReturnAtOnce() {
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0)
        return lastError();
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(m_fd, TCSANOW, &t) == 0 ? 0 : lastError();
}

int PosixSerialDevice::setQueueSizes(std::size_t, std::size_t) {
    // The terminal driver sizes its own queues.
    return m_fd >= 0 ? 0 : EBADF;
}

int PosixSerialDevice::purge() {
    return ::tcflush(m_fd, TCIOFLUSH) == 0 ? 0 : lastError();
}

int PosixSerialDevice::raiseDtr() {
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(m_fd, TIOCMBIS, &lines) == 0 || noModemLines(errno))
        return 0;
    return lastError();
}

SerialIo PosixSerialDevice::read(std::span<std::uint8_t> buffer) {
    if (buffer.empty())
        return {};
    ssize_t n = ::read(m_fd, buffer.data(), buffer.size());
    if (n > 0)
        return {0, std::size_t(n)};
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        return {lastError(), 0};
    // Nothing arrived: tell a quiet line from one whose other end has gone (an unplugged
    // adapter, a closed pseudo-terminal), which would otherwise look quiet for ever.
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return {EIO, 0};
    return {};
}

SerialIo PosixSerialDevice::write(std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        if (!m_nonBlocking) {
            pollfd p{m_fd, POLLOUT, 0};
            int r = ::poll(&p, 1, m_writeTimeoutMs);
            if (r == 0)
                return {ETIMEDOUT, done};
            if (r < 0 && errno != EINTR)
                return {lastError(), done};
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
                return {EIO, done};
        }
        ssize_t n = ::write(m_fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (m_nonBlocking)
                return {EAGAIN, done};
            continue;
        }
        return {n < 0 ? lastError() : EIO, done};
    }
    return {0, done};
}

} // namespace pixelon

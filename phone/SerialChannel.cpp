#include "phone/SerialChannel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pixelon {

namespace {

constexpr int OverlappedPolls = 10;
constexpr std::uint32_t PollMs = 50;
constexpr int ProbeRetries = 10;

std::string printable(std::span<const std::uint8_t> bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

std::string CommsException::systemText() const {
    char buffer[256] = {};
    const char* text = nullptr;
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    text = strerror_r(m_nError, buffer, sizeof buffer);
#else
    if (strerror_r(m_nError, buffer, sizeof buffer) == 0)
        text = buffer;
#endif
    std::string system = text ? text : "";
    while (!system.empty() && std::strchr(" \t\r\n", system.back()))
        system.pop_back();
    if (system.rfind("Unknown error", 0) == 0)
        system.clear();
    return system;
}

std::string CommsException::FormatError() const {
    const std::string system = systemText();
    if (system.empty())
        return formatText("Error #%d: *UNKNOWN* %s", m_nError, m_strMessage.c_str());
    return formatText("Error #%d: \"%s\"  %s", m_nError, system.c_str(), m_strMessage.c_str());
}

int CSerialFile::Open(const std::string& path, bool overlapped) {
    m_strFileName = path;
    m_bOverlapped = overlapped ? 1 : 0;
    // Closing cancels whatever an earlier write still had to send.
    m_pending.clear();
    return m_device.open(path, overlapped);
}

void CSerialFile::Close() {
    m_pending.clear();
    m_device.close();
}

int CSerialFile::flushPending() {
    if (m_pending.empty())
        return SerialOk;
    SerialIo io = m_device.write(m_pending);
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(io.count));
    if (io.error != 0 && io.error != EAGAIN)
        return io.error;
    return SerialOk;
}

int CSerialFile::Read(std::span<std::uint8_t> buffer, std::size_t& count) {
    count = 0;
    // A write that timed out is still under way: its tail goes out before anything else.
    if (int error = flushPending(); error != SerialOk)
        return error;
    SerialIo io = m_device.read(buffer);
    count = io.count;
    if (!m_bOverlapped)
        return io.error;
    if (io.error != 0 && io.error != EAGAIN)
        return io.error;
    // The read completes at once (reads return what has arrived); the poll still waits once.
    m_clock.sleep(PollMs);
    return SerialOk;
}

int CSerialFile::Write(std::span<const std::uint8_t> data, std::size_t& count) {
    count = 0;
    // The unsent tail of an earlier write goes first, so the bytes reach the line in order.
    std::vector<std::uint8_t> queued;
    queued.swap(m_pending);
    const std::size_t before = queued.size();
    queued.insert(queued.end(), data.begin(), data.end());
    std::span<const std::uint8_t> all(queued);
    std::size_t sent = 0;
    auto ownCount = [&] { return sent > before ? sent - before : 0; };

    SerialIo io = m_device.write(all);
    sent = io.count;
    count = ownCount();
    if (!m_bOverlapped) {
        // The device gives up on a line that does not drain; that is a time-out too.
        if (io.error != ETIMEDOUT)
            return io.error;
        m_pending.assign(all.begin() + std::ptrdiff_t(sent), all.end());
        return SerialTimedOut;
    }
    if (io.error != 0 && io.error != EAGAIN)
        return io.error;
    for (int poll = 0; poll < OverlappedPolls; ++poll) {
        m_clock.sleep(PollMs);
        if (sent >= all.size())
            return SerialOk;
        io = m_device.write(all.subspan(sent));
        sent += io.count;
        count = ownCount();
        if (io.error != 0 && io.error != EAGAIN)
            return io.error;
    }
    if (sent >= all.size())
        return SerialOk;
    // Like a pending overlapped write, the rest still goes out: before the next read or write.
    m_pending.assign(all.begin() + std::ptrdiff_t(sent), all.end());
    return SerialTimedOut;
}

CSerialChannel::CSerialChannel(SerialDevice& device, Clock& clock, CCommsLog& log,
                               PortPathFunction paths)
    : m_file(device, clock), m_clock(clock), m_log(log), m_paths(std::move(paths)) {}

CSerialChannel::~CSerialChannel() {
    if (m_file.isOpen())
        m_file.Close();
}

void CSerialChannel::openDevice(bool overlapped) {
    int error = m_file.Open(devicePath(m_nPort), overlapped);
    if (error != 0)
        throw CommsException("OpenPort - Open failed", error);
    log(formatText("Open (m_hFile=0x%08x)\r\n", unsigned(m_file.handle())));
}

void CSerialChannel::purgeBuffers() {
    int error = m_file.device().purge();
    CheckResult("PurgeComm failed", error == 0, error);
}

void CSerialChannel::OpenPort() {
    if (m_file.isOpen())
        ClosePort();
    log("Opening in overlapped mode...\r\n");
    m_file.m_nPort = m_nPort;
    openDevice(true);

    // Probe the non-blocking mode with one space.
    static const std::uint8_t space[] = {' '};
    std::size_t count = 0;
    int result = m_file.Write(space, count);
    for (int retry = 0; result == SerialNotReady && retry < ProbeRetries; ++retry) {
        m_clock.sleep(50);
        result = m_file.Write(space, count);
    }
    if (result != SerialNotReady)
        purgeBuffers();
    if (result == SerialInvalidParameter || result == SerialNotReady) {
        log("No good. Opening in non-overlapped mode...\r\n");
        ClosePort();
        openDevice(false);
    }

    SerialDevice& device = m_file.device();
    int error = device.readState();
    CheckResult("OpenPort - GetCommState failed", error == 0, error);
    SerialSettings settings;
    settings.baudRate = m_nBaud;
    error = device.writeState(settings);
    CheckResult("OpenPort - SetCommState failed", error == 0, error);
    error = device.readTimeouts();
    CheckResult("OpenPort - GetCommTimeouts failed", error == 0, error);
    error = device.writeReturnAtOnce();
    CheckResult("OpenPort - SetCommTimeouts failed", error == 0, error);
    error = device.setQueueSizes(4096, 4096);
    CheckResult("OpenPort - SetupComm failed", error == 0, error);
    purgeBuffers();
    error = device.raiseDtr();
    CheckResult("OpenPort - SETDTR failed", error == 0, error);
    log("Initialised\r\n");
}

void CSerialChannel::ClosePort() {
    if (!m_file.isOpen())
        return;
    m_file.Close();
    log("Close\r\n");
}

void CSerialChannel::PurgePort() {
    purgeBuffers();
    WaitForReply("Purge", {}, 128, 3);
}

int CSerialChannel::ReadPort(std::string_view label, std::span<std::uint8_t> buffer) {
    std::size_t count = 0;
    int result = m_file.Read(buffer, count);
    std::string data = printable(buffer.first(std::min(count, buffer.size())));
    std::string name(label);
    if (result == SerialOk) {
        log(formatText("%s - Read (%d bytes) \"%s\"\r\n", name.c_str(), int(count), data.c_str()));
    } else if (result == SerialTimedOut) {
        log(formatText("%s - Timed out reading (%d bytes) \"%s\"\r\n", name.c_str(), int(count),
                       data.c_str()));
    } else {
        throw CommsException(formatText("%s - reading (%d bytes) \"%s\"\r\n", name.c_str(),
                                        int(count), data.c_str()),
                             result);
    }
    return int(count);
}

void CSerialChannel::WritePort(std::string_view data) {
    std::size_t count = 0;
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    int result = m_file.Write(bytes, count);
    std::string text(data);
    if (result == SerialOk) {
        log(formatText("Written (%d/%d bytes) \"%s\"\r\n", int(data.size()), int(count),
                       text.c_str()));
    } else if (result == SerialTimedOut) {
        log(formatText("Timed out writing (%d bytes) \"%s\"\r\n", int(count), text.c_str()));
    } else {
        throw CommsException(formatText("writing (%d/%d bytes) \"%s\"\r\n", int(data.size()),
                                        int(count), text.c_str()),
                             result);
    }
}

void CSerialChannel::SendCommand(std::uint32_t delayMs, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        n = 0;
    std::size_t length = std::min<std::size_t>(std::size_t(n), sizeof buffer - 1);
    m_clock.sleep(delayMs);
    WritePort(std::string_view(buffer, length));
}

Reply CSerialChannel::WaitForReply(std::string_view label, std::string_view expected,
                                   std::size_t size, int retries) {
    Reply reply;
    if (retries <= 0 || size == 0)
        return reply;
    std::vector<std::uint8_t> chunk;
    bool matched = false;
    std::string name(label), wanted(expected);
    while (retries > 0) {
        m_clock.sleep(100);
        std::size_t room = size - 1 - reply.text.size();
        chunk.assign(room, 0);
        int n = ReadPort(label, chunk);
        if (n == 0)
            --retries;
        else
            reply.text.append(reinterpret_cast<const char*>(chunk.data()), std::size_t(n));
        if (!matched && !expected.empty()) {
            reply.found = reply.text.find(expected) != std::string::npos;
            bool error = reply.text.find("ERROR") != std::string::npos;
            if ((reply.found || error) && retries > 2) {
                log(formatText("%s - Found \"%s\" or ERROR at timeout=%d\r\n", name.c_str(),
                               wanted.c_str(), retries));
                retries = 2;
                matched = true;
                reply.found = true;
            }
        }
    }
    return reply;
}

std::string CSerialChannel::portFailure(int port) const {
    auto it = m_portFailures.find(port);
    return it == m_portFailures.end() ? std::string() : it->second;
}

void CSerialChannel::setPortFailure(int port, std::string reason) {
    if (reason.empty())
        m_portFailures.erase(port);
    else
        m_portFailures[port] = std::move(reason);
}

void CSerialChannel::CheckResult(std::string_view message, bool ok, int error) const {
    if (!ok)
        throw CommsException(std::string(message), error);
}

} // namespace pixelon

#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "phone/CommsLog.h"
#include "platform/Clock.h"
#include "platform/SerialDevice.h"

namespace pixelon {

// A failure of the serial port: the program's own text and the system error code.
class CommsException {
public:
    CommsException(std::string message, int error)
        : m_strMessage(std::move(message)), m_nError(error) {}

    const std::string& message() const { return m_strMessage; }
    int error() const { return m_nError; }

    // "Error #%d: \"<system text>\"  <message>", or "Error #%d: *UNKNOWN* <message>" when the
    // system has no text for the code.
    std::string FormatError() const;
    // The system's text for the error code without trailing blanks; empty when it has none.
    std::string systemText() const;

private:
    std::string m_strMessage;
    int m_nError;
};

// Raw-I/O results besides errno values: success and "gave up waiting".
constexpr int SerialOk = 0;
constexpr int SerialTimedOut = -1;

// The file object on the serial device. In overlapped mode every read and write is followed
// by up to ten 50 ms polls; in blocking mode the device call itself returns the result.
class CSerialFile {
public:
    CSerialFile(SerialDevice& device, Clock& clock) : m_device(device), m_clock(clock) {}

    bool isOpen() const { return m_device.isOpen(); }
    int handle() const { return m_device.handle(); }

    int Open(const std::string& path, bool overlapped);
    void Close();

    // The result is a code (0, -1 for a time-out, or errno); the count goes to `count`.
    // A write that times out keeps its unsent tail and sends it ahead of the next read or
    // write, as an overlapped write still in progress would; `count` counts only the
    // caller's own bytes.
    int Read(std::span<std::uint8_t> buffer, std::size_t& count);
    int Write(std::span<const std::uint8_t> data, std::size_t& count);
    std::size_t pendingBytes() const { return m_pending.size(); }

    SerialDevice& device() { return m_device; }

    std::string m_strFileName;
    int m_nPort = 0;
    std::uint8_t m_bOverlapped = 0;

private:
    int flushPending();

    SerialDevice& m_device;
    Clock& m_clock;
    std::vector<std::uint8_t> m_pending; // unsent tail of a write that timed out
};

// What WaitForReply collected: the text (at most size - 1 bytes) and whether the expected
// text or "ERROR" arrived.
struct Reply {
    std::string text;
    bool found = false;
};

// Port number -> device path.
using PortPathFunction = std::function<std::string(int port)>;

// The one channel of the process to the phone: opens one port at a time, writes commands,
// polls for replies and logs every step.
class CSerialChannel {
public:
    CSerialChannel(SerialDevice& device, Clock& clock, CCommsLog& log, PortPathFunction paths);
    ~CSerialChannel();
    CSerialChannel(const CSerialChannel&) = delete;
    CSerialChannel& operator=(const CSerialChannel&) = delete;

    void OpenPort();
    void ClosePort();
    void PurgePort();
    int ReadPort(std::string_view label, std::span<std::uint8_t> buffer);
    void WritePort(std::string_view data);
    void SendCommand(std::uint32_t delayMs, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    Reply WaitForReply(std::string_view label, std::string_view expected, std::size_t size,
                       int retries);
    void CheckResult(std::string_view message, bool ok, int error) const;

    bool isOpen() const { return m_file.isOpen(); }
    // Why the last attempt on `port` failed (the system's text for its error); empty when the
    // last attempt did not fail or gave no reason.
    std::string portFailure(int port) const;
    void setPortFailure(int port, std::string reason);
    void log(std::string_view message) { m_log.LogComms(m_nPort, message); }

    Clock& clock() { return m_clock; }
    CCommsLog& commsLog() { return m_log; }
    std::string devicePath(int port) const { return m_paths ? m_paths(port) : std::string(); }
    void setPortPaths(PortPathFunction paths) { m_paths = std::move(paths); }
    const PortPathFunction& portPaths() const { return m_paths; }

    int m_nPort = 0;
    std::uint32_t m_nBaud = 9600;
    int m_bEnabled = 1;
    int m_nPhoneFlags = 0;  // PortStatus of the port tried last
    int m_nPictureSlot = 0; // the last picture slot a download used

private:
    void openDevice(bool overlapped);
    void purgeBuffers();

    CSerialFile m_file;
    Clock& m_clock;
    CCommsLog& m_log;
    PortPathFunction m_paths;
    std::map<int, std::string> m_portFailures;
};

} // namespace pixelon

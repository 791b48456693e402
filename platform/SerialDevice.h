#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace pixelon {

// Line settings of a serial port. The program always asks for 8N1 without flow control.
struct SerialSettings {
    std::uint32_t baudRate = 9600;
    bool dtr = true;
    bool rts = true;
};

// Result of one read or write: 0 or an errno value, and the bytes moved.
struct SerialIo {
    int error = 0;
    std::size_t count = 0;
};

// Device answers that steer the open-mode probe: "not ready yet, retry" and "this descriptor
// cannot do non-blocking I/O".
constexpr int SerialNotReady = EBUSY;
constexpr int SerialInvalidParameter = EINVAL;

// A serial device: a POSIX terminal in the program, an in-memory fake in tests. Every call
// returns at once; the caller does the waiting (with a Clock).
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Opens an existing device for reading and writing, exclusively. `nonBlocking` selects
    // the polled mode. Returns 0 or errno.
    virtual int open(const std::string& path, bool nonBlocking) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual int handle() const = 0; // the descriptor, for the log; -1 when closed

    virtual int readState() = 0;                                // the current line settings
    virtual int writeState(const SerialSettings& settings) = 0; // 8N1, raw, no flow control
    virtual int readTimeouts() = 0;
    virtual int writeReturnAtOnce() = 0; // reads return at once with what has arrived
    virtual int setQueueSizes(std::size_t input, std::size_t output) = 0;
    virtual int purge() = 0; // drops both directions' pending bytes
    virtual int raiseDtr() = 0;

    // One read of what has arrived (count 0 and error 0 when nothing has), or one write.
    // In non-blocking mode a write that cannot take all bytes reports EAGAIN with the count
    // it took.
    virtual SerialIo read(std::span<std::uint8_t> buffer) = 0;
    virtual SerialIo write(std::span<const std::uint8_t> data) = 0;
};

// The POSIX terminal device. A blocking write waits at most `writeTimeoutMs` for the line
// to drain so that a phone that stops reading cannot hang the program.
class PosixSerialDevice : public SerialDevice {
public:
    explicit PosixSerialDevice(int writeTimeoutMs = 5000) : m_writeTimeoutMs(writeTimeoutMs) {}
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    int open(const std::string& path, bool nonBlocking) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    int handle() const override { return m_fd; }

    int readState() override;
    int writeState(const SerialSettings& settings) override;
    int readTimeouts() override;
    int writeReturnAtOnce() override;
    int setQueueSizes(std::size_t input, std::size_t output) override;
    int purge() override;
    int raiseDtr() override;

    SerialIo read(std::span<std::uint8_t> buffer) override;
    SerialIo write(std::span<const std::uint8_t> data) override;

private:
    int m_fd = -1;
    bool m_nonBlocking = false;
    int m_writeTimeoutMs;
};

} // namespace pixelon

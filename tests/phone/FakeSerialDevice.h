#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialDevice.h"

namespace pixelon::test {

// An in-memory serial device. Bytes written go to `respond`, whose answer becomes input;
// reads hand out at most `readChunk` bytes at a time. Failures are injected per call.
class FakeSerialDevice : public SerialDevice {
public:
    std::function<std::string(const std::string& written)> respond;
    std::size_t readChunk = 64;

    int openError = 0;                                     // returned by open
    std::function<int(const std::string& path)> openCheck; // per-path open result
    std::deque<int> writeResults; // errors for the next writes (then success)
    int readStateError = 0, writeStateError = 0, purgeError = 0, dtrError = 0;
    int readError = 0; // returned by every read once set
    // Bytes the line still takes; a write beyond it is cut short with EAGAIN.
    std::size_t writeCapacity = std::size_t(-1);

    std::vector<std::pair<std::string, bool>> opens; // path and non-blocking flag
    std::string written;                             // everything written
    std::string input;                               // waiting to be read
    int nextHandle = 0x10;

    int open(const std::string& path, bool nonBlocking) override {
        opens.emplace_back(path, nonBlocking);
        if (openError != 0)
            return openError;
        if (openCheck)
            if (int e = openCheck(path); e != 0)
                return e;
        path_ = path;
        m_handle = nextHandle++;
        return 0;
    }
    void close() override { m_handle = -1; }
    bool isOpen() const override { return m_handle >= 0; }
    int handle() const override { return m_handle; }
    int readState() override { return readStateError; }
    int writeState(const SerialSettings& s) override {
        lastSettings = s;
        return writeStateError;
    }
    int readTimeouts() override { return 0; }
    int writeReturnAtOnce() override { return 0; }
    int setQueueSizes(std::size_t, std::size_t) override { return 0; }
    int purge() override {
        ++purges;
        input.clear();
        return purgeError;
    }
    int raiseDtr() override { return dtrError; }

    SerialIo read(std::span<std::uint8_t> buffer) override {
        if (readError != 0)
            return {readError, 0};
        std::size_t n = std::min({buffer.size(), readChunk, input.size()});
        std::copy_n(input.begin(), n, buffer.begin());
        input.erase(0, n);
        return {0, n};
    }
    SerialIo write(std::span<const std::uint8_t> data) override {
        if (!writeResults.empty()) {
            int e = writeResults.front();
            writeResults.pop_front();
            if (e != 0)
                return {e, 0};
        }
        const std::size_t taken = std::min(writeCapacity, data.size());
        if (writeCapacity != std::size_t(-1))
            writeCapacity -= taken;
        std::string text(reinterpret_cast<const char*>(data.data()), taken);
        written += text;
        if (respond)
            input += respond(text);
        return {taken < data.size() ? EAGAIN : 0, taken};
    }

    SerialSettings lastSettings;
    int purges = 0;

private:
    int m_handle = -1;

public:
    std::string path_; // the path opened last
};

} // namespace pixelon::test

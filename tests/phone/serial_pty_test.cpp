// The serial channel on a real pseudo-terminal, with a simulated phone on the other side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "phone/PhoneDetect.h"
#include "phone/SimulatedPhone.h"

namespace pixelon {
namespace {

// The real terminal device, except that non-blocking writes are refused as a port without
// overlapped I/O refuses them, so the channel has to fall back to blocking mode.
class NoOverlappedDevice : public PosixSerialDevice {
public:
    int open(const std::string& path, bool nonBlocking) override {
        m_refuse = nonBlocking;
        return PosixSerialDevice::open(path, nonBlocking);
    }
    SerialIo write(std::span<const std::uint8_t> data) override {
        if (m_refuse)
            return {SerialInvalidParameter, 0};
        return PosixSerialDevice::write(data);
    }

private:
    bool m_refuse = false;
};

// A pseudo-terminal whose controlling side answers like a phone until it is destroyed.
class PtyPhone {
public:
    explicit PtyPhone(SimProfile profile) : m_phone(std::move(profile)) {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        if (const char* name = ptsname(m_master))
            m_path = name;
        m_thread = std::thread([this] { serve(); });
    }
    ~PtyPhone() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            ::close(m_master);
    }
    const std::string& path() const { return m_path; }

private:
    void serve() {
        char buffer[512];
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            std::string reply = m_phone.receive(std::string(buffer, std::size_t(n)));
            if (!reply.empty() && ::write(m_master, reply.data(), reply.size()) < 0)
                return;
        }
    }

    CSimulatedPhone m_phone;
    int m_master = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(SerialPty, BlockingFallbackReadsThePhoneReply) {
    SimProfile profile;
    profile.kind = SimProfileKind::Edaw;
    PtyPhone phone(profile);
    ASSERT_FALSE(phone.path().empty()) << "no pseudo-terminal";

    NoOverlappedDevice device;
    CCommsLog log;
    CSerialChannel channel(device, systemClock(), log, [&](int) { return phone.path(); });
    channel.m_nPort = 1;
    channel.OpenPort();
    EXPECT_NE(log.text().find("No good. Opening in non-overlapped mode..."), std::string::npos)
        << log.text();

    channel.PurgePort();
    channel.SendCommand(0, "AT*EDAW=?\r\n");
    Reply reply = channel.WaitForReply("Reply", "OK", 1024, 10);
    EXPECT_TRUE(reply.found) << log.text();
    EXPECT_NE(reply.text.find("*EDAW:"), std::string::npos) << reply.text;
    EXPECT_NE(log.text().find("Reply - Read ("), std::string::npos);

    // The whole identification works in this mode too.
    ApplicationSizes sizes;
    EXPECT_EQ(CheckPhone(channel, sizes), PortStatus::EdawPhone) << log.text();
    channel.ClosePort();
}

} // namespace
} // namespace pixelon

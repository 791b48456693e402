#include "phone/SerialChannel.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/phone/FakeSerialDevice.h"

namespace pixelon {
namespace {

struct ChannelFixture : ::testing::Test {
    test::FakeSerialDevice device;
    FakeClock clock;
    CCommsLog log;
    CSerialChannel channel{device, clock, log,
                           [](int port) { return "/dev/fake" + std::to_string(port); }};
    ChannelFixture() { channel.m_nPort = 3; }
};

using SerialChannel = ChannelFixture;

TEST_F(SerialChannel, OpensOverlappedWhenProbeSucceeds) {
    channel.OpenPort();
    ASSERT_EQ(device.opens.size(), 1u);
    EXPECT_EQ(device.opens[0], (std::pair<std::string, bool>{"/dev/fake3", true}));
    EXPECT_EQ(device.written, " ");
    EXPECT_EQ(device.lastSettings.baudRate, 9600u);
    EXPECT_EQ(log.text(), "COM3: Opening in overlapped mode...\r\n"
                          "COM3: Open (m_hFile=0x00000010)\r\n"
                          "COM3: Initialised\r\n");
    channel.ClosePort();
    channel.ClosePort(); // closing twice logs once
    EXPECT_TRUE(log.text().ends_with("Initialised\r\nCOM3: Close\r\n"));
}

TEST_F(SerialChannel, FallsBackToBlockingOnInvalidParameterOrPersistentNotReady) {
    device.writeResults = {SerialInvalidParameter};
    channel.OpenPort();
    ASSERT_EQ(device.opens.size(), 2u);
    EXPECT_FALSE(device.opens[1].second);
    EXPECT_NE(log.text().find("COM3: Open (m_hFile=0x00000010)\r\n"
                              "COM3: No good. Opening in non-overlapped mode...\r\n"
                              "COM3: Close\r\n"
                              "COM3: Open (m_hFile=0x00000011)\r\n"),
              std::string::npos)
        << log.text();

    // Eleven "not ready" answers: the probe gives up and reopens blocking; ten waited.
    test::FakeSerialDevice busy;
    busy.writeResults.assign(11, SerialNotReady);
    FakeClock c;
    CCommsLog l;
    CSerialChannel ch(busy, c, l, [](int) { return std::string("/dev/x"); });
    ch.OpenPort();
    EXPECT_EQ(busy.opens.size(), 2u);
    EXPECT_FALSE(busy.opens[1].second);
    EXPECT_GE(c.totalSlept(), 10u * 50u);

    // Ten "not ready" then success keeps the overlapped mode.
    test::FakeSerialDevice slow;
    slow.writeResults.assign(10, SerialNotReady);
    CSerialChannel ch2(slow, c, l, [](int) { return std::string("/dev/x"); });
    ch2.OpenPort();
    EXPECT_EQ(slow.opens.size(), 1u);
}

TEST_F(SerialChannel, OpenFailuresRaiseWithTheirTexts) {
    device.openError = ENOENT;
    try {
        channel.OpenPort();
        FAIL();
    } catch (const CommsException& e) {
        EXPECT_EQ(e.message(), "OpenPort - Open failed");
        EXPECT_EQ(e.FormatError(),
                  "Error #2: \"No such file or directory\"  OpenPort - Open failed");
    }
    device.openError = 0;
    device.writeStateError = ENOTTY;
    try {
        channel.OpenPort();
        FAIL();
    } catch (const CommsException& e) {
        EXPECT_EQ(e.message(), "OpenPort - SetCommState failed");
        EXPECT_EQ(e.error(), ENOTTY);
    }
    device.writeStateError = 0;
    device.dtrError = EIO;
    EXPECT_THROW(channel.OpenPort(), CommsException);
    EXPECT_EQ(CommsException("x", 123456).FormatError(), "Error #123456: *UNKNOWN* x");
}

TEST_F(SerialChannel, ReadWithNothingPendingLogsAnEmptyRead) {
    channel.OpenPort();
    std::uint8_t buf[16];
    EXPECT_EQ(channel.ReadPort("Probe", buf), 0);
    EXPECT_TRUE(log.text().ends_with("COM3: Probe - Read (0 bytes) \"\"\r\n"));
    device.readError = EIO;
    EXPECT_THROW(channel.ReadPort("Probe", buf), CommsException);
}

TEST_F(SerialChannel, WaitForReplyCountsErrorAsFoundAndCollectsTheTail) {
    channel.OpenPort();
    device.readChunk = 4;
    device.input = "AT\r\r\nERROR\r\n";
    std::uint64_t before = clock.totalSlept();
    Reply r = channel.WaitForReply("Test", "OK", 1024, 50);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.text, "AT\r\r\nERROR\r\n");
    EXPECT_NE(log.text().find("Test - Found \"OK\" or ERROR at timeout=50\r\n"), std::string::npos);
    // Three reads of data (ERROR is seen in the third), then exactly two empty polls.
    EXPECT_EQ(clock.totalSlept() - before, 5u * 150u);
}

TEST_F(SerialChannel, TimedOutWriteSendsItsTailBeforeTheNextWriteOrRead) {
    channel.OpenPort();
    device.written.clear();
    device.writeCapacity = 3;
    channel.WritePort("AT*EDAW=?\r\n");
    EXPECT_TRUE(log.text().ends_with("COM3: Timed out writing (3 bytes) \"AT*EDAW=?\r\n\"\r\n"));
    EXPECT_EQ(device.written, "AT*");

    // The next write goes out after the tail; its own count excludes the tail.
    device.writeCapacity = std::size_t(-1);
    channel.WritePort("AT\r");
    EXPECT_EQ(device.written, "AT*EDAW=?\r\nAT\r");
    EXPECT_TRUE(log.text().ends_with("Written (3/3 bytes) \"AT\r\"\r\n"));

    // A read also lets the tail out first.
    device.written.clear();
    device.writeCapacity = 2;
    channel.WritePort("AT+CGMM\r\n");
    device.writeCapacity = std::size_t(-1);
    std::uint8_t buf[8];
    channel.ReadPort("Tail", buf);
    EXPECT_EQ(device.written, "AT+CGMM\r\n");

    // Reopening the port cancels a tail that never went out.
    device.writeCapacity = 1;
    channel.WritePort("ATZ\r");
    device.writeCapacity = std::size_t(-1);
    channel.OpenPort();
    device.written.clear();
    channel.WritePort("AT\r");
    EXPECT_EQ(device.written, "AT\r");
}

TEST_F(SerialChannel, WaitForReplyOnSilencePollsRetriesTimes) {
    channel.OpenPort();
    std::uint64_t before = clock.totalSlept();
    Reply r = channel.WaitForReply("Silent", "OK", 1024, 10);
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(r.text.empty());
    EXPECT_EQ(clock.totalSlept() - before, 10u * 150u); // 100 ms sleep + 50 ms read poll
    EXPECT_TRUE(channel.WaitForReply("None", "OK", 1024, 0).text.empty());
}

TEST_F(SerialChannel, WaitForReplyNeverOverfillsAndEndsOnEndlessInput) {
    channel.OpenPort();
    device.readChunk = 1000;
    device.input = std::string(5000, 'x');
    Reply r = channel.WaitForReply("Flood", "OK", 128, 5);
    EXPECT_EQ(r.text.size(), 127u);
    EXPECT_FALSE(r.found);
}

TEST_F(SerialChannel, SendCommandTruncatesAt1023AndWaitsFirst) {
    channel.OpenPort();
    device.written.clear();
    std::uint64_t before = clock.totalSlept();
    channel.SendCommand(100, "AT%s\r", std::string(2000, 'A').c_str());
    EXPECT_EQ(device.written.size(), 1023u);
    EXPECT_GE(clock.totalSlept() - before, 100u);
}

TEST(CommsLog, KeepsTheNewestTextWithinTheLimit) {
    CCommsLog log;
    int refreshes = 0;
    log.setRefreshListener([&] { ++refreshes; });
    std::string line(1000, 'a');
    for (int i = 0; i < 140; ++i)
        log.LogComms(1, line + std::to_string(i) + "\r\n");
    EXPECT_LE(log.text().size(), CCommsLog::MaxChars);
    EXPECT_TRUE(log.text().starts_with("..."));
    EXPECT_TRUE(log.text().ends_with(line + "139\r\n"));
    EXPECT_EQ(refreshes, 140); // the port prefix does not refresh
    log.AppendLog(std::string(200000, 'b') + "end");
    EXPECT_EQ(log.text().size(), CCommsLog::MaxChars);
    EXPECT_TRUE(log.text().ends_with("bend"));
    log.Clear();
    EXPECT_TRUE(log.text().empty());
}

} // namespace
} // namespace pixelon

namespace pixelon {
namespace {

TEST(PosixSerialDevice, RefusesFilesThatAreNotDevices) {
    std::string path = ::testing::TempDir() + "not-a-port.txt";
    { std::ofstream(path) << "keep"; }
    PosixSerialDevice device;
    EXPECT_EQ(device.open(path, true), ENOTTY);
    EXPECT_FALSE(device.isOpen());
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
    EXPECT_EQ(device.open("/nonexistent/port", false), ENOENT);
}

} // namespace
} // namespace pixelon

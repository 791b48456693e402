#include "phone/Transfer.h"

#include <gtest/gtest.h>

#include "phone/Commands.h"
#include "phone/WirePicture.h"
#include "tests/phone/PhoneRig.h"

namespace pixelon {
namespace {

using test::PhoneRig;
using K = SimProfileKind;

constexpr Colour White = 0xFFFFFF, Black = 0x000000;

// A test pattern in the phone's four levels: diagonal stripes.
Surface pattern(int w, int h, int levels) {
    static const Colour grey4[] = {Black, 0x526E6B, 0xADB6B5, White};
    Surface s(w, h, White);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y,
                       levels == 2 ? ((x + y) % 3 == 0 ? Black : White) : grey4[(x + 2 * y) % 4]);
    return s;
}

bool samePixels(const Surface& a, const Surface& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

TEST(WirePicture, BandsAndBitOrder) {
    Surface s(101, 54, White);
    s.setPixel(0, 0, Black);
    s.setPixel(1, 7, Black);
    s.setPixel(2, 48, Black); // band 6, row 0
    auto packed = PackWirePicture(s, 0, 101, 54, 1);
    ASSERT_EQ(packed.size(), 7u * 101u);
    // Packed indices: black is index 0, white 1; the wire inverts them.
    EXPECT_EQ(packed[0], 0xFE);
    EXPECT_EQ(packed[1], 0x7F);
    EXPECT_EQ(packed[6 * 101 + 2], 0x3E); // rows beyond the height stay 0
    EXPECT_EQ(toHex(std::span(packed).first(3), true), "018000");

    auto grey = PackWirePicture(pattern(73, 39, 4), 0, 73, 39, 2);
    EXPECT_EQ(grey.size(), 10u * 73u);
    EXPECT_EQ(grey[9 * 73] >> 6, 0); // the last band holds three rows
    EXPECT_TRUE(samePixels(UnpackWirePicture(std::vector<std::uint8_t>(grey.size(), 0), 73, 39, 2),
                           Surface(73, 39, White)));

    // The x offset picks the columns; pixels past the surface are white.
    Surface narrow(40, 2, Black);
    auto piece = PackWirePicture(narrow, 32, 32, 2, 1);
    EXPECT_EQ(piece[7], 0);
    EXPECT_EQ(piece[8], 3); // white is index 1 on both rows
}

TEST(WirePicture, WideDepthsAndRoundTrip) {
    EXPECT_EQ(wireSize(10, 3, 4), 20u);
    EXPECT_EQ(wireSize(10, 3, 8), 30u);
    EXPECT_EQ(wireSize(10, 3, 3), 0u);
    Surface red(2, 2, rgb(255, 0, 0));
    // Four and eight bits go through the cube map's RGB565 value, masked to the depth.
    EXPECT_EQ(PackWirePicture(red, 0, 2, 2, 8)[0], 0x00);
    EXPECT_EQ(PackWirePicture(Surface(1, 2, rgb(0, 0, 255)), 0, 1, 2, 4)[0], 0xFF);

    Surface p = pattern(17, 11, 4);
    auto packed = PackWirePicture(p, 0, 17, 11, 2);
    for (auto& b : packed)
        b = std::uint8_t(~b);
    EXPECT_TRUE(samePixels(UnpackWirePicture(packed, 17, 11, 2), p));
}

TEST(WirePicture, UploadReplyDecoding) {
    std::string reply = "AT*EDAR=0,0,0\r\n\r\n*EDAR: 3\r\nA1B2C3\r\n\r\nOK\r\n";
    EXPECT_EQ(DecodeUploadReply(reply, 100), (std::vector<std::uint8_t>{0xA1, 0xB2, 0xC3}));
    EXPECT_EQ(DecodeUploadReply(reply, 2).size(), 2u);
    EXPECT_TRUE(DecodeUploadReply("AT\r\r\nERROR\r\n", 100).empty());
    EXPECT_EQ(DecodeUploadReply("\r\r\r\nFF", 10).size(), 1u);
    EXPECT_TRUE(DecodeUploadReply("\r\r\r\n", 10).empty());
    EXPECT_EQ(fromHex("0AzZ11", 10), (std::vector<std::uint8_t>{0x0A}));
}

struct Transfer : ::testing::Test {
    PhoneRig rig;
    int download(const Surface& s, ApplicationType app = ApplicationType::Kinetto, int number = 0,
                 int xOffset = 0, int startPort = 1) {
        DownloadRequest r{s, s.bounds(), s.width(), s.height(), number, xOffset, app};
        return DownloadPicture(rig.link, startPort, r);
    }
};

TEST_F(Transfer, DownloadToEdawPhoneInBufferSizedChunks) {
    auto p = PhoneRig::profile(K::Edaw);
    p.bufferSize = 300;
    auto& phone = rig.attach(2, p);
    Surface picture = pattern(101, 80, 2);
    EXPECT_EQ(download(picture, ApplicationType::Kinetto, 0, 0, 2), 2);
    EXPECT_EQ(phone.lastPicture().bits, 1);
    EXPECT_TRUE(samePixels(phone.lastPicture().image(), picture));
    // 1010 bytes in chunks of 300: 300, 300, 300, 110.
    int chunks = 0;
    for (const auto& c : phone.commands())
        if (c.rfind("AT*EDAW=", 0) == 0 && c != "AT*EDAW=?")
            ++chunks;
    EXPECT_EQ(chunks, 4);
    EXPECT_EQ(phone.commands().back(), "AT*EDAW=110,0,0,3");
    EXPECT_FALSE(rig.channel.isOpen());
    EXPECT_TRUE(rig.feedback.messages().empty());
    const auto& events = rig.feedback.progressEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "open Preparing to download|Looking for Mobile");
    EXPECT_EQ(events.back(), "close");
    bool sawTitle = false, sawText = false;
    for (const auto& e : events) {
        sawTitle |= e == "title Downloading Kinetto to Phone over COM2:";
        sawText |= e == "text Picture size: 101x80 1 bit\n\nTransferring Bitmap to Phone";
    }
    EXPECT_TRUE(sawTitle);
    EXPECT_TRUE(sawText);
}

TEST_F(Transfer, WallpaperChunksCarryAFillerByteOnEvenIndices) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::Wallpaper));
    Surface picture = pattern(101, 54, 2);
    EXPECT_EQ(download(picture), 1);
    std::vector<std::size_t> lengths;
    for (const auto& c : phone.commands())
        if (c.rfind("AT*EWSPL=1,", 0) == 0) {
            auto q = c.find('"');
            lengths.push_back((c.size() - q - 2) / 2);
        }
    ASSERT_EQ(lengths.size(), 14u);
    for (std::size_t i = 0; i < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 51u) << i; // 50 + filler, or 51
    for (const auto& c : phone.commands()) {
        if (c.rfind("AT*EWSPL=1,", 0) == 0 && std::stoi(c.substr(11)) % 2 == 0) {
            EXPECT_TRUE(c.ends_with("00\"")) << c;
        }
    }
    EXPECT_TRUE(samePixels(phone.lastPicture().image(), picture));
}

TEST_F(Transfer, ThreeApplicationPhoneUsesLongFormsAndSlots) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::ThreeApps));
    Surface picture = pattern(73, 39, 4);
    EXPECT_EQ(download(picture, ApplicationType::BackgroundPicture, 3), 1);
    EXPECT_EQ(rig.channel.m_nPictureSlot, 2);
    EXPECT_EQ(phone.lastPicture().slot, 2);
    EXPECT_EQ(phone.lastPicture().application, 1);
    EXPECT_EQ(phone.lastPicture().bits, 2);
    EXPECT_TRUE(samePixels(phone.lastPicture().image(), picture));
    EXPECT_EQ(phone.commands().back(), "AT*EDAW=730,1,2,73,39,0");
}

TEST_F(Transfer, MissingBufferSizeEndsAsFailure) {
    auto p = PhoneRig::profile(K::Edaw);
    p.fault = SimFault::NoBufferSize;
    rig.attach(1, p);
    EXPECT_EQ(download(pattern(101, 80, 2)), -1);
    ASSERT_EQ(rig.feedback.messages().size(), 1u);
    EXPECT_EQ(rig.feedback.messages()[0].text, DownloadErrorText);
    EXPECT_FALSE(rig.channel.isOpen());
}

TEST_F(Transfer, PhoneThatStopsAnsweringOrUnplugsFails) {
    auto p = PhoneRig::profile(K::Edaw);
    p.stallAfterCommands = 3; // answers detection, then goes quiet
    rig.attach(1, p);
    EXPECT_EQ(download(pattern(101, 80, 2)), -1);
    EXPECT_EQ(rig.feedback.messages().back().text, DownloadErrorText);
    EXPECT_LT(rig.clock.totalSlept(), 60000u);

    PhoneRig unplug;
    unplug.attach(1, PhoneRig::profile(K::Edaw));
    int writes = 0;
    auto respond = unplug.device.respond;
    unplug.device.respond = [&](const std::string& w) {
        if (++writes == 6) // the picture data: the cable comes out
            unplug.device.readError = EIO;
        return respond(w);
    };
    Surface s = pattern(101, 80, 2);
    DownloadRequest req{s, s.bounds(), 101, 80, 0, 0, ApplicationType::Kinetto};
    EXPECT_EQ(DownloadPicture(unplug.link, 1, req), -1);
    EXPECT_EQ(unplug.feedback.messages().back().text, DownloadErrorText);
    EXPECT_NE(unplug.log.text().find("Error #5: \"Input/output error\""), std::string::npos);
    EXPECT_EQ(unplug.feedback.progressEvents().back(), "close");
}

TEST_F(Transfer, ErrorAnswersToChunksAreFailures) {
    // The phone claims a buffer larger than it accepts and answers the chunk with "ERROR".
    auto p = PhoneRig::profile(K::Edaw);
    p.bufferSize = 500;
    auto& phone = rig.attach(1, p);
    auto respond = rig.device.respond;
    rig.device.respond = [&](const std::string& w) {
        std::string out = respond(w);
        if (w == "AT*EDAW=?\r\n")
            return std::string("AT*EDAW=?\r\n\r\n*EDAW: 5000\r\n\r\nOK\r\n");
        return out;
    };
    EXPECT_EQ(download(pattern(101, 80, 2)), -1);
    EXPECT_EQ(phone.commands().back(), "AT*EDAW=1010,0,0,0");
    EXPECT_EQ(rig.feedback.messages().back().text, DownloadErrorText);
}

TEST_F(Transfer, RefusedWallpaperChunkIsNotRetriedIntoSuccess) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::Wallpaper));
    auto respond = rig.device.respond;
    rig.device.respond = [&](const std::string& w) {
        std::string out = respond(w);
        return w.rfind("AT*EWSPL=1,3,", 0) == 0 ? w + "\r\nERROR\r\n" : out;
    };
    EXPECT_EQ(download(pattern(101, 54, 2)), -1);
    EXPECT_EQ(phone.commands().back().rfind("AT*EWSPL=1,3,", 0), 0u); // no "AT" after it
    EXPECT_EQ(rig.feedback.messages().back().text, DownloadErrorText);
}

TEST_F(Transfer, UploadFromEdawAndThreeApplicationPhones) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::Edaw));
    Surface served = pattern(101, 80, 2);
    phone.setUploadPicture(served);
    auto got = UploadPicture(rig.link, 1, ApplicationType::Kinetto, 0);
    ASSERT_TRUE(got);
    EXPECT_TRUE(samePixels(*got, served));
    EXPECT_FALSE(rig.channel.isOpen());

    PhoneRig rig3;
    auto& three = rig3.attach(1, PhoneRig::profile(K::ThreeApps));
    Surface vistrel = pattern(32, 32, 4);
    three.setUploadPicture(vistrel);
    got = UploadPicture(rig3.link, 1, ApplicationType::VistrelEms, 4);
    ASSERT_TRUE(got);
    EXPECT_TRUE(samePixels(*got, vistrel));
    EXPECT_EQ(three.commands().back(), "AT*EDAR=2,4,32,32,1");
}

TEST_F(Transfer, UploadFailuresNeverLoop) {
    rig.attach(1, PhoneRig::profile(K::Wallpaper));
    EXPECT_FALSE(UploadPicture(rig.link, 1, ApplicationType::Kinetto, 0));
    EXPECT_EQ(rig.feedback.messages().back().text, CannotReceiveText);
    EXPECT_FALSE(rig.channel.isOpen());

    // Every chunk answered with "OK" but no data.
    PhoneRig empty;
    empty.attach(1, PhoneRig::profile(K::Edaw));
    auto respond = empty.device.respond;
    empty.device.respond = [&](const std::string& w) {
        return w.rfind("AT*EDAR=0", 0) == 0 ? w + "\r\nOK\r\n" : respond(w);
    };
    EXPECT_FALSE(UploadPicture(empty.link, 1, ApplicationType::Kinetto, 0));
    EXPECT_EQ(empty.feedback.messages().back().text, UploadErrorText);
}

TEST_F(Transfer, PictureThePhoneCannotStoreFailsTheDownload) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::Edaw));
    int stored = 0;
    phone.setPictureStore([&](const SimPicture&) {
        ++stored;
        return false;
    });
    Surface s(101, 80);
    DownloadRequest request{s, s.bounds(), 101, 80, 0, 0, ApplicationType::Kinetto};
    EXPECT_EQ(DownloadPicture(rig.link, 1, request), -1);
    EXPECT_EQ(stored, 1); // asked once, when the last chunk completed the picture
    EXPECT_EQ(rig.feedback.messages().back().text.rfind("Error downloading Image data...", 0), 0u);
}

TEST_F(Transfer, EmsPictureGoesInThreeNumberedPieces) {
    auto& phone = rig.attach(1, PhoneRig::profile(K::ThreeApps));
    std::vector<SimPicture> received;
    phone.setPictureListener([&](const SimPicture& p) {
        if (p.bits)
            received.push_back(p);
    });
    CPicture picture;
    picture.Create(96, 32, 7);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 96; ++x)
            picture.SetPixel(x, y, x < 32 ? 0x0000 : x < 64 ? 0xFFFF : (y % 2 ? 0 : 0xFFFF));
    CAppSettings settings;
    settings.m_nPhoneType = 4;
    settings.m_nApplicationType = 2;
    PhoneViewState state;
    state.rememberedNumber = 4;
    EXPECT_EQ(sendPictureToPhone(rig.link, picture, settings, state, {}), SendOutcome::Sent);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].slot, 4); // numbers 5, 6, 7 become slots 4, 5, 6
    EXPECT_EQ(received[1].slot, 5);
    EXPECT_EQ(received[2].slot, 6);
    Surface first = received[0].image(), last = received[2].image();
    EXPECT_EQ(first.pixel(0, 0), White);               // columns 32-63 first
    EXPECT_EQ(received[1].image().pixel(0, 1), Black); // then 64-95
    EXPECT_EQ(last.pixel(5, 5), Black);                // columns 0-31 last
    EXPECT_EQ(state.rememberedNumber, 7);
    EXPECT_EQ(rig.feedback.messages().back().text, EmsSentText);
    EXPECT_EQ(settings.m_nComPort, 1);

    settings.m_nPhoneType = 1;
    EXPECT_EQ(sendPictureToPhone(rig.link, picture, settings, state, {}), SendOutcome::SendAsFile);
}

TEST(PhoneCommands, ReceivedPictureTakesTheNextFreeId) {
    CPortfolio portfolio;
    Surface s(4, 3, Black);
    EXPECT_EQ(addReceivedPicture(portfolio, s), 0);
    EXPECT_EQ(portfolio.Picture(0).m_nId, 1);
    addReceivedPicture(portfolio, s);
    EXPECT_EQ(portfolio.Picture(1).m_nId, 2);
    EXPECT_EQ(portfolio.Picture(1).m_nWidth, 4);
}

} // namespace
} // namespace pixelon

#include "phone/PhoneDetect.h"

#include <gtest/gtest.h>

#include "phone/ReplyParsing.h"
#include "phone/ReplyTokens.h"
#include "tests/phone/PhoneRig.h"

namespace pixelon {
namespace {

using test::PhoneRig;
using K = SimProfileKind;
using namespace std::string_view_literals;

TEST(ReplyTokens, TokensAndPatterns) {
    auto t = TokeniseReply("AT*EDAW=?\r\r\n*EDAW: 1024\r\n\r\nOK\r\n");
    ASSERT_EQ(t.size(), 10u);
    EXPECT_EQ(t[8].kind, ReplyToken::Number);
    EXPECT_EQ(t[8].number, 1024);
    EXPECT_TRUE(
        MatchTokens(t, 0, "scscccsc", {"AT"sv, '*', "EDAW"sv, '=', '?', '*', "EDAW"sv, ':'}));
    EXPECT_TRUE(MatchTokens(t, 8, "ns", {1024, "OK"sv}));
    EXPECT_TRUE(MatchTokens(t, 0, "tt", {ReplyToken::any(), ReplyToken::any()}));
    EXPECT_FALSE(MatchTokens(t, 0, "s", {"at"sv}));          // strings compare exactly
    EXPECT_FALSE(MatchTokens(t, 0, "x", {"AT"sv}));          // unknown letter
    EXPECT_FALSE(MatchTokens(t, 0, "c", {"AT"sv}));          // value of the wrong type
    EXPECT_FALSE(MatchTokens(t, 9, "ss", {"OK"sv, "OK"sv})); // runs past the end
    EXPECT_FALSE(MatchTokens(t, 0, "ss", {"AT"sv}));         // fewer values than letters
    auto big = TokeniseReply("99999999999999999999");
    ASSERT_EQ(big.size(), 1u);
    EXPECT_EQ(big[0].number, 2147483647);
}

TEST(ReplyParsing, BufferSizeAndEsupForms) {
    EXPECT_EQ(ParseEdawBufferSize("\r\n*EDAW: 512\r\nOK"), 512);
    EXPECT_FALSE(ParseEdawBufferSize("\r\n*EDAW: \r\nOK"));
    EXPECT_FALSE(ParseEdawBufferSize("*EDAW:512")); // needs the space
    EXPECT_FALSE(ParseEdawBufferSize("EDAW: 0"));

    ApplicationSizes s;
    bool three = true;
    EXPECT_EQ(ParseEsupReply("AT*ESUP=?\r*ESUP: (0-2),(1),1,101,67\r\nOK", s, three),
              EsupResult::Success);
    EXPECT_FALSE(three);
    EXPECT_EQ(s.kinetto, (AppSize{101, 67, 4}));
    EXPECT_EQ(ParseEsupReply("*ESUP: (0-2),(1),0,5000,67", s, three), EsupResult::Failed);
    EXPECT_EQ(ParseEsupReply("no such reply", s, three), EsupResult::NotEsup);
    EXPECT_EQ(ParseEsupReply("*ESUP: 0", s, three), EsupResult::Failed);
    EXPECT_EQ(s.replyFormatMode, 2); // the marker was seen; the mode stays
}

TEST(ReplyParsing, ThreeApplicationReplyKeepsVistrelAt32) {
    ApplicationSizes s;
    s.background.colours = 4;
    bool three = false;
    EXPECT_EQ(ParseEsupReply("*ESUP: 0,3,(1,101,80,1,1,1,0,73,26,6,1,0,2,0,40,40,10,1)", s, three),
              EsupResult::Success);
    EXPECT_TRUE(three);
    EXPECT_EQ(s.replyFormatMode, 2);
    EXPECT_EQ(s.kinetto, (AppSize{101, 80, 4}));
    EXPECT_EQ(s.background, (AppSize{73, 26, 4})); // its colour code is not used
    EXPECT_EQ(s.vistrel, (AppSize{32, 32, 2}));
}

TEST(PhoneDetect, CheckPhoneStatusPerProfile) {
    PhoneRig rig;
    rig.attach(1, PhoneRig::profile(K::Edaw));
    auto wall = PhoneRig::profile(K::Wallpaper);
    rig.attach(2, wall);
    wall.model = "HX214 rev 2";
    rig.attach(3, wall);
    auto& err = rig.attach(4, PhoneRig::profile(K::ErrorOnly));

    auto check = [&](int port) {
        rig.channel.m_nPort = port;
        rig.channel.OpenPort();
        int s = CheckPhone(rig.channel, rig.sizes);
        rig.channel.ClosePort();
        return s;
    };
    EXPECT_EQ(check(1), PortStatus::EdawPhone);
    EXPECT_EQ(check(2), PortStatus::WallpaperPhone);
    EXPECT_EQ(rig.sizes.kinetto, (AppSize{101, 54, 2}));
    EXPECT_EQ(check(3), PortStatus::WallpaperPhone);
    EXPECT_EQ(rig.sizes.kinetto, (AppSize{101, 80, 2}));
    // "ERROR" is found but does not match, so the wallpaper query follows.
    EXPECT_EQ(check(4), PortStatus::NoResponse);
    EXPECT_NE(rig.log.text().find("Looking for EDAW=? CheckPhone - Found \"OK\" or ERROR"),
              std::string::npos);
    ASSERT_EQ(err.commands().size(), 2u);
    EXPECT_EQ(err.commands()[1], "AT*EWSPL=?");
}

TEST(PhoneDetect, QueryApplicationsThreeApplicationPhone) {
    PhoneRig rig;
    auto p = PhoneRig::profile(K::ThreeApps);
    p.vistrel = {48, 48, 16};
    p.background = {101, 67, 4};
    rig.attach(1, p);
    rig.channel.m_nPort = 1;
    rig.channel.OpenPort();
    int status = CheckPhone(rig.channel, rig.sizes);
    EXPECT_EQ(status, PortStatus::EdawPhone);
    EXPECT_TRUE(QueryApplications(rig.channel, rig.sizes, status));
    EXPECT_EQ(status, PortStatus::ThreeApplicationPhone);
    EXPECT_EQ(rig.channel.m_nPhoneFlags, PortStatus::ThreeApplicationPhone);
    EXPECT_EQ(rig.sizes.background, (AppSize{101, 67, 4}));
    EXPECT_EQ(rig.sizes.vistrel, (AppSize{32, 32, 16}));
    EXPECT_EQ(DescribePortStatus(rig.link, 0, status),
              "Found Phone supporting applications:\n  Kinetto  (101 x 80 - 2 clr)\n"
              "  BackgroundPictures  (101 x 67 - 4 clr)\n  Vistrel  (32 x 32 - 16 clr)");
}

TEST(PhoneDetect, WallpaperPhoneDescriptionAndLargeModels) {
    PhoneRig rig;
    auto p = PhoneRig::profile(K::Wallpaper);
    p.model = "HX237";
    rig.attach(2, p);
    int status = PortStatus::WallpaperPhone;
    EXPECT_EQ(DescribePortStatus(rig.link, 1, status),
              "Found Phone supporting applications:\n  Kinetto  (101 x 80 - 2 clr)\n"
              "  BackgroundPictures  (73 x 39 - 2 clr)");
    EXPECT_EQ(rig.sizes.background, (AppSize{101, 80, 2})); // all three applications
    EXPECT_FALSE(rig.channel.isOpen());
    EXPECT_EQ(DescribePortStatus(rig.link, 0, 1), "Cannot open port");
    EXPECT_EQ(DescribePortStatus(rig.link, 0, 2), "No response from Mobile");
    EXPECT_EQ(DescribePortStatus(rig.link, 0, 0x10), "Found Mobile Phone (Unknown type)");
    EXPECT_EQ(DescribePortStatus(rig.link, 0, 0), "");
}

TEST(PhoneDetect, FindPhoneSearchesAllEightPortsAndReportsEach) {
    PhoneRig rig;
    rig.attach(6, PhoneRig::profile(K::Silent));
    EXPECT_EQ(FindPhone(rig.link, 3), 0);
    const auto& m = rig.feedback.messages();
    ASSERT_EQ(m.size(), 9u); // eight questions and the summary
    EXPECT_EQ(m[0].text, "COM3: Cannot open port\nTry next COM port?");
    EXPECT_EQ(m[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(m[1].text, "COM1: Cannot open port\nTry next COM port?");
    const std::string missing = "Cannot open port (No such file or directory)\n";
    EXPECT_EQ(m[8].text,
              "Unable to find any suitable mobile\n\nCOM1: " + missing + "COM2: " + missing +
                  "COM3: " + missing + "COM4: " + missing + "COM5: " + missing +
                  "COM6: No response from Mobile\nCOM7: " + missing + "COM8: " + missing);
    EXPECT_EQ(m[8].icon, MessageIcon::Stop);
    EXPECT_NE(rig.log.text().find("COM1: Error #2: \"No such file or directory\"  OpenPort - "
                                  "Open failed\r\n"),
              std::string::npos);
}

TEST(PhoneDetect, SummaryGivesEachPortItsOwnReasonAndForgetsOldOnes) {
    PhoneRig rig;
    rig.device.openCheck = [](const std::string& path) {
        return path == "/dev/sim1" ? EACCES : path == "/dev/sim2" ? EBUSY : ENOENT;
    };
    rig.feedback.queueAnswer(Answer::Yes);
    rig.feedback.queueAnswer(Answer::No);
    EXPECT_EQ(FindPhone(rig.link, 1), 0);
    EXPECT_EQ(rig.feedback.messages().back().text,
              "Unable to find any suitable mobile\n\n"
              "COM1: Cannot open port (Permission denied)\n"
              "COM2: Cannot open port (Device or resource busy)\n");
    // The question keeps its short form; the plain description has no reason.
    EXPECT_EQ(rig.feedback.messages()[0].text, "COM1: Cannot open port\nTry next COM port?");

    // Once the port opens, the old reason is gone even if the phone stays silent.
    rig.device.openCheck = [](const std::string&) { return 0; };
    PortStatuses statuses{};
    SurveyPort(rig.link, statuses, 1);
    EXPECT_EQ(DescribePortResult(rig.link, 0, statuses[0]), "No response from Mobile");
    EXPECT_EQ(DescribePortResult(rig.link, 0, PortStatus::CannotOpen), "Cannot open port");
}

TEST(PhoneDetect, FindPhoneStopsOnNoAndFindsLaterPorts) {
    PhoneRig rig;
    rig.feedback.queueAnswer(Answer::No);
    EXPECT_EQ(FindPhone(rig.link, 2), 0);
    ASSERT_EQ(rig.feedback.messages().size(), 2u);
    EXPECT_EQ(rig.feedback.messages()[1].text, "Unable to find any suitable mobile\n\nCOM2: "
                                               "Cannot open port (No such file or directory)\n");

    PhoneRig rig2;
    rig2.attach(5, PhoneRig::profile(K::Edaw));
    EXPECT_EQ(FindPhone(rig2.link, 1), 5);
    EXPECT_TRUE(rig2.channel.isOpen()); // left open for the transfer
    EXPECT_EQ(rig2.channel.m_nPhoneFlags, PortStatus::EdawPhone);
}

TEST(PhoneDetect, DisabledChannelAndSurvey) {
    PhoneRig rig;
    rig.attach(1, PhoneRig::profile(K::Edaw));
    PortStatuses statuses{};
    rig.channel.m_bEnabled = 0;
    EXPECT_EQ(SearchPorts(rig.link, 1, statuses, nullptr), 0);
    for (int s : statuses)
        EXPECT_EQ(s, PortStatus::Disabled);
    EXPECT_TRUE(rig.device.opens.empty());
    rig.channel.m_bEnabled = 1;
    SurveyPort(rig.link, statuses, 1);
    EXPECT_EQ(statuses[0], PortStatus::EdawPhone);
    EXPECT_FALSE(rig.channel.isOpen());
    SurveyPort(rig.link, statuses, 2);
    EXPECT_EQ(statuses[1], PortStatus::CannotOpen);
    EXPECT_TRUE(rig.feedback.messages().empty()); // a survey never asks
}

} // namespace
} // namespace pixelon

#include "phone/PhoneDetect.h"

#include "phone/ReplyParsing.h"
#include "phone/ReplyTokens.h"

namespace pixelon {

namespace {

constexpr std::size_t ReplySize = 1024;

// Asks the wallpaper query; on a wallpaper phone sets Kinetto's size and returns true.
// `largeModel` is set when the model query names one of the larger screens.
bool queryWallpaper(CSerialChannel& channel, ApplicationSizes& sizes, bool& largeModel) {
    largeModel = false;
    channel.PurgePort();
    channel.SendCommand(50, "AT*EWSPL=?\r\n");
    channel.clock().sleep(50);
    Reply reply = channel.WaitForReply("Looking for EWSPL query", "OK", ReplySize, 10);
    if (reply.text.find("*EWSPL: 102") == std::string::npos)
        return false;
    sizes.kinetto = {101, 54, 2};
    channel.PurgePort();
    channel.SendCommand(50, "AT+CGMM\r\n");
    channel.clock().sleep(50);
    Reply model = channel.WaitForReply("Looking for CGMM query", "OK", ReplySize, 10);
    largeModel = IsLargeWallpaperModel(model.text);
    return true;
}

} // namespace

int CheckPhone(CSerialChannel& channel, ApplicationSizes& sizes) {
    int status = PortStatus::NoResponse;
    channel.PurgePort();
    channel.SendCommand(100, "AT*EDAW=?\r\n");
    channel.clock().sleep(50);
    Reply reply = channel.WaitForReply("Looking for EDAW=? CheckPhone", "OK", ReplySize, 10);
    auto tokens = TokeniseReply(reply.text);
    using namespace std::string_view_literals;
    if (reply.found &&
        MatchTokens(tokens, 0, "scscccsc", {"AT"sv, '*', "EDAW"sv, '=', '?', '*', "EDAW"sv, ':'})) {
        status = PortStatus::EdawPhone;
    } else {
        bool large = false;
        if (queryWallpaper(channel, sizes, large)) {
            status = PortStatus::WallpaperPhone;
            if (large)
                sizes.kinetto = {101, 80, 2};
        }
    }
    channel.m_nPhoneFlags = status;
    return status;
}

bool QueryApplications(CSerialChannel& channel, ApplicationSizes& sizes, int& status) {
    channel.PurgePort();
    channel.SendCommand(50, "AT*ESUP=?\r\n");
    channel.clock().sleep(50);
    Reply reply = channel.WaitForReply("Looking for ESUP query", "OK", ReplySize, 10);
    bool three = false;
    EsupResult result = ParseEsupReply(reply.text, sizes, three);
    if (three) {
        status = PortStatus::ThreeApplicationPhone;
        channel.m_nPhoneFlags = status;
    }
    if (result == EsupResult::Success)
        return true;

    bool large = false;
    if (!queryWallpaper(channel, sizes, large))
        return false;
    if (large)
        sizes.kinetto = sizes.background = sizes.vistrel = {101, 80, 2};
    return true;
}

int SearchPorts(PhoneLink& link, int port, PortStatuses& statuses, PortsTried* tried) {
    CSerialChannel& channel = link.channel;
    if (!channel.m_bEnabled) {
        statuses.fill(PortStatus::Disabled);
        return 0;
    }
    for (;;) {
        if (port < 1 || port > SearchPortCount) {
            port = 0;
            for (int p = 1; tried && p <= SearchPortCount && port == 0; ++p)
                if (!(*tried)[std::size_t(p - 1)])
                    port = p;
            if (port == 0)
                return 0;
        }
        if (tried)
            (*tried)[std::size_t(port - 1)] = true;

        bool talked = false;
        channel.setPortFailure(port, {});
        try {
            channel.m_nPort = port;
            channel.m_nBaud = 9600;
            channel.OpenPort();
            link.feedback.progress().SetText("Checking Phone type");
            int status = CheckPhone(channel, link.sizes);
            statuses[std::size_t(port - 1)] = status;
            if (status & PortStatus::Found)
                return port;
            talked = true;
        } catch (const CommsException& e) {
            channel.log(e.FormatError() + "\r\n");
            channel.setPortFailure(port, e.systemText());
            statuses[std::size_t(port - 1)] = PortStatus::CannotOpen;
        }
        if (talked) {
            channel.clock().sleep(100);
            channel.ClosePort();
        }
        if (!tried)
            return 0;
        std::string question =
            formatText("COM%d: %s\nTry next COM port?", port,
                       DescribePortStatus(link, port - 1, statuses[std::size_t(port - 1)]).c_str());
        if (link.feedback.message(question, MessageIcon::Stop, MessageButtons::YesNo) == Answer::No)
            return 0;
        port = 0;
    }
}

int FindPhone(PhoneLink& link, int startPort) {
    PortsTried tried{};
    PortStatuses statuses{};
    statuses.fill(PortStatus::NoResponse);
    link.sizes.background.colours = 4;
    int port = SearchPorts(link, startPort, statuses, &tried);
    if (port > 0)
        return port;
    std::string summary = "Unable to find any suitable mobile\n\n";
    for (int p = 1; p <= SearchPortCount; ++p)
        if (tried[std::size_t(p - 1)])
            summary +=
                formatText("COM%d: %s\n", p,
                           DescribePortResult(link, p - 1, statuses[std::size_t(p - 1)]).c_str());
    link.feedback.message(summary, MessageIcon::Stop);
    return 0;
}

void SurveyPort(PhoneLink& link, PortStatuses& statuses, int port) {
    SearchPorts(link, port, statuses, nullptr);
    link.channel.ClosePort();
}

std::string DescribePortResult(PhoneLink& link, int index, int status) {
    std::string text = DescribePortStatus(link, index, status);
    if (status & PortStatus::CannotOpen) {
        const std::string reason = link.channel.portFailure(index + 1);
        if (!reason.empty())
            text += " (" + reason + ")";
    }
    return text;
}

std::string DescribePortStatus(PhoneLink& link, int index, int status) {
    if (status & PortStatus::CannotOpen)
        return "Cannot open port";
    if (status & PortStatus::NoResponse)
        return "No response from Mobile";
    if (status & PortStatus::UnknownFormat)
        return "Unknown AT command format";
    if (status & PortStatus::Disabled)
        return "Comms disabled";
    if (!(status & PortStatus::PictureCapable))
        return "";

    CSerialChannel& channel = link.channel;
    bool ok = false;
    try {
        channel.m_nPort = index + 1;
        channel.m_nBaud = 9600;
        channel.OpenPort();
        ok = QueryApplications(channel, link.sizes, status);
        channel.ClosePort();
    } catch (const CommsException& e) {
        channel.log(e.FormatError() + "\r\n");
        channel.ClosePort();
        ok = false;
    }
    if (!ok)
        return "Found Mobile Phone (Unknown type)";
    const ApplicationSizes& s = link.sizes;
    if (status == PortStatus::ThreeApplicationPhone)
        return formatText("Found Phone supporting applications:\n"
                          "  Kinetto  (%d x %d - %d clr)\n"
                          "  BackgroundPictures  (%d x %d - %d clr)\n"
                          "  Vistrel  (%d x %d - %d clr)",
                          s.kinetto.width, s.kinetto.height, s.kinetto.colours, s.background.width,
                          s.background.height, s.background.colours, s.vistrel.width,
                          s.vistrel.height, s.vistrel.colours);
    if (status == PortStatus::WallpaperPhone)
        return formatText("Found Phone supporting applications:\n"
                          "  Kinetto  (%d x %d - %d clr)\n"
                          "  BackgroundPictures  (%d x %d - %d clr)",
                          s.kinetto.width, s.kinetto.height, s.kinetto.colours, 73, 39,
                          s.kinetto.colours);
    return formatText("Found Phone supporting application:\n  Kinetto  (%d x %d - %d clr)",
                      s.kinetto.width, s.kinetto.height, s.kinetto.colours);
}

} // namespace pixelon

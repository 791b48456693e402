#pragma once

#include <array>
#include <string>

#include "phone/PhoneTypes.h"
#include "phone/SerialChannel.h"
#include "platform/Feedback.h"

namespace pixelon {

// The result of trying one port, a flag word.
namespace PortStatus {
constexpr int CannotOpen = 0x0001;
constexpr int NoResponse = 0x0002;
constexpr int UnknownFormat = 0x0004;
constexpr int Disabled = 0x0008;
constexpr int PictureCapable = 0x0010;
constexpr int ThreeApplications = 0x0040;
constexpr int Wallpaper = 0x0080;
constexpr int Found = 0x1000;

constexpr int EdawPhone = 0x1010;
constexpr int WallpaperPhone = 0x1090;
constexpr int ThreeApplicationPhone = 0x1050;
} // namespace PortStatus

constexpr int SearchPortCount = 8;
using PortStatuses = std::array<int, SearchPortCount>;
using PortsTried = std::array<bool, SearchPortCount>;

// What the phone exchanges work with: the channel, the application sizes they learn and the
// message boxes and progress window they show.
struct PhoneLink {
    CSerialChannel& channel;
    ApplicationSizes& sizes;
    Feedback& feedback;
};

// On an open channel: identifies the phone and stores the status in the channel's flags.
int CheckPhone(CSerialChannel& channel, ApplicationSizes& sizes);
// On an open channel: learns the application sizes; may turn `status` into 0x1050.
bool QueryApplications(CSerialChannel& channel, ApplicationSizes& sizes, int& status);

// Tries `port` (or, when 0, the lowest untried one) and, with a tried list, asks whether to
// go on with the next. Returns the port of a phone with the channel left open, or 0.
int SearchPorts(PhoneLink& link, int port, PortStatuses& statuses, PortsTried* tried);
// The search before every transfer; reports every port tried when none holds a phone.
int FindPhone(PhoneLink& link, int startPort);
// One port for the search dialog: tried and closed again.
void SurveyPort(PhoneLink& link, PortStatuses& statuses, int port);
// The text shown for a port's status; for a phone it asks the phone for its applications.
std::string DescribePortStatus(PhoneLink& link, int index, int status);
// The same, followed by the reason in brackets for a port that failed with one, as in
// "Cannot open port (Permission denied)".
std::string DescribePortResult(PhoneLink& link, int index, int status);

} // namespace pixelon

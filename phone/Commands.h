#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "core/AppSettings.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "phone/PortTable.h"
#include "phone/Transfer.h"

namespace pixelon {

inline constexpr std::string_view EmsSentText =
    "EMS Picture Sent. Turn phone off, and then back On.\n\n  Now WriteNew Message and Insert "
    "EMS Pictures\n  from the Vistrel folder.";

// Asks for a picture number (dialog "Enter Picture #"): the label, the proposal and the
// largest number allowed. Empty when the user cancels.
using AskPictureNumber =
    std::function<std::optional<int>(std::string_view label, int proposal, int maximum)>;

// What a view remembers between phone commands.
struct PhoneViewState {
    int rememberedNumber = 0;
};

enum class SendOutcome { Sent, Failed, Cancelled, SendAsFile };

// The preview the phone receives: the picture at the top left of a white picture of the
// size the phone type shows for the application (the picture's own size when none).
Surface makePhonePreview(const CPicture& picture, int phoneType, ApplicationType app);

// "Send Picture to Phone" for one picture. Types that take files answer SendAsFile so the
// caller opens the file-send dialog. Stores every port that worked in settings.m_nComPort.
SendOutcome sendPictureToPhone(PhoneLink& link, const CPicture& picture, CAppSettings& settings,
                               PhoneViewState& state, const AskPictureNumber& ask);

// "Receive Picture from Phone": the picture the phone sent, or empty.
std::optional<Surface> receivePictureFromPhone(PhoneLink& link, const CAppSettings& settings,
                                               const AskPictureNumber& ask);

// Adds a received picture at the end of the ID order with the next free ID; returns its index.
int addReceivedPicture(CPortfolio& portfolio, const Surface& picture);

// The process-wide channel on the real serial devices, its ports from the user hive.
CSerialChannel& serialChannel();
// Re-reads the device path table (after the search dialog changed it).
void reloadPortTable();
CPortTable currentPortTable();

} // namespace pixelon

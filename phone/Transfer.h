#pragma once

#include <optional>

#include "phone/PhoneDetect.h"
#include "platform/Surface.h"

namespace pixelon {

inline constexpr std::string_view DownloadErrorText =
    "Error downloading Image data...\nTry unplugging the phone, Powering the phone off and "
    "On\nand then reconnecting the Data Cable.\n\nNow try again!!!";
inline constexpr std::string_view UploadErrorText =
    "Error uploading data\n\nTry unplugging the phone, reconnecting and then try again";
inline constexpr std::string_view CannotReceiveText =
    "Cannot Receive Pictures from this Phone type...";

// What to send: pixels (column + xOffset, row) of `bitmap` inside the width and height of
// `rect` and the limits. Picture number 0 means none.
struct DownloadRequest {
    const Surface& bitmap;
    Rect rect;
    int widthLimit = 0;
    int heightLimit = 0;
    int pictureNumber = 0;
    int xOffset = 0;
    ApplicationType application = ApplicationType::Kinetto;
};

// Sends one picture to the phone found from `startPort`. Returns the port used, or -1.
int DownloadPicture(PhoneLink& link, int startPort, const DownloadRequest& request);

// Fetches one picture from the phone found from `startPort`; empty on failure.
std::optional<Surface> UploadPicture(PhoneLink& link, int startPort, ApplicationType application,
                                     int pictureNumber);

} // namespace pixelon

#include "phone/Transfer.h"

#include <algorithm>

#include "phone/ReplyParsing.h"
#include "phone/WirePicture.h"

namespace pixelon {

namespace {

constexpr std::size_t ReplySize = 1024;
constexpr int WallpaperChunk = 51;

// The expected text arrived (an "ERROR" alone does not count as an answer here).
bool answered(const Reply& reply, std::string_view expected) {
    return reply.found && reply.text.find(expected) != std::string::npos;
}

std::string portName(int port) {
    return formatText("COM%d:", port);
}

std::optional<int> askBufferSize(CSerialChannel& channel) {
    channel.PurgePort();
    channel.SendCommand(50, "AT*EDAW=?\r\n");
    channel.clock().sleep(50);
    Reply reply = channel.WaitForReply("Looking for EDAW=? GetMaxBuf", "OK", ReplySize, 50);
    auto size = ParseEdawBufferSize(reply.text);
    if (!size)
        channel.log("Looking for EDAW=? GetMaxBuf - no buffer size in the reply\r\n");
    return size;
}

// Sends one chunk; false when the phone did not take it.
bool sendChunk(CSerialChannel& channel, std::span<const std::uint8_t> bytes, int index,
               const DownloadRequest& request, int width, int height) {
    const int flags = channel.m_nPhoneFlags;
    Clock& clock = channel.clock();
    if (flags & PortStatus::Wallpaper) {
        std::string text = toHex(bytes, true);
        if (index % 2 == 0)
            text += "00";
        int target = request.application == ApplicationType::BackgroundPicture ? 2 : 1;
        channel.SendCommand(100, "AT*EWSPL=%d,%d,\"%s\"\r", target, index, text.c_str());
        clock.sleep(100);
        Reply reply = channel.WaitForReply("Looking for EWSPL reply", "OK", ReplySize, 50);
        clock.sleep(100);
        if (answered(reply, "OK"))
            return true;
        if (reply.text.find("ERROR") != std::string::npos)
            return false; // refused, not lost: asking again would hide it
        channel.SendCommand(100, "AT\r");
        reply = channel.WaitForReply("Looking for EWSPL reply again", "OK", ReplySize, 50);
        return answered(reply, "OK");
    }

    if (request.pictureNumber != 0)
        channel.m_nPictureSlot = request.pictureNumber - 1;
    if (flags == PortStatus::ThreeApplicationPhone)
        channel.SendCommand(100, "AT*EDAW=%d,%d,%d,%d,%d,%d\r", int(bytes.size()),
                            int(request.application), channel.m_nPictureSlot, width, height, index);
    else
        channel.SendCommand(100, "AT*EDAW=%d,0,0,%d\r", int(bytes.size()), index);
    clock.sleep(100);
    Reply prompt = channel.WaitForReply("Looking for EDAW prompt", "> ", ReplySize, 50);
    clock.sleep(100);
    if (!answered(prompt, "> "))
        return false;
    // The data goes out as it is: it may be longer than a formatted command may be.
    std::string text = toHex(bytes, true) + '\x1a';
    clock.sleep(100);
    channel.WritePort(text);
    clock.sleep(100);
    Reply data = channel.WaitForReply("Looking for EDAW data", "OK", ReplySize, 50);
    clock.sleep(100);
    return answered(data, "OK");
}

int runDownload(PhoneLink& link, int port, const DownloadRequest& request) {
    CSerialChannel& channel = link.channel;
    ProgressWindow& progress = link.feedback.progress();
    progress.SetText("Checking screen size");
    int status = channel.m_nPhoneFlags;
    QueryApplications(channel, link.sizes, status);
    const int flags = channel.m_nPhoneFlags;

    int width = std::min(request.rect.width(), request.widthLimit);
    int height = std::min(request.rect.height(), request.heightLimit);
    const AppSize& app = link.sizes.of(request.application);
    static constexpr const char* titles[] = {"Downloading Kinetto to Phone over %s",
                                             "Downloading BackgroundPicture to Phone over %s",
                                             "Downloading Vistrela to Phone over %s"};
    std::string title = formatText(titles[int(request.application)], portName(port).c_str());
    int bits = bitsForColours(app.colours);
    if (!validWireBits(bits))
        bits = 8;
    if (flags != PortStatus::ThreeApplicationPhone) {
        width = link.sizes.kinetto.width;
        height = link.sizes.kinetto.height;
    }
    bool wallpaperBackground = (flags & PortStatus::Wallpaper) &&
                               request.application == ApplicationType::BackgroundPicture;
    std::string sizeText =
        formatText("Picture size: %dx%d %d bit%s\n\nTransferring Bitmap to Phone",
                   wallpaperBackground ? 73 : width, wallpaperBackground ? 39 : height, bits,
                   bits == 1 ? "" : "s");

    std::vector<std::uint8_t> packed =
        PackWirePicture(request.bitmap, request.xOffset, width, height, bits);
    progress.SetText(sizeText);
    progress.SetTitle(title);
    progress.SetRange(0, int(packed.size()));

    int chunkSize = WallpaperChunk;
    if (!(flags & PortStatus::Wallpaper)) {
        auto size = askBufferSize(channel);
        if (!size) {
            link.feedback.message(DownloadErrorText, MessageIcon::Stop);
            return -1;
        }
        chunkSize = *size;
    }

    int result = port;
    std::size_t sent = 0;
    for (int index = 0; sent < packed.size(); ++index) {
        channel.PurgePort();
        std::size_t length = std::min(std::size_t(chunkSize), packed.size() - sent);
        if ((flags & PortStatus::Wallpaper) && index % 2 == 0 && length > 1)
            --length;
        if (!sendChunk(channel, std::span(packed).subspan(sent, length), index, request, width,
                       height)) {
            link.feedback.message(DownloadErrorText, MessageIcon::Stop);
            result = -1;
            break;
        }
        sent += length;
        progress.Step(int(sent));
    }
    return result;
}

struct UploadShape {
    int width, height, bits, number;
    const char* title;
};

UploadShape uploadShape(const ApplicationSizes& sizes, int flags, ApplicationType app,
                        int pictureNumber) {
    auto bitsOf = [](const AppSize& s) { return s.colours == 4 ? 2 : 1; };
    if (flags == PortStatus::ThreeApplicationPhone && app == ApplicationType::BackgroundPicture)
        return {73, 39, bitsOf(sizes.background), 0,
                "Getting Background Picture from Phone over %s"};
    if (flags == PortStatus::ThreeApplicationPhone && app == ApplicationType::VistrelEms)
        return {32, 32, bitsOf(sizes.vistrel), pictureNumber,
                "Getting Vistrela from Phone over %s"};
    return {sizes.kinetto.width, sizes.kinetto.height, bitsOf(sizes.kinetto), 0,
            "Getting Kinetto from Phone over %s"};
}

std::optional<Surface> runUpload(PhoneLink& link, int port, ApplicationType app,
                                 int pictureNumber) {
    CSerialChannel& channel = link.channel;
    ProgressWindow& progress = link.feedback.progress();
    Clock& clock = channel.clock();
    if (channel.m_nPhoneFlags & PortStatus::Wallpaper) {
        link.feedback.message(CannotReceiveText, MessageIcon::Stop);
        return std::nullopt;
    }
    auto bufferSize = askBufferSize(channel);
    if (!bufferSize) {
        link.feedback.message(UploadErrorText, MessageIcon::Stop);
        return std::nullopt;
    }
    // One reply holds at most the reply buffer's text, so no chunk can be larger than that.
    std::size_t receiveSize = std::min<std::size_t>(std::size_t(*bufferSize), ReplySize);

    progress.SetText("Checking screen size");
    int status = channel.m_nPhoneFlags;
    QueryApplications(channel, link.sizes, status);
    const int flags = channel.m_nPhoneFlags;
    UploadShape shape = uploadShape(link.sizes, flags, app, pictureNumber);

    if (flags == PortStatus::ThreeApplicationPhone) {
        channel.SendCommand(100, "AT*EDAR=?\r\n");
        channel.WaitForReply("Looking for EDAR response", "OK", ReplySize, 50);
    }
    progress.SetText(formatText("Uploading Picture: %dx%d %d bit%s\n", shape.width, shape.height,
                                shape.bits, shape.bits == 1 ? "" : "s"));
    progress.SetTitle(formatText(shape.title, portName(port).c_str()));
    progress.SetRange(0, shape.width * shape.height);

    Surface picture(shape.width, shape.height, 0x00FFFFFF);
    const int rowsPerBand = 8 / shape.bits;
    const int valueMask = (1 << shape.bits) - 1;
    int bandTop = 0, column = 0;
    for (int index = 0; bandTop < shape.height; ++index) {
        channel.PurgePort();
        if (flags == PortStatus::ThreeApplicationPhone)
            channel.SendCommand(200, "AT*EDAR=%d,%d,%d,%d,%d\r", int(app), shape.number,
                                shape.width, shape.height, index);
        else
            channel.SendCommand(100, "AT*EDAR=0,0,%d\r\n", index);
        Reply reply = channel.WaitForReply("Looking for EDAR data", "OK", ReplySize, 100);
        // A reply without data would repeat the same chunk for ever: treat it as a failure.
        std::vector<std::uint8_t> bytes = answered(reply, "OK")
                                              ? DecodeUploadReply(reply.text, receiveSize)
                                              : std::vector<std::uint8_t>{};
        if (bytes.empty()) {
            link.feedback.message(UploadErrorText, MessageIcon::Stop);
            return std::nullopt;
        }
        for (std::uint8_t byte : bytes) {
            if (bandTop >= shape.height)
                break;
            for (int j = 0; j < rowsPerBand && bandTop + j < shape.height; ++j)
                picture.setPixel(column, bandTop + j,
                                 wireValueColour(byte >> (j * shape.bits) & valueMask, shape.bits));
            progress.Step(column + bandTop * shape.width);
            if (++column == shape.width) {
                column = 0;
                bandTop += rowsPerBand;
            }
        }
    }
    clock.sleep(100);
    channel.ClosePort();
    return picture;
}

} // namespace

int DownloadPicture(PhoneLink& link, int startPort, const DownloadRequest& request) {
    ProgressWindow& progress = link.feedback.progress();
    progress.Open("Preparing to download", "Looking for Mobile", 0, 0);
    int port = FindPhone(link, startPort);
    if (port == 0) {
        progress.Close();
        return -1;
    }
    int result = -1;
    try {
        result = runDownload(link, port, request);
    } catch (const CommsException& e) {
        link.channel.log(e.FormatError() + "\r\n");
        link.feedback.message(DownloadErrorText, MessageIcon::Stop);
        progress.Close();
        return -1;
    }
    link.channel.clock().sleep(100);
    link.channel.ClosePort();
    progress.Close();
    return result;
}

std::optional<Surface> UploadPicture(PhoneLink& link, int startPort, ApplicationType application,
                                     int pictureNumber) {
    ProgressWindow& progress = link.feedback.progress();
    progress.Open("Preparing to upload", "Looking for Mobile", 0, 0);
    if (FindPhone(link, startPort) == 0) {
        progress.Close();
        return std::nullopt;
    }
    std::optional<Surface> picture;
    try {
        picture = runUpload(link, link.channel.m_nPort, application, pictureNumber);
        if (!picture) {
            link.channel.clock().sleep(100);
            link.channel.ClosePort();
        }
    } catch (const CommsException& e) {
        link.channel.log(e.FormatError() + "\r\n");
        link.feedback.message(UploadErrorText, MessageIcon::Stop);
        picture.reset();
    }
    progress.Close();
    return picture;
}

} // namespace pixelon

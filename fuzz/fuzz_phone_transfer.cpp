// fuzz-links: phone core platform
// The picture transfer against a phone that answers with arbitrary bytes: the fake serial
// device hands out the input's pieces (split at zero bytes) as the replies to successive
// commands. Detection, download and upload must end, with or without a picture, never crash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "phone/Transfer.h"
#include "platform/Clock.h"
#include "platform/Feedback.h"
#include "tests/phone/FakeSerialDevice.h"

using namespace pixelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A whole exchange is at most a few hundred replies of at most 1023 characters.
    if (size < 1 || size > (std::size_t(1) << 20))
        return 0;
    const std::uint8_t mode = data[0];
    std::string_view script(reinterpret_cast<const char*>(data + 1), size - 1);

    test::FakeSerialDevice device;
    device.readChunk = 1 + mode % 97;
    device.respond = [&script](const std::string&) {
        const std::size_t end = script.find('\0');
        std::string reply(script.substr(0, end));
        script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
        return reply;
    };
    FakeClock clock;
    CCommsLog log;
    CSerialChannel channel{device, clock, log,
                           [](int port) { return "/dev/f" + std::to_string(port); }};
    ApplicationSizes sizes;
    RecordingFeedback feedback;
    PhoneLink link{channel, sizes, feedback};

    const auto application = static_cast<ApplicationType>((mode >> 1) % 3);
    if (mode & 1) {
        std::optional<Surface> picture = UploadPicture(link, 1, application, 1 + (mode >> 3) % 4);
        if (picture && (picture->width() > 4096 || picture->height() > 4096))
            __builtin_trap();
    } else {
        const Surface bitmap(101, 80, 0x00FFFFFF);
        DownloadRequest request{bitmap, Rect{0, 0, 101, 80}, 101, 80, int(mode >> 3) % 3,
                                0,      application};
        DownloadPicture(link, 1, request);
    }
    if (channel.isOpen())
        __builtin_trap(); // every exchange closes the port it opened
    return 0;
}

// fuzz-links: phone core platform
// Phone replies: tokens and patterns, the buffer-size and application-size answers, the
// upload data decoding, and the simulated phone's command parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "phone/ReplyParsing.h"
#include "phone/ReplyTokens.h"
#include "phone/SimulatedPhone.h"
#include "phone/WirePicture.h"

using namespace pixelon;
using namespace std::string_view_literals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0; // a reply buffer holds at most 1023 characters
    std::string_view text(reinterpret_cast<const char*>(data), size);

    auto tokens = TokeniseReply(text);
    MatchTokens(tokens, 0, "scscccsc", {"AT"sv, '*', "EDAW"sv, '=', '?', '*', "EDAW"sv, ':'});
    MatchTokens(tokens, tokens.size() / 2, "tnc", {ReplyToken::any(), 3, ':'});

    ParseEdawBufferSize(text);
    ApplicationSizes sizes;
    bool three = false;
    if (ParseEsupReply(text, sizes, three) == EsupResult::Success) {
        // Sizes that reach the transfer must be ones a picture can have.
        if (sizes.kinetto.width < 1 || sizes.kinetto.width > 1280 || sizes.kinetto.height < 1 ||
            sizes.kinetto.height > 1024)
            __builtin_trap();
    }

    auto bytes = DecodeUploadReply(text, 1024);
    if (bytes.size() > 1024)
        __builtin_trap();
    UnpackWirePicture(bytes, 101, 80, 2);

    SimProfile profile;
    profile.kind = size % 2 ? SimProfileKind::ThreeApps : SimProfileKind::Edaw;
    CSimulatedPhone phone(profile);
    phone.receive(text);
    return 0;
}

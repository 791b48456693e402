// fuzz-links: obex
// The OBEX address of `pixelon obex --to` and the window's address field on arbitrary text: an
// address parses or gives a reason, and a parsed address written back parses to itself.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "phone/obex/ObexTransport.h"

using namespace pixelon::obex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 12)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto address = ParseObexAddress(text, error);
    if (!address) {
        if (error.empty())
            __builtin_trap();
        return 0;
    }
    if (address->port < 0 || address->port > 65535 || address->channel < 0)
        __builtin_trap();
    address->kindName();
    const std::string again = address->text();
    std::string error2;
    const auto back = ParseObexAddress(again, error2);
    if (!back || back->kind != address->kind || back->host != address->host ||
        back->port != address->port || back->device != address->device ||
        back->baud != address->baud || back->bdaddr != address->bdaddr ||
        back->channel != address->channel)
        __builtin_trap();
    return 0;
}

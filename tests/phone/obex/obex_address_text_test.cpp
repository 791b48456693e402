#include <gtest/gtest.h>

#include <string>

#include "phone/obex/ObexTransport.h"

namespace pixelon::obex {
namespace {

// Every address that parses is written back as text that parses to the same address; a host
// with a bracket inside could not be, and is refused.
TEST(ObexAddressText, ReadsBackAsItself) {
    for (const char* text : {"tcp:tcp:::]]]1", "tcp:[a[b]:7", "tcp:a]b:9", "tcp:::1]"}) {
        std::string error;
        EXPECT_FALSE(ParseObexAddress(text, error)) << text;
        EXPECT_NE(error.find("Misplaced [ or ]"), std::string::npos) << text << ": " << error;
    }
    for (const char* text : {"tcp:fe80::1%eth0", "tcp:[::1]:9", "tcp:host", "serial:/dev/x]",
                             "bt:00:11:22:33:44:55:3"}) {
        std::string error;
        const auto a = ParseObexAddress(text, error);
        ASSERT_TRUE(a) << text << ": " << error;
        const auto back = ParseObexAddress(a->text(), error);
        ASSERT_TRUE(back) << a->text() << ": " << error;
        EXPECT_EQ(back->text(), a->text());
    }
}

} // namespace
} // namespace pixelon::obex

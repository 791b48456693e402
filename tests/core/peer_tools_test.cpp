// The policy for tests that need another program: skipped on a developer's machine, failed
// under CI.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/PeerTools.h"

namespace pixelon::test {
namespace {

// Sets CI for one scope and puts back what was there.
struct CiVariable {
    explicit CiVariable(const char* value) {
        if (const char* old = std::getenv("CI"))
            saved = old;
        value ? setenv("CI", value, 1) : unsetenv("CI");
    }
    ~CiVariable() { saved.empty() ? unsetenv("CI") : setenv("CI", saved.c_str(), 1); }
    std::string saved;
};

TEST(PeerTools, AMissingToolFailsOnlyUnderCi) {
    {
        CiVariable ci(nullptr);
        EXPECT_FALSE(peerAvailable("pixelon-no-such-tool"));
        EXPECT_TRUE(peerAvailable("sh"));
    }
    {
        CiVariable ci("false");
        EXPECT_FALSE(peerAvailable("pixelon-no-such-tool"));
    }
    {
        CiVariable ci("true");
        EXPECT_TRUE(peerAvailable("sh"));
        EXPECT_NONFATAL_FAILURE(peerAvailable("pixelon-no-such-tool"),
                                "pixelon-no-such-tool is missing, and CI=true requires");
    }
}

} // namespace
} // namespace pixelon::test

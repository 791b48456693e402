#pragma once

// Interoperability tests check our files with other programs (cjpeg and djpeg, ImageMagick,
// netpbm, giflib, gifsicle, poppler, ...). On a developer's machine a missing program skips
// such a test. Under CI (the environment variable CI set to "true") it fails the test instead,
// so that these checks can never vanish from a run silently.

#include <cstdlib>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace pixelon::test {

inline bool peersRequired() {
    const char* ci = std::getenv("CI");
    return ci && (std::string_view(ci) == "true" || std::string_view(ci) == "1");
}

// Records a failure of the running test when a required peer is missing; `what` names it.
inline void peerMissing(const std::string& what) {
    if (peersRequired())
        ADD_FAILURE() << what << " is missing, and CI=true requires every peer tool";
}

// Whether `tool` is on the PATH. Callers skip their test when it is not; under CI the test
// has then already failed.
inline bool peerAvailable(const std::string& tool) {
    const bool found = std::system(("command -v '" + tool + "' >/dev/null 2>&1").c_str()) == 0;
    if (!found)
        peerMissing(tool);
    return found;
}

} // namespace pixelon::test

// Skips the running test for want of a peer (`what`, e.g. "pcf2bdf"); under CI fails it.
#define PIXELON_SKIP_WITHOUT_PEER(what)                                                            \
    do {                                                                                           \
        const std::string missingPeer_ = (what);                                                   \
        ::pixelon::test::peerMissing(missingPeer_);                                                \
        GTEST_SKIP() << missingPeer_ << " is not installed";                                       \
    } while (0)

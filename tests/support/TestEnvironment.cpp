// Every test program knows where the sources and the build are, whether it runs under ctest or
// by hand: the variables are set before main unless the caller set them already.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("PIXELON_SOURCE_DIR", PIXELON_TEST_SOURCE_DIR, 0);
        setenv("PIXELON_BINARY_DIR", PIXELON_TEST_BINARY_DIR, 0);
        // An installed package's desktop files must not change what the tests see.
        setenv("XDG_DATA_DIRS", "/nonexistent/pixelon-test-data", 1);
    }
};

const TestEnvironment testEnvironment;

} // namespace

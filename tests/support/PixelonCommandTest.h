#pragma once
// A test fixture for the built pixelon: each test gets its own folder, and the command's
// standard output and error land in out.txt and err.txt there.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/codecs/codec_test_util.h"
#include "tests/support/PixelonProgram.h"

namespace pixelon::test {

class PixelonCommandTest : public ::testing::Test {
protected:
    // Skips the test when pixelon is not built.
    void SetUp() override {
        program = builtPixelon();
        if (program.empty())
            GTEST_SKIP() << "pixelon not built";
    }
    // Runs `pixelon arguments` in the test's folder; the exit status.
    int pixelon(const std::string& arguments) { return runPixelon(program, dir.path(), arguments); }
    // The path of `name` in the test's folder.
    std::string p(const std::string& name) const { return (dir / name).string(); }
    // What the last command wrote on standard error.
    std::string err() const {
        const std::vector<std::uint8_t> bytes = readBytes(dir / "err.txt");
        return {bytes.begin(), bytes.end()};
    }

    std::string program;
    ScratchDir dir;
};

} // namespace pixelon::test

#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace pixelon::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the scope.
struct TempDir {
    std::filesystem::path path;

    explicit TempDir(const std::string& prefix = "pixelon-test") {
        std::string templ =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path = ::mkdtemp(templ.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
};

} // namespace pixelon::test

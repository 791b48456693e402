#pragma once

// Helpers for codec tests: a scratch folder, running the Debian image tools, PPM files.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/Surface.h"
#include "tests/support/PeerTools.h"

namespace pixelon::test {

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pixelon-codecs-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Runs a shell command with a time limit; true when it exits with status 0. A command whose
// program is not installed counts as a missing peer (a failure under CI).
inline bool run(const std::string& command) {
    std::string line = "timeout 60 sh -c '" + command + "' >/dev/null 2>&1";
    if (std::system(line.c_str()) == 0)
        return true;
    peerAvailable(command.substr(0, command.find(' ')));
    return false;
}

inline bool haveTool(const std::string& name) {
    return peerAvailable(name);
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Reads a binary PPM (P6, maxval 255) as written by netpbm and ImageMagick.
inline std::optional<Surface> readPpm(const std::filesystem::path& path) {
    std::vector<std::uint8_t> b = readBytes(path);
    std::size_t at = 0;
    auto token = [&]() -> std::string {
        while (at < b.size()) {
            if (b[at] == '#') {
                while (at < b.size() && b[at] != '\n')
                    ++at;
            } else if (std::isspace(b[at])) {
                ++at;
            } else {
                break;
            }
        }
        std::string t;
        while (at < b.size() && !std::isspace(b[at]))
            t += char(b[at++]);
        return t;
    };
    if (token() != "P6")
        return std::nullopt;
    int w = std::stoi(token()), h = std::stoi(token()), max = std::stoi(token());
    ++at;
    if (max != 255 || b.size() < at + std::size_t(w) * h * 3)
        return std::nullopt;
    Surface s(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, at += 3)
            s.setPixel(x, y, rgb(b[at], b[at + 1], b[at + 2]));
    return s;
}

inline void writePpm(const std::filesystem::path& path, const Surface& s) {
    std::vector<std::uint8_t> b;
    std::string head =
        "P6\n" + std::to_string(s.width()) + " " + std::to_string(s.height()) + "\n255\n";
    b.assign(head.begin(), head.end());
    for (Colour c : s.pixels()) {
        b.push_back(std::uint8_t(redOf(c)));
        b.push_back(std::uint8_t(greenOf(c)));
        b.push_back(std::uint8_t(blueOf(c)));
    }
    writeBytes(path, b);
}

// A picture of a few colours with gradients and edges, so every code path of a codec is used.
inline Surface testPattern(int w, int h, int colours, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::vector<Colour> palette;
    for (int i = 0; i < colours; ++i)
        palette.push_back(rgb(int(rng() & 0xFF), int(rng() & 0xFF), int(rng() & 0xFF)));
    Surface s(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int i = ((x / 3 + y / 5) ^ (x * y / 7)) + int(rng() % 3 == 0 ? rng() : 0);
            s.setPixel(x, y, palette[std::size_t(i) % palette.size()]);
        }
    return s;
}

} // namespace pixelon::test

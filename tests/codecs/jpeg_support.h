#pragma once

// Helpers shared by the JPEG tests: synthetic images, PPM files, the reference tools.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/support/PeerTools.h"

namespace pixelon::testing {

struct RawImage {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<std::uint8_t> samples;
};

// Smooth gradients, a few hard edges and mild noise: close enough to a photograph for the
// codec's statistics, and the same on every run.
inline RawImage photoLike(int width, int height, int channels = 3) {
    RawImage img{width, height, channels, {}};
    img.samples.resize(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16 & 15) - 8;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double fx = double(x) / width, fy = double(y) / height;
            int rgb[3] = {int(128 + 100 * std::sin(fx * 7) * std::cos(fy * 5)),
                          int(255 * (fx + fy) / 2), ((x / 37 + y / 29) % 2) ? 200 : 60};
            if ((x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2) <
                width * height / 16)
                rgb[1] = 230 - rgb[1] / 3;
            std::uint8_t* p =
                img.samples.data() +
                (std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels);
            int n = noise();
            if (channels == 1) {
                p[0] =
                    std::uint8_t(std::clamp((rgb[0] * 3 + rgb[1] * 6 + rgb[2]) / 10 + n, 0, 255));
            } else {
                for (int c = 0; c < 3; ++c)
                    p[c] = std::uint8_t(std::clamp(rgb[c] + n, 0, 255));
            }
        }
    return img;
}

inline double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty())
        return 0.0;
    double se = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        se += double(int(a[i]) - int(b[i])) * double(int(a[i]) - int(b[i]));
    if (se == 0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void writePnm(const std::filesystem::path& path, const RawImage& img) {
    std::ofstream out(path, std::ios::binary);
    out << (img.channels == 1 ? "P5\n" : "P6\n") << img.width << ' ' << img.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(img.samples.data()),
              std::streamsize(img.samples.size()));
}

// Binary PGM or PPM as djpeg writes them; an empty image when the file is not one.
inline RawImage readPnm(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes = readBytes(path);
    std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    RawImage img{w, h, magic == "P5" ? 1 : 3, {}};
    std::size_t start = std::size_t(in.tellg()) + 1;
    std::size_t n = std::size_t(w) * std::size_t(h) * std::size_t(img.channels);
    if ((magic != "P5" && magic != "P6") || start + n > bytes.size())
        return {};
    img.samples.assign(bytes.begin() + std::ptrdiff_t(start),
                       bytes.begin() + std::ptrdiff_t(start + n));
    return img;
}

// Runs a shell command with a time limit; true when it exits with status 0. A command whose
// program is not installed counts as a missing peer (a failure under CI).
inline bool run(const std::string& command) {
    if (std::system(("timeout 60 " + command + " 2>/dev/null").c_str()) == 0)
        return true;
    test::peerAvailable(command.substr(0, command.find(' ')));
    return false;
}

inline bool haveReferenceTools() {
    return test::peerAvailable("cjpeg") && test::peerAvailable("djpeg");
}

// A fresh folder for one test, removed when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() /
                 ("pixelon-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace pixelon::testing

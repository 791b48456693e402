#include "cli/Ppm.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/AtomicFile.h"
#include "core/EString.h"

namespace pixelon::cli {

namespace {

class Header {
public:
    explicit Header(std::string_view bytes) : m_bytes(bytes) {}

    void skipSpaceAndComments() {
        while (m_at < m_bytes.size()) {
            char c = m_bytes[m_at];
            if (c == '#') {
                while (m_at < m_bytes.size() && m_bytes[m_at] != '\n' && m_bytes[m_at] != '\r')
                    ++m_at;
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++m_at;
            } else {
                return;
            }
        }
    }

    long long number(const char* what) {
        skipSpaceAndComments();
        long long value = 0;
        std::size_t start = m_at;
        while (m_at < m_bytes.size() && m_bytes[m_at] >= '0' && m_bytes[m_at] <= '9') {
            value = value * 10 + (m_bytes[m_at++] - '0');
            if (value > 1'000'000'000)
                throw PpmError(std::string("PPM ") + what + " is too large");
        }
        if (m_at == start)
            throw PpmError(std::string("PPM ") + what + " is missing");
        return value;
    }

    std::size_t at() const { return m_at; }
    void advance(std::size_t n) { m_at += n; }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

} // namespace

std::string encodePpm(const Surface& surface) {
    std::string out = "P6\n" + std::to_string(surface.width()) + " " +
                      std::to_string(surface.height()) + "\n255\n";
    out.reserve(out.size() + std::size_t(surface.width()) * surface.height() * 3);
    for (Colour c : surface.pixels()) {
        out.push_back(char(redOf(c)));
        out.push_back(char(greenOf(c)));
        out.push_back(char(blueOf(c)));
    }
    return out;
}

Surface decodePpm(std::string_view bytes) {
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '6' && bytes[1] != '3'))
        throw PpmError("Not a PPM file (P6 or P3)");
    const bool binary = bytes[1] == '6';
    Header header(bytes);
    header.advance(2);
    const long long width = header.number("width");
    const long long height = header.number("height");
    const long long maxval = header.number("maxval");
    if (width < 1 || height < 1 || width > PpmMaxDimension || height > PpmMaxDimension ||
        width * height > PpmMaxPixels)
        throw PpmError("PPM size " + std::to_string(width) + " x " + std::to_string(height) +
                       " is not supported");
    if (maxval < 1 || maxval > 65535)
        throw PpmError("PPM maxval " + std::to_string(maxval) + " is not supported");
    const long long samples = width * height * 3;
    const int sampleBytes = maxval > 255 ? 2 : 1;
    auto scale = [maxval](long long v) {
        return int((std::min(v, maxval) * 255 + maxval / 2) / maxval);
    };

    if (binary) {
        // Exactly one whitespace character separates the header from the raster.
        if (header.at() >= bytes.size())
            throw PpmError("PPM raster is missing");
        header.advance(1);
        if (bytes.size() - header.at() < std::size_t(samples * sampleBytes))
            throw PpmError("PPM raster is shorter than its size");
    } else if (bytes.size() - header.at() < std::size_t(samples * 2 - 1)) {
        throw PpmError("PPM raster is shorter than its size");
    }

    Surface surface(int(width), int(height), 0);
    std::size_t at = header.at();
    auto sample = [&]() -> int {
        if (!binary)
            return scale(header.number("sample"));
        long long v = (unsigned char)bytes[at++];
        if (sampleBytes == 2)
            v = v << 8 | (unsigned char)bytes[at++];
        return scale(v);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int r = sample(), g = sample(), b = sample();
            surface.setPixel(x, y, rgb(r, g, b));
        }
    return surface;
}

void writePpm(const std::filesystem::path& path, const Surface& surface) {
    const std::string bytes = encodePpm(surface);
    try {
        AtomicFile out(path);
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(out.fd(), bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                throw EString("Unable to write " + path.string());
            done += std::size_t(n);
        }
        out.commit();
    } catch (const EString& e) {
        throw PpmError("Unable to save file " + path.string() + ": " + e.what());
    }
}

Surface readPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw PpmError("Unable to open file " + path.string());
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > (std::uintmax_t(512) << 20) && !ec)
        throw PpmError("PPM file " + path.string() + " is too large");
    std::ostringstream text;
    text << in.rdbuf();
    return decodePpm(text.str());
}

} // namespace pixelon::cli

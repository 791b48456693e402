#include "tools/phonesim/PpmFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace pixelon::sim {

namespace {

// The next header number, skipping white space and comments; -1 on a malformed header.
long headerNumber(const std::string& data, std::size_t& at) {
    for (;;) {
        while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at])))
            ++at;
        if (at < data.size() && data[at] == '#') {
            while (at < data.size() && data[at] != '\n')
                ++at;
            continue;
        }
        break;
    }
    long value = 0;
    std::size_t start = at;
    while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])) && value < 100000)
        value = value * 10 + (data[at++] - '0');
    return at == start ? -1 : value;
}

} // namespace

std::optional<Surface> readPpm(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 2 || data[0] != 'P' || (data[1] != '6' && data[1] != '5')) {
        error = path + " is not a binary PPM or PGM file";
        return std::nullopt;
    }
    const int channels = data[1] == '6' ? 3 : 1;
    std::size_t at = 2;
    long w = headerNumber(data, at), h = headerNumber(data, at), max = headerNumber(data, at);
    if (w < 1 || h < 1 || w > 1280 || h > 1024 || max != 255 || at >= data.size()) {
        error = path + ": unsupported size or sample depth";
        return std::nullopt;
    }
    ++at; // the single white space after the header
    std::size_t need = std::size_t(w) * std::size_t(h) * std::size_t(channels);
    if (data.size() - at < need) {
        error = path + " is truncated";
        return std::nullopt;
    }
    Surface image{int(w), int(h)};
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += channels)
            image.setPixel(x, y, channels == 3 ? rgb(p[0], p[1], p[2]) : rgb(p[0], p[0], p[0]));
    return image;
}

bool writePpm(const std::string& path, const Surface& image) {
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << "P6\n" << image.width() << " " << image.height() << "\n255\n";
        std::vector<char> row(std::size_t(image.width()) * 3);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                Colour c = image.pixel(x, y);
                row[std::size_t(x) * 3] = char(redOf(c));
                row[std::size_t(x) * 3 + 1] = char(greenOf(c));
                row[std::size_t(x) * 3 + 2] = char(blueOf(c));
            }
            out.write(row.data(), std::streamsize(row.size()));
        }
        if (!out)
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

} // namespace pixelon::sim

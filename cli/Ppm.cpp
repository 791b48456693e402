#include "cli/Ppm.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <span>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "core/AtomicFile.h"
#include "core/WriteFully.h"
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

namespace {

std::string binaryHeader(const Surface& surface) {
    return "P6\n" + std::to_string(surface.width()) + " " + std::to_string(surface.height()) +
           "\n255\n";
}

// Writes the pixels as red, green, blue bytes from `dst` on.
void packRgb(std::span<const Colour> pixels, char* dst) {
    for (Colour c : pixels) {
        dst[0] = char(redOf(c));
        dst[1] = char(greenOf(c));
        dst[2] = char(blueOf(c));
        dst += 3;
    }
}

} // namespace

std::string encodePpm(const Surface& surface) {
    std::string out = binaryHeader(surface);
    const std::size_t header = out.size();
    out.resize(header + surface.pixels().size() * 3);
    packRgb(surface.pixels(), out.data() + header);
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
    if (binary && maxval == 255) {
        // The common case needs no scaling: bytes straight into the pixels.
        const unsigned char* src = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
        for (Colour& c : surface.pixels()) {
            c = rgb(src[0], src[1], src[2]);
            src += 3;
        }
        return surface;
    }
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

PpmOutput::PpmOutput(const std::filesystem::path& path, int width, int height) : m_path(path) {
    // Nothing is replaced when the name is free, so there is no previous file to keep and no
    // need to wait for the disk. O_EXCL: a file or link that appears meanwhile is never written
    // through; it sends the write the AtomicFile way.
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0 && errno == ENOENT)
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        try {
            m_atomic = std::make_unique<AtomicFile>(path);
        } catch (const EString& e) {
            throw PpmError("Unable to save file " + path.string() + ": " + e.what());
        }
    }
    Write("P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n");
}

PpmOutput::~PpmOutput() {
    if (m_fd >= 0) {
        ::close(m_fd);
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
}

void PpmOutput::Write(std::string_view bytes) {
    if (WriteFully(m_atomic ? m_atomic->fd() : m_fd, bytes.data(), bytes.size()))
        return;
    const int cause = errno;
    // The program's own text for the cause (e.g. "The disk is full.") where the previous file
    // is kept; the system's text where a new file was being made.
    if (m_atomic)
        throw PpmError("Unable to save file " + m_path.string() + ": " + EFileError(cause).what());
    throw PpmError("Unable to save file " + m_path.string() + ": " + std::strerror(cause));
}

void PpmOutput::Commit() {
    if (m_atomic) {
        try {
            m_atomic->commit();
        } catch (const EString& e) {
            throw PpmError("Unable to save file " + m_path.string() + ": " + e.what());
        }
        return;
    }
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0) {
        const int cause = errno;
        ::unlink(m_path.c_str());
        throw PpmError("Unable to save file " + m_path.string() + ": " + std::strerror(cause));
    }
    m_committed = true;
}

void writePpm(const std::filesystem::path& path, const Surface& surface) {
    PpmOutput out(path, surface.width(), surface.height());
    // The raster is encoded 1 MB at a time into one reused buffer: large writes without a copy
    // of the whole file in memory.
    constexpr std::size_t pixelsPerChunk = (1 << 20) / 3;
    std::string chunk(std::min(surface.pixels().size(), pixelsPerChunk) * 3, '\0');
    const std::span<const Colour> pixels = surface.pixels();
    for (std::size_t at = 0; at < pixels.size(); at += pixelsPerChunk) {
        const std::size_t n = std::min(pixelsPerChunk, pixels.size() - at);
        packRgb(pixels.subspan(at, n), chunk.data());
        out.Write(std::string_view(chunk.data(), n * 3));
    }
    out.Commit();
}

void preferHeapReuse() {
    // Large blocks come from the heap and stay there when freed, so the next image-sized
    // buffer reuses memory already mapped instead of faulting in fresh pages.
    constexpr std::size_t region = std::size_t(64) << 20, hugePage = std::size_t(2) << 20;
    ::mallopt(M_MMAP_THRESHOLD, int(2 * region));
    ::mallopt(M_TRIM_THRESHOLD, int(4 * region));
    ::mallopt(M_TOP_PAD, int(hugePage));
    // The heap grows by a region at once, marked for huge pages where the system offers them
    // on request: one fault maps 2 MB instead of 4 KB. The block goes back to the heap free.
    void* block = std::malloc(region);
    if (!block)
        return;
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + hugePage - 1) & ~(hugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + region) & ~(hugePage - 1);
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    std::free(block);
}

Surface readPpm(const std::filesystem::path& path) {
    constexpr std::size_t limit = std::size_t(512) << 20;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw PpmError("Unable to open file " + path.string());
    struct stat info {};
    bool failed = ::fstat(fd, &info) != 0;
    if (!failed && std::uintmax_t(info.st_size) > limit) {
        ::close(fd);
        throw PpmError("PPM file " + path.string() + " is too large");
    }
    // A regular file is read with one read of its size; anything else (or more than the size
    // said) is appended piece by piece.
    std::string text;
    if (!failed && info.st_size > 0)
        text.resize(std::size_t(info.st_size));
    std::size_t used = 0;
    char piece[65536];
    while (!failed && used <= limit) {
        const bool inPlace = used < text.size();
        char* dst = inPlace ? text.data() + used : piece;
        const std::size_t room = inPlace ? text.size() - used : sizeof piece;
        const ssize_t n = ::read(fd, dst, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        if (!inPlace)
            text.append(piece, std::size_t(n));
        used += std::size_t(n);
    }
    ::close(fd);
    if (failed)
        throw PpmError("Unable to read file " + path.string());
    if (used > limit)
        throw PpmError("PPM file " + path.string() + " is too large");
    text.resize(used);
    return decodePpm(text);
}

} // namespace pixelon::cli

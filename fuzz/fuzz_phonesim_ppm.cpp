// fuzz-links: core platform
// phonesim's PPM/PGM reader (the pictures it shows and stores) on arbitrary files: it gives a
// picture of the size in its header, within 1280 x 1024, or a reason.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The reader is part of phonesim, not of a library, so it is compiled in here.
#include "tools/phonesim/PpmFile.cpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (std::size_t(8) << 20))
        return 0;
    // The reader takes a path: the input becomes an anonymous file read through /proc.
    static const int fd = ::memfd_create("fuzz.ppm", 0);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        __builtin_trap();
    std::string error;
    const auto image = pixelon::sim::readPpm("/proc/self/fd/" + std::to_string(fd), error);
    if (image) {
        if (image->width() < 1 || image->width() > 1280 || image->height() < 1 ||
            image->height() > 1024)
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}

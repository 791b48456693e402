// fuzz-links: codecs core phone platform
// The imaging library's bitmap codec reading arbitrary bytes through its file object, as
// "pixelon decode" and the JPEG import (which tries the bitmap codec first) do.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "codecs/ImageDib.h"
#include "codecs/ImageProcessor.h"

using namespace pixelon;

namespace {

// One file, rewritten for every input: the codec reads through a path.
const std::string& scratchPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/fuzz_dib-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The codec reads files of up to a gigabyte; larger inputs only slow the fuzzer down.
    if (size > (std::size_t(64) << 20))
        return 0;
    const std::string& path = scratchPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    CImageCodecManager manager;
    manager.RegisterCodec<CImageDibCodecProcessor>();
    if (manager.Run(path) == ImageRunOk) {
        if (manager.Inputs().empty() || !manager.Inputs().front()->GetBuffer())
            __builtin_trap();
        // Writing the decoded image back must work in memory limits too.
        CImageCodecManager writer;
        writer.RegisterCodec<CImageDibCodecProcessor>();
        writer.ChooseWriter(0);
        writer.Inputs().push_back(std::move(manager.Inputs().front()));
        writer.Run(path + ".bmp");
        ::unlink((path + ".bmp").c_str());
    }
    return 0;
}

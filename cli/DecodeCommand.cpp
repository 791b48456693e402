// pixelon decode: the bitmap a picture file decodes to, as PPM, or the images of a GIF.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Ppm.h"
#include "codecs/Errors.h"
#include "codecs/FileType.h"
#include "codecs/GifReader.h"
#include "codecs/ImportLimits.h"
#include "codecs/JpegDecoder.h"
#include "operations/PictureImport.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon decode FILE -o OUT.ppm [--frame K]
       pixelon decode --list FILE

Decodes a GIF, JPEG, PNG, BMP or WBMP file whole, with the decoders an import
uses, and writes it as binary PPM (P6); an import keeps at most its top-left
1280 x 1024 pixels. The type is chosen as the import chooses it: a PNG by its
signature, the others by the file name (".gif" or ".id", ".jpg" or ".jpeg",
".bmp", ".wbmp" or ".wbm" anywhere in the name); BMP and WBMP are told apart
by content.

  -o OUT       the PPM file to write
  --frame K    for a GIF, the image to draw (0 = the first); each image is drawn
               on its own at its own size, pixels without data in red
  --list       for a GIF, print one line per image: index, left, top, width,
               height, bits per pixel, and "interlaced" or "plain"
)";

PictureFileType typeOf(const std::string& path) {
    const PictureFileType type = PictureFileTypeOf(path);
    if (type == PictureFileType::None)
        throw UsageError(path + ": not a GIF, JPEG, PNG, BMP or WBMP file");
    return type;
}

GifFile readGif(const std::string& path) {
    GifFile gif;
    if (!ReadGifFile(gif, path)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            throw UsageError(path + ": cannot be opened");
        throw UsageError(path + ": not a GIF file (it does not start with GIF87a or GIF89a)");
    }
    return gif;
}

// The whole file in one read; false when it cannot be read or is larger than `limit`.
bool readFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::uintmax_t(info.st_size) <= limit;
    if (ok) {
        bytes.resize(std::size_t(info.st_size));
        std::size_t used = 0;
        while (ok && used < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            used += ok ? std::size_t(n) : 0;
        }
    }
    ::close(fd);
    return ok;
}

// Decoded rows go to the PPM file band by band through a buffer of a few hundred kilobytes
// that stays in the cache, rather than through the bitmap an import makes.
class PpmRowSink : public jpeg::JpegRowSink {
public:
    explicit PpmRowSink(const std::string& path) : m_path(path) {}

    void Begin(const jpeg::DecodedImage& frame) override {
        m_width = std::size_t(frame.width);
        m_grey = frame.channels == 1;
        const std::size_t rowBytes = 3 * m_width;
        m_capacity = std::max<std::size_t>(2 * MaxBand, (256u << 10) / rowBytes);
        m_chunk.resize(m_capacity * rowBytes);
        if (m_grey)
            m_greyRows.resize(MaxBand * m_width);
        m_out.emplace(m_path, frame.width, frame.height);
    }

    std::uint8_t* Row(int y) override {
        if (m_grey)
            return m_greyRows.data() + std::size_t(y - m_done) * m_width;
        return m_chunk.data() + std::size_t(y - m_first) * 3 * m_width;
    }

    void EndBand(int end) override {
        if (m_grey) {
            // A grey bitmap is written with red, green and blue alike.
            for (int y = m_done; y < end; ++y) {
                const std::uint8_t* src = m_greyRows.data() + std::size_t(y - m_done) * m_width;
                std::uint8_t* dst = m_chunk.data() + std::size_t(y - m_first) * 3 * m_width;
                for (std::size_t x = 0; x < m_width; ++x)
                    dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
            }
        }
        m_done = end;
        if (std::size_t(m_done - m_first) + MaxBand > m_capacity)
            Flush();
    }

    // Writes what is left and keeps the file.
    void Finish() {
        Flush();
        m_out->Commit();
    }

private:
    static constexpr std::size_t MaxBand = 32; // rows of one MCU row, at most 4 x 8

    void Flush() {
        const std::size_t bytes = std::size_t(m_done - m_first) * 3 * m_width;
        m_out->Write(std::string_view(reinterpret_cast<const char*>(m_chunk.data()), bytes));
        m_first = m_done;
    }

    std::string m_path;
    std::optional<PpmOutput> m_out;
    std::size_t m_width = 0;
    bool m_grey = false;
    std::size_t m_capacity = 0;
    std::vector<std::uint8_t> m_chunk;
    std::vector<std::uint8_t> m_greyRows;
    int m_first = 0; // the first row in m_chunk
    int m_done = 0;  // rows before this one are complete
};

// Decodes a JPEG file straight into the PPM, with the limits the import applies. False, with
// nothing written, when the file is not one the decoder reads (a bitmap under a JPEG name, a
// damaged file, one too large): the import's own path then decides and reports.
bool decodeJpegToPpm(const std::string& path, const std::string& out) {
    constexpr std::size_t maxFileSize = 256u << 20; // as the JPEG codec
    std::vector<std::uint8_t> bytes;
    if (!readFile(path, maxFileSize, bytes) || bytes.size() < 2 || bytes[0] != 0xFF ||
        bytes[1] != 0xD8)
        return false;
    jpeg::DecodeLimits limits;
    limits.cropWidth = ImportCropWidth;
    limits.cropHeight = ImportCropHeight;
    PpmRowSink sink(out);
    try {
        jpeg::DecodeJpegRows(bytes, sink, limits);
    } catch (const EFatalError&) {
        return false;
    }
    sink.Finish();
    return true;
}

} // namespace

int runDecode(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--frame"}, {"--list"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one picture file (see --help)");
    const std::string& path = parsed.positional()[0];
    const PictureFileType type = typeOf(path);

    if (parsed.flag("--list")) {
        if (type != PictureFileType::Gif)
            throw UsageError("--list needs a GIF file");
        preferHeapReuse();
        const GifFile gif = readGif(path);
        for (std::size_t i = 0; i < gif.images.size(); ++i) {
            const GifImage& image = gif.images[i];
            std::printf("%zu %d %d %d %d %d %s\n", i, image.left, image.top, image.width,
                        image.height, image.bitsPerPixel,
                        image.Interlaced() ? "interlaced" : "plain");
        }
        return 0;
    }

    const std::string out = parsed.required("-o");
    const int frame = parsed.integer("--frame", 0);
    // A JPEG goes to the file band by band, holding no image; the other paths hold several
    // image-sized buffers one after another.
    if (type == PictureFileType::Jpeg && !(parsed.value("--frame") && frame != 0) &&
        decodeJpegToPpm(path, out))
        return 0;
    preferHeapReuse();
    Surface bitmap;
    if (type == PictureFileType::Gif) {
        const GifFile gif = readGif(path);
        if (frame < 0 || std::size_t(frame) >= gif.images.size())
            throw UsageError(path + ": has " + std::to_string(gif.images.size()) +
                             " images, no image " + std::to_string(frame));
        bitmap = RenderGifImage(gif, std::size_t(frame));
    } else {
        if (parsed.value("--frame") && frame != 0)
            throw UsageError("--frame needs a GIF file");
        try {
            bitmap = DecodePictureBitmap(path, type);
        } catch (const EFatalError& e) {
            throw UsageError(path + ": " + e.what());
        }
    }
    if (bitmap.empty())
        throw UsageError(path + ": the image is empty (" + std::to_string(bitmap.width()) + " x " +
                         std::to_string(bitmap.height()) + ")");
    writePpm(out, bitmap);
    return 0;
}

} // namespace pixelon::cli

#include "codecs/JpegDecoder.h"

#include <algorithm>
#include <optional>
#include <string>

#include "codecs/Errors.h"
#include "codecs/ImportLimits.h"
#include "codecs/JpegDct.h"
#include "codecs/JpegDecodeContext.h"
#include "codecs/JpegIdct.h"
#include "codecs/JpegKernels.h"
#include "codecs/JpegTables.h"

namespace pixelon::jpeg {
namespace {

[[noreturn]] void fatal(const std::string& why) {
    throw EFatalError("JPEG: " + why);
}

// A bounded view of one marker segment's payload.
class Segment {
public:
    explicit Segment(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::size_t Remaining() const { return m_bytes.size() - m_pos; }
    int Byte() {
        if (m_pos >= m_bytes.size())
            fatal("segment too short");
        return m_bytes[m_pos++];
    }
    int Word() {
        int high = Byte();
        return high << 8 | Byte();
    }
    bool StartsWith(std::string_view tag) const {
        return m_bytes.size() >= tag.size() &&
               std::equal(tag.begin(), tag.end(), m_bytes.begin(),
                          [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
    }
    void Skip(std::size_t n) { m_pos = std::min(m_bytes.size(), m_pos + n); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

void installStandardTables(DecodeContext& ctx) {
    ctx.quant[0] = LuminanceQuant;
    ctx.quant[1] = ctx.quant[2] = ctx.quant[3] = ChrominanceQuant;
    auto make = [](const auto& bits, const auto& values, HuffmanDecodeTable& table) {
        HuffmanSpec spec;
        std::copy(bits.begin(), bits.end(), spec.bits.begin());
        spec.values.assign(values.begin(), values.end());
        MakeDecodeTable(spec, table);
    };
    make(DcLuminanceBits, DcLuminanceValues, ctx.dcTables[0]);
    make(DcChrominanceBits, DcChrominanceValues, ctx.dcTables[1]);
    make(AcLuminanceBits, AcLuminanceValues, ctx.acTables[0]);
    make(AcChrominanceBits, AcChrominanceValues, ctx.acTables[1]);
}

// APPn: the JFIF densities from APP0 and the Adobe colour transform from APP14.
void readApp(DecodeContext& ctx, int code, Segment s) {
    if (code == 0xE0 && s.StartsWith(std::string_view("JFIF\0", 5))) {
        s.Skip(5 + 2);
        ctx.jfif = true;
        ctx.result.hasDensity = true;
        ctx.result.densityUnits = s.Byte();
        ctx.result.xDensity = s.Word();
        ctx.result.yDensity = s.Word();
    } else if (code == 0xEE && s.StartsWith("Adobe") && s.Remaining() >= 12) {
        s.Skip(11);
        ctx.adobeTransform = s.Byte();
    }
}

// B.2.2 frame header.
void readFrame(DecodeContext& ctx, int code, Segment s) {
    if (code == 0xC3 || (code >= 0xC5 && code <= 0xC7))
        fatal("lossless and hierarchical frames are not supported");
    if (code >= 0xC9)
        fatal("arithmetic coding is not supported");
    if (ctx.haveFrame)
        fatal("more than one frame");
    ctx.progressive = code == 0xC2;
    ctx.precision = s.Byte();
    if (ctx.precision != 8 && !(ctx.precision == 12 && code != 0xC0))
        fatal("unsupported sample precision");
    ctx.height = s.Word();
    ctx.width = s.Word();
    if (ctx.width == 0 || ctx.height == 0)
        fatal("empty frame");
    const auto kept = KeptPartOf(ctx.width, ctx.height, ctx.limits.maxDimension,
                                 ctx.limits.cropWidth, ctx.limits.cropHeight);
    if (!kept || std::uint64_t(kept->width) * std::uint64_t(kept->height) > ctx.limits.maxPixels)
        fatal("frame too large");
    ctx.cropped = kept->cropped;
    ctx.outWidth = int(kept->width);
    ctx.outHeight = int(kept->height);
    if (ctx.limits.keepWidth > 0)
        ctx.outWidth = std::min(ctx.outWidth, ctx.limits.keepWidth);
    if (ctx.limits.keepHeight > 0)
        ctx.outHeight = std::min(ctx.outHeight, ctx.limits.keepHeight);
    int count = s.Byte();
    if (count != 1 && count != 3 && count != 4)
        fatal("unsupported number of components");
    for (int i = 0; i < count; ++i) {
        FrameComponent c;
        c.id = s.Byte();
        int sampling = s.Byte();
        c.h = sampling >> 4;
        c.v = sampling & 15;
        c.quantTable = s.Byte();
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3)
            fatal("bad component");
        for (const FrameComponent& other : ctx.components)
            if (other.id == c.id)
                fatal("duplicate component");
        ctx.hMax = std::max(ctx.hMax, c.h);
        ctx.vMax = std::max(ctx.vMax, c.v);
        ctx.components.push_back(c);
    }
    ctx.mcusWide = (ctx.width + 8 * ctx.hMax - 1) / (8 * ctx.hMax);
    ctx.mcusHigh = (ctx.height + 8 * ctx.vMax - 1) / (8 * ctx.vMax);
    ctx.mcusHighOut = (ctx.outHeight + 8 * ctx.vMax - 1) / (8 * ctx.vMax);
    for (FrameComponent& c : ctx.components) {
        c.blocksWide = ctx.mcusWide * c.h;
        c.blocksHigh = ctx.mcusHighOut * c.v;
        int w = (ctx.width * c.h + ctx.hMax - 1) / ctx.hMax;
        int h = (ctx.height * c.v + ctx.vMax - 1) / ctx.vMax;
        c.usedWide = (w + 7) / 8;
        c.usedHigh = (h + 7) / 8;
        // Samples are widened by replication, so output column x takes sample x * h / hMax.
        int outW = (ctx.outWidth * c.h + ctx.hMax - 1) / ctx.hMax;
        c.outWide = std::min(c.usedWide, (outW + 7) / 8);
    }
    ctx.haveFrame = true;
}

// B.2.4.2 Huffman table specification.
void readHuffman(DecodeContext& ctx, int, Segment s) {
    while (s.Remaining() > 0) {
        int tcth = s.Byte();
        int tc = tcth >> 4, th = tcth & 15;
        if (tc > 1 || th > 3)
            fatal("bad Huffman table");
        HuffmanSpec spec;
        int total = 0;
        for (int len = 1; len <= 16; ++len) {
            spec.bits[std::size_t(len)] = std::uint8_t(s.Byte());
            total += spec.bits[std::size_t(len)];
        }
        if (total > 256)
            fatal("bad Huffman table");
        for (int i = 0; i < total; ++i)
            spec.values.push_back(std::uint8_t(s.Byte()));
        HuffmanDecodeTable& table =
            tc == 0 ? ctx.dcTables[std::size_t(th)] : ctx.acTables[std::size_t(th)];
        if (!MakeDecodeTable(spec, table))
            fatal("bad Huffman table");
    }
}

// B.2.4.1 quantisation table specification; entries arrive in zig-zag order.
void readQuant(DecodeContext& ctx, int, Segment s) {
    while (s.Remaining() > 0) {
        int pqtq = s.Byte();
        int pq = pqtq >> 4, tq = pqtq & 15;
        if (pq > 1 || tq > 3)
            fatal("bad quantisation table");
        for (int k = 0; k < 64; ++k)
            ctx.quant[std::size_t(tq)][ZigZag[std::size_t(k)]] =
                std::uint16_t(pq ? s.Word() : s.Byte());
    }
}

void readRestart(DecodeContext& ctx, int, Segment s) {
    ctx.restartInterval = s.Word();
}

struct MarkerHandler {
    bool (*handles)(int code);
    void (*read)(DecodeContext& ctx, int code, Segment segment);
};

constexpr MarkerHandler markerHandlers[] = {
    {[](int c) { return c >= 0xE0 && c <= 0xEF; }, readApp},
    {[](int c) { return c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC; },
     readFrame},
    {[](int c) { return c == 0xC4; }, readHuffman},
    {[](int c) { return c == 0xDB; }, readQuant},
    {[](int c) { return c == 0xDD; }, readRestart},
};

// B.2.3 scan header, checked against the frame before any data is decoded.
ScanHeader readScanHeader(DecodeContext& ctx, Segment s) {
    if (!ctx.haveFrame)
        fatal("scan before frame");
    if (++ctx.scans > ctx.limits.maxScans)
        fatal("too many scans");
    ScanHeader scan;
    int count = s.Byte();
    if (count < 1 || count > 4)
        fatal("bad scan");
    int blocksPerMcu = 0;
    for (int i = 0; i < count; ++i) {
        int id = s.Byte();
        int tables = s.Byte();
        auto it = std::find_if(ctx.components.begin(), ctx.components.end(),
                               [&](const FrameComponent& c) { return c.id == id; });
        if (it == ctx.components.end())
            fatal("scan names an unknown component");
        int index = int(it - ctx.components.begin());
        if (std::find(scan.components.begin(), scan.components.end(), index) !=
            scan.components.end())
            fatal("component twice in a scan");
        it->dcTable = tables >> 4;
        it->acTable = tables & 15;
        if (it->dcTable > 3 || it->acTable > 3)
            fatal("bad scan table");
        blocksPerMcu += it->h * it->v;
        scan.components.push_back(index);
    }
    if (count > 1 && blocksPerMcu > 10)
        fatal("too many blocks in an MCU");
    scan.ss = s.Byte();
    scan.se = s.Byte();
    int ahal = s.Byte();
    scan.ah = ahal >> 4;
    scan.al = ahal & 15;
    if (!ctx.progressive) {
        // Sequential scans always cover the whole spectrum.
        scan.ss = 0;
        scan.se = 63;
        scan.ah = scan.al = 0;
    } else if (scan.ss > scan.se || scan.se > 63 || (scan.ss == 0 && scan.se != 0) ||
               (scan.ss > 0 && count != 1) || scan.ah > 13 || scan.al > 13) {
        fatal("bad progressive scan");
    }
    for (int index : scan.components) {
        FrameComponent& c = ctx.components[std::size_t(index)];
        bool needsDc = !ctx.progressive || (scan.ss == 0 && scan.ah == 0);
        bool needsAc = !ctx.progressive || scan.ss > 0;
        if ((needsDc && !ctx.dcTables[std::size_t(c.dcTable)].defined) ||
            (needsAc && !ctx.acTables[std::size_t(c.acTable)].defined))
            fatal("scan uses an undefined Huffman table");
        if (!c.quantLatched) {
            c.quant = ctx.quant[std::size_t(c.quantTable)];
            c.quantLatched = true;
        }
    }
    if (!ctx.coefficientsAllocated) {
        const FrameComponent& only = ctx.components[0];
        ctx.streaming = !ctx.progressive && scan.components.size() == ctx.components.size() &&
                        (count > 1 || (only.h == 1 && only.v == 1));
        // Only a frame output row by row can be cut: the others hold every coefficient.
        if (ctx.cropped && !ctx.streaming)
            fatal("frame too large");
        for (FrameComponent& c : ctx.components) {
            if (ctx.streaming)
                c.blocksHigh = c.v;
            c.coef.assign(std::size_t(c.blocksWide) * std::size_t(c.blocksHigh) * 64, 0);
        }
        ctx.coefficientsAllocated = true;
    }
    return scan;
}

// Skips to the next marker, passing stuffed bytes, fill bytes and stray restart markers.
// Returns its code, or -1 at the end of the data.
int nextMarker(DecodeContext& ctx) {
    const auto& d = ctx.data;
    while (ctx.pos + 1 < d.size()) {
        if (d[ctx.pos] != 0xFF) {
            ++ctx.pos;
            continue;
        }
        int code = d[ctx.pos + 1];
        if (code == 0xFF) {
            ++ctx.pos;
            continue;
        }
        ctx.pos += 2;
        if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD7))
            continue;
        return code;
    }
    ctx.pos = d.size();
    return -1;
}

void readMarkers(DecodeContext& ctx, const std::function<void(int)>& progress) {
    for (;;) {
        int code = nextMarker(ctx);
        if (code < 0 || code == 0xD9)
            return;
        if (code == 0xD8)
            continue;
        if (ctx.pos + 2 > ctx.data.size())
            return;
        std::size_t length = std::size_t(ctx.data[ctx.pos]) << 8 | ctx.data[ctx.pos + 1];
        if (length < 2)
            fatal("bad segment length");
        if (ctx.pos + length > ctx.data.size())
            return; // truncated inside a segment
        Segment segment(ctx.data.subspan(ctx.pos + 2, length - 2));
        ctx.pos += length;
        if (code == 0xDA) {
            ScanHeader scan = readScanHeader(ctx, segment);
            if (ctx.streaming && ctx.rowsDone > 0)
                continue; // the frame is already complete
            DecodeScan(ctx, scan);
            if (ctx.streaming)
                for (; ctx.rowsDone < ctx.mcusHigh; ++ctx.rowsDone)
                    ctx.onMcuRow(ctx.rowsDone);
            if (progress)
                progress(int(80 * ctx.pos / ctx.data.size()));
            continue;
        }
        for (const MarkerHandler& handler : markerHandlers) {
            if (handler.handles(code)) {
                handler.read(ctx, code, segment);
                break;
            }
        }
    }
}

// Inverse transform of one MCU row of a component into its strip of samples.
// `quant` is set for the integer transform, else the floating-point one takes `multipliers`.
void inverseTransformRow(const DecodeContext& ctx, FrameComponent& c, const JpegKernels& kernels,
                         const std::array<float, 64>& multipliers,
                         const std::optional<IntegerQuant>& quant, int mcuRow,
                         std::vector<std::uint8_t>& strip, std::size_t stride) {
    const int centre = 1 << (ctx.precision - 1);
    const int maxValue = (1 << ctx.precision) - 1;
    const int shift = ctx.precision - 8;
    for (int r = 0; r < c.v; ++r) {
        int by = mcuRow * c.v + r;
        if (by >= c.usedHigh)
            break;
        std::uint8_t* out = strip.data() + std::size_t(r) * 8 * stride;
        if (quant) {
            // The blocks of a block row lie one after another.
            kernels.inverseDctInt(c.Block(0, by), quant->data(), c.outWide, out, stride);
            continue;
        }
        for (int bx = 0; bx < c.outWide; ++bx)
            kernels.inverseDct(c.Block(bx, by), multipliers.data(), out + std::size_t(bx) * 8,
                               stride, centre, maxValue, shift);
    }
}

// One component's samples for an output row, widened to the frame by replication.
const std::uint8_t* widen(const std::uint8_t* row, int h, int hMax, int width,
                          std::uint8_t* __restrict scratch) {
    if (h == hMax)
        return row;
    for (int x = 0; x < width; ++x)
        scratch[x] = row[x * h / hMax];
    return scratch;
}

// Inverse transform, up-sampling by replication and colour conversion, one MCU row at a time
// so the samples stay in the cache; the rows are converted straight into the sink's memory.
class OutputWriter {
public:
    OutputWriter(DecodeContext& ctx, JpegRowSink& sink) : m_ctx(ctx), m_sink(sink) {
        const std::size_t n = ctx.components.size();
        const std::size_t width = std::size_t(ctx.width);
        m_strips.resize(n);
        m_scratch.assign(n, std::vector<std::uint8_t>(width));
        m_strides.resize(n);
        m_multipliers.resize(n);
        m_quant.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            FrameComponent& c = ctx.components[i];
            m_strides[i] = std::size_t(c.usedWide) * 8;
            m_strips[i].assign(m_strides[i] * std::size_t(c.v) * 8, 0);
            // 8-bit samples take the integer transform, the one most decoders use, unless a
            // table entry is too large for its 16-bit lanes (never so in files encoders write
            // for 8-bit samples).
            if (ctx.precision == 8 &&
                std::all_of(c.quant.begin(), c.quant.end(), [](int q) { return q <= 32767; }))
                m_quant[i] = MakeIntegerQuant(c.quant);
            else
                m_multipliers[i] = InverseDctMultipliers(c.quant);
        }
        DecodedImage& out = ctx.result;
        out.width = ctx.outWidth;
        out.height = ctx.outHeight;
        out.channels = n == 1 ? 1 : 3;
        const bool rgbFrame =
            n == 3 && (ctx.adobeTransform == 0 ||
                       (!ctx.jfif && ctx.adobeTransform < 0 && ctx.components[0].id == 'R' &&
                        ctx.components[1].id == 'G' && ctx.components[2].id == 'B'));
        m_ycc = !rgbFrame && (n == 3 || ctx.adobeTransform == 2);
        // Chroma at half the luma width (4:2:0 and 4:2:2) is widened inside the conversion.
        m_halfChroma = m_ycc && n == 3 && ctx.components[0].h == ctx.hMax &&
                       ctx.components[1].h * 2 == ctx.hMax && ctx.components[2].h * 2 == ctx.hMax;
        // At half the height too (4:2:0), two rows are converted with one chroma row.
        m_pairs = m_halfChroma && ctx.components[0].v == ctx.vMax &&
                  ctx.components[1].v * 2 == ctx.vMax && ctx.components[2].v * 2 == ctx.vMax;
        m_rgbRow.resize(width * 3);
        m_sink.Begin(out);
    }

    void Row(int my) {
        DecodeContext& ctx = m_ctx;
        const std::size_t n = ctx.components.size();
        const DecodedImage& out = ctx.result;
        const std::size_t width = std::size_t(out.width);
        if (my * 8 * ctx.vMax >= out.height) {
            // Below the part that is output: the coefficients are only cleared.
            if (ctx.streaming)
                for (FrameComponent& c : ctx.components)
                    std::fill(c.coef.begin(), c.coef.end(), std::int16_t(0));
            return;
        }
        for (std::size_t i = 0; i < n; ++i) {
            FrameComponent& c = ctx.components[i];
            inverseTransformRow(ctx, c, m_kernels, m_multipliers[i], m_quant[i], my, m_strips[i],
                                m_strides[i]);
            if (ctx.streaming)
                std::fill(c.coef.begin(), c.coef.end(), std::int16_t(0));
        }
        const int rowsPerMcu = 8 * ctx.vMax;
        const int yEnd = std::min(out.height, (my + 1) * rowsPerMcu);
        int y = my * rowsPerMcu;
        if (m_pairs) {
            for (; y + 1 < yEnd; y += 2) {
                const std::size_t luma = std::size_t(y - my * rowsPerMcu);
                const std::size_t chroma = luma / 2;
                m_kernels.yccToRgbRowPair(m_strips[0].data() + luma * m_strides[0],
                                          m_strips[0].data() + (luma + 1) * m_strides[0],
                                          m_strips[1].data() + chroma * m_strides[1],
                                          m_strips[2].data() + chroma * m_strides[2], out.width,
                                          m_sink.Row(y), m_sink.Row(y + 1));
            }
        }
        for (; y < yEnd; ++y) {
            const std::uint8_t* rows[4] = {};
            for (std::size_t i = 0; i < n; ++i) {
                const FrameComponent& c = ctx.components[i];
                const int local = y * c.v / ctx.vMax - my * 8 * c.v;
                rows[i] = m_strips[i].data() + std::size_t(local) * m_strides[i];
                if (!(m_halfChroma && i > 0))
                    rows[i] = widen(rows[i], c.h, ctx.hMax, out.width, m_scratch[i].data());
            }
            std::uint8_t* dst = m_sink.Row(y);
            if (n == 1) {
                std::copy_n(rows[0], width, dst);
                continue;
            }
            std::uint8_t* target = n == 3 ? dst : m_rgbRow.data();
            if (m_ycc) {
                m_kernels.yccToRgbRow(rows[0], rows[1], rows[2], out.width, m_halfChroma, target);
            } else {
                for (std::size_t x = 0; x < width; ++x) {
                    target[3 * x] = rows[0][x];
                    target[3 * x + 1] = rows[1][x];
                    target[3 * x + 2] = rows[2][x];
                }
            }
            if (n == 4) {
                // Adobe files store inverted CMYK; YCCK decodes to the complement of those.
                for (std::size_t x = 0; x < width; ++x) {
                    int k = rows[3][x];
                    for (std::size_t ch = 0; ch < 3; ++ch) {
                        int v = m_rgbRow[3 * x + ch];
                        if (m_ycc)
                            v = 255 - v;
                        dst[3 * x + ch] = std::uint8_t(v * k / 255);
                    }
                }
            }
        }
        m_sink.EndBand(yEnd);
    }

private:
    DecodeContext& m_ctx;
    JpegRowSink& m_sink;
    const JpegKernels& m_kernels = ActiveJpegKernels();
    std::vector<std::vector<std::uint8_t>> m_strips;
    std::vector<std::vector<std::uint8_t>> m_scratch;
    std::vector<std::size_t> m_strides;
    std::vector<std::array<float, 64>> m_multipliers;
    std::vector<std::optional<IntegerQuant>> m_quant;
    std::vector<std::uint8_t> m_rgbRow;
    bool m_ycc = false;
    bool m_halfChroma = false;
    bool m_pairs = false;
};

// Holds the whole image.
class ImageSink : public JpegRowSink {
public:
    void Begin(const DecodedImage& frame) override {
        m_image = frame;
        m_rowBytes = std::size_t(frame.width) * std::size_t(frame.channels);
        m_image.samples.resize(m_rowBytes * std::size_t(frame.height));
    }
    std::uint8_t* Row(int y) override {
        return m_image.samples.data() + m_rowBytes * std::size_t(y);
    }
    void EndBand(int) override {}
    DecodedImage Take() { return std::move(m_image); }

private:
    DecodedImage m_image;
    std::size_t m_rowBytes = 0;
};

} // namespace

void DecodeJpegRows(std::span<const std::uint8_t> data, JpegRowSink& sink,
                    const DecodeLimits& limits, const std::function<void(int)>& progress) {
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8)
        fatal("not a JPEG file");
    DecodeContext ctx;
    ctx.data = data;
    ctx.pos = 2;
    ctx.limits = limits;
    installStandardTables(ctx);
    std::optional<OutputWriter> writer;
    ctx.onMcuRow = [&](int my) {
        if (!writer)
            writer.emplace(ctx, sink);
        writer->Row(my);
    };
    try {
        readMarkers(ctx, progress);
    } catch (const EFatalError&) {
        // Damage after image data was read keeps what was decoded.
        if (ctx.scans == 0 || !ctx.coefficientsAllocated)
            throw;
    }
    if (!ctx.haveFrame || !ctx.coefficientsAllocated)
        fatal("no image data");
    // Rows not output yet: all of them unless streaming, else those a failure cut off.
    for (; ctx.rowsDone < ctx.mcusHigh; ++ctx.rowsDone)
        ctx.onMcuRow(ctx.rowsDone);
}

DecodedImage DecodeJpeg(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                        const std::function<void(int)>& progress) {
    ImageSink sink;
    DecodeJpegRows(data, sink, limits, progress);
    return sink.Take();
}

} // namespace pixelon::jpeg

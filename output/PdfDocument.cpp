#include "output/PdfDocument.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <stdexcept>

#include "output/PdfText.h"

namespace pixelon {

namespace {

// Palette pictures are deflated at level 6; predicted rows as runs and Huffman codes only
// (zlib's "RLE" strategy: long matches are rare in them and costly to find). The page content
// (operators, numbers, small pictures in hexadecimal) at level 1: on 100,000 small pictures
// level 6 took 2.5 times as long for a file 6 % smaller (see docs/performance.md).
constexpr int PictureLevel = 6;
constexpr int ContentLevel = 1;
constexpr std::size_t BlockSize = 1 << 20;

// The creation time: SOURCE_DATE_EPOCH when set, so that builds of the manual and tests can
// make the same file twice; otherwise now. UTC.
std::string CreationDate() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long value = std::strtoll(epoch, &end, 10);
        // A date has four digits for the year: later ones are not taken.
        if (end != epoch && *end == '\0' && value >= 0 && value <= 253'402'300'799LL)
            now = std::time_t(value);
    }
    std::tm utc{};
    if (!gmtime_r(&now, &utc) || utc.tm_year + 1900 > 9999 || utc.tm_year + 1900 < 0)
        return "(D:19700101000000Z)";
    char text[80];
    std::snprintf(text, sizeof text, "(D:%04d%02d%02d%02d%02d%02dZ)", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

// An indirect reference to object `number`.
std::string Reference(int number) {
    return std::to_string(number) + " 0 R";
}

} // namespace

Deflater::Deflater(int level, bool runsOnly)
    : m_stream(new z_stream{}), m_level(level), m_runsOnly(runsOnly) {
    if (deflateInit2(m_stream, level, Z_DEFLATED, 15, 8, runsOnly ? Z_RLE : Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        delete m_stream;
        throw std::bad_alloc();
    }
}

Deflater::~Deflater() {
    deflateEnd(m_stream);
    delete m_stream;
}

void Deflater::Compress(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    Compress(data, out, m_runsOnly);
}

void Deflater::Compress(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out,
                        bool runsOnly) {
    deflateReset(m_stream);
    // Before any input the strategy may change without flushing anything.
    deflateParams(m_stream, m_level, runsOnly ? Z_RLE : Z_DEFAULT_STRATEGY);
    out.resize(deflateBound(m_stream, uLong(data.size())));
    // zlib counts in 32 bits: larger inputs go in slices.
    m_stream->next_in = const_cast<Bytef*>(data.data());
    m_stream->next_out = out.data();
    std::size_t inLeft = data.size(), outLeft = out.size();
    int status = Z_OK;
    while (status == Z_OK) {
        const uInt in = uInt(std::min<std::size_t>(inLeft, 1u << 30));
        const uInt room = uInt(std::min<std::size_t>(outLeft, 1u << 30));
        m_stream->avail_in = in;
        m_stream->avail_out = room;
        status = deflate(m_stream, in == inLeft ? Z_FINISH : Z_NO_FLUSH);
        inLeft -= in - m_stream->avail_in;
        outLeft -= room - m_stream->avail_out;
        if (status == Z_BUF_ERROR && room == 0)
            break;
    }
    if (status != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    out.resize(out.size() - outLeft);
}

PdfDocument::PdfDocument(Sink sink)
    : m_sink(std::move(sink)), m_offsets(HelveticaBoldObject + 1, 0),
      m_pictureDeflater(PictureLevel, true), m_contentDeflater(ContentLevel, false) {
    m_buffer.reserve(BlockSize + 64 * 1024);
    // The binary comment tells transfer programs that the file is not text.
    Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    WriteObject(HelveticaObject, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                                 "/Encoding /WinAnsiEncoding >>");
    WriteObject(HelveticaBoldObject, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "
                                     "/Encoding /WinAnsiEncoding >>");
}

int PdfDocument::Reserve() {
    m_offsets.push_back(0);
    return int(m_offsets.size() - 1);
}

void PdfDocument::BeginObject(int number) {
    m_offsets.at(std::size_t(number)) = m_offset;
    Put(std::to_string(number));
    Put(" 0 obj\n");
}

void PdfDocument::WriteObject(int number, std::string_view body) {
    BeginObject(number);
    Put(body);
    Put("\nendobj\n");
}

void PdfDocument::WriteStream(int number, std::string_view entries,
                              std::span<const std::uint8_t> data) {
    BeginObject(number);
    Put("<< ");
    Put(entries);
    Put(" /Length ");
    Put(std::to_string(data.size()));
    Put(" >>\nstream\n");
    Put(data);
    Put("\nendstream\nendobj\n");
}

void PdfDocument::AddPage(std::string_view content, std::string_view resources, double widthPt,
                          double heightPt) {
    const int contentObject = Reserve();
    m_contentDeflater.Compress(
        {reinterpret_cast<const std::uint8_t*>(content.data()), content.size()}, m_compressed);
    WriteStream(contentObject, "/Filter /FlateDecode", m_compressed);
    const int page = Reserve();
    WriteObject(page, "<< /Type /Page /Parent " + Reference(PagesObject) + " /MediaBox [0 0 " +
                          PdfNumber(widthPt) + " " + PdfNumber(heightPt) +
                          "] /Resources << /Font << /F1 " + Reference(HelveticaObject) + " /F2 " +
                          Reference(HelveticaBoldObject) + " >> " + std::string(resources) +
                          " >> /Contents " + Reference(contentObject) + " >>");
    m_pages.push_back(page);
}

void PdfDocument::Finish(std::string_view title, std::string_view creator) {
    // Readers refuse a page tree without pages: a document nothing was drawn in gets one blank
    // A4 sheet, as a printer would give.
    if (m_pages.empty())
        AddPage("", "", 210 / 25.4 * 72, 297 / 25.4 * 72);
    const int info = Reserve();
    WriteObject(info, "<< /Title " + PdfTextString(title) + " /Creator " + PdfTextString(creator) +
                          " /Producer " + PdfTextString(creator) + " /CreationDate " +
                          CreationDate() + " >>");
    BeginObject(PagesObject);
    Put("<< /Type /Pages /Count ");
    Put(std::to_string(m_pages.size()));
    Put(" /Kids [");
    for (const int page : m_pages) {
        Put(std::to_string(page));
        Put(" 0 R ");
    }
    Put("] >>\nendobj\n");
    WriteObject(CatalogObject, "<< /Type /Catalog /Pages " + Reference(PagesObject) + " >>");

    const std::uint64_t xref = m_offset;
    // The cross-reference table has ten digits for an offset.
    if (xref > 9'999'999'999ULL)
        throw std::length_error("PDF larger than 10 GB");
    Put("xref\n0 " + std::to_string(m_offsets.size()) + "\n0000000000 65535 f \n");
    for (std::size_t n = 1; n < m_offsets.size(); ++n) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                      static_cast<unsigned long long>(m_offsets[n]));
        Put(entry);
    }
    Put("trailer\n<< /Size " + std::to_string(m_offsets.size()) + " /Root " +
        Reference(CatalogObject) + " /Info " + Reference(info) + " >>\nstartxref\n" +
        std::to_string(xref) + "\n%%EOF\n");
    Flush();
}

void PdfDocument::Put(std::string_view text) {
    Put({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void PdfDocument::Put(std::span<const std::uint8_t> bytes) {
    m_offset += bytes.size();
    if (bytes.size() >= BlockSize) {
        Flush();
        m_sink(bytes);
        return;
    }
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    if (m_buffer.size() >= BlockSize)
        Flush();
}

void PdfDocument::Flush() {
    if (m_buffer.empty())
        return;
    m_sink(m_buffer);
    m_buffer.clear();
}

} // namespace pixelon

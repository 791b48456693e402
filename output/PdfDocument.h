#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct z_stream_s;

namespace pixelon {

// zlib compression at one level, its state kept from stream to stream. `runsOnly` looks for
// runs of one byte instead of repeated strings.
class Deflater {
public:
    Deflater(int level, bool runsOnly);
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater();

    // `data` as one zlib stream, in place of what `out` held.
    void Compress(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);
    // The same, looking for runs only or not whatever the deflater was made for.
    void Compress(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out,
                  bool runsOnly);

private:
    z_stream_s* m_stream;
    int m_level;
    bool m_runsOnly;
};

// A PDF file written front to back: each object goes out as it is made, the page tree, the
// catalogue and the cross-reference table at the end, so nothing but the object offsets is
// kept. The bytes go to `sink` in blocks of about a megabyte; a sink that throws stops the
// document, and the exception reaches the caller.
class PdfDocument {
public:
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    // Object numbers of what every document has.
    static constexpr int CatalogObject = 1;
    static constexpr int PagesObject = 2;
    static constexpr int HelveticaObject = 3;
    static constexpr int HelveticaBoldObject = 4;

    explicit PdfDocument(Sink sink);

    // A number for an object written later.
    int Reserve();
    void WriteObject(int number, std::string_view body);
    // A stream object: `entries` are its dictionary's entries but the length.
    void WriteStream(int number, std::string_view entries, std::span<const std::uint8_t> data);
    // A page of `widthPt` x `heightPt` points drawn by `content` (compressed here), with the
    // resource entries `resources` (the standard fonts are always there).
    void AddPage(std::string_view content, std::string_view resources, double widthPt,
                 double heightPt);
    // The information dictionary, the page tree and the trailer; then the last block goes to
    // the sink.
    void Finish(std::string_view title, std::string_view creator);

    // The compression of pictures.
    Deflater& Compressor() { return m_pictureDeflater; }
    int PageCount() const { return int(m_pages.size()); }

private:
    void Put(std::string_view text);
    void Put(std::span<const std::uint8_t> bytes);
    void BeginObject(int number);
    void Flush();

    Sink m_sink;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_offset = 0;
    std::vector<std::uint64_t> m_offsets; // by object number; 0 while unwritten
    std::vector<int> m_pages;
    Deflater m_pictureDeflater;
    Deflater m_contentDeflater;
    std::vector<std::uint8_t> m_compressed;
};

} // namespace pixelon

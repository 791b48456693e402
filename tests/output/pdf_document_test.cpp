// Whole PDF files from the document and its page painter: their structure parsed here, and
// read by poppler's tools, which must find the pages, the images with their exact pixels and
// the text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "output/PdfDocument.h"
#include "output/PdfPagePainter.h"
#include "tests/codecs/codec_test_util.h"

namespace pixelon {
namespace {

using test::haveTool;
using test::readBytes;
using test::run;
using test::ScratchDir;

using Bytes = std::vector<std::uint8_t>;

std::string text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

PdfDocument::Sink collectInto(Bytes& out) {
    return [&out](std::span<const std::uint8_t> block) {
        out.insert(out.end(), block.begin(), block.end());
    };
}

// Checks the file's frame: the header, the cross-reference table found through "startxref",
// each in-use entry pointing at "n 0 obj", each stream as long as its /Length says, and the
// trailer's /Size; `objects` gets the table's size.
void checkStructure(const std::string& pdf, std::size_t* objects = nullptr) {
    EXPECT_EQ(pdf.substr(0, 9), "%PDF-1.4\n");
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
    const std::size_t start = pdf.rfind("startxref\n");
    if (start == std::string::npos) {
        ADD_FAILURE() << "no startxref";
        return;
    }
    const std::size_t xref = std::stoull(pdf.substr(start + 10));
    EXPECT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    std::size_t at = xref + 5;
    std::size_t first = 0, count = 0;
    std::sscanf(pdf.c_str() + at, "%zu %zu", &first, &count);
    if (objects)
        *objects = count;
    EXPECT_EQ(first, 0u);
    at = pdf.find('\n', at) + 1;
    EXPECT_EQ(pdf.substr(at, 20), "0000000000 65535 f \n");
    for (std::size_t n = 1; n < count; ++n) {
        const std::string entry = pdf.substr(at + n * 20, 20);
        SCOPED_TRACE("object " + std::to_string(n) + ": " + entry);
        ASSERT_EQ(entry.size(), 20u);
        ASSERT_EQ(entry.substr(10, 10), " 00000 n \n");
        const std::size_t offset = std::stoull(entry.substr(0, 10));
        const std::string head = std::to_string(n) + " 0 obj\n";
        ASSERT_EQ(pdf.compare(offset, head.size(), head), 0);
        // A stream's data ends where its length says.
        const std::size_t end = pdf.find("endobj\n", offset);
        const std::size_t stream = pdf.find(">>\nstream\n", offset);
        if (stream != std::string::npos && stream < end) {
            const std::size_t lengthAt = pdf.rfind("/Length ", stream);
            ASSERT_GT(lengthAt, offset);
            const std::size_t length = std::stoull(pdf.substr(lengthAt + 8));
            EXPECT_EQ(pdf.compare(stream + 10 + length, 18, "\nendstream\nendobj\n"), 0);
        }
    }
    EXPECT_EQ(pdf.compare(at + count * 20, 8, "trailer\n"), 0);
    EXPECT_NE(pdf.find("<< /Size " + std::to_string(count) + " ", at + count * 20),
              std::string::npos);
}

// `count` distinct colours mixed over a w x h bitmap, or greys when `grey`.
Surface bitmapOf(int width, int height, int count, bool grey = false, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::vector<Colour> colours;
    for (int i = 0; i < count; ++i) {
        const int v = count > 1 ? i * 255 / (count - 1) : 128;
        colours.push_back(grey ? rgb(v, v, v) : rgb(int(rng() & 0xFF), int(rng() & 0xFF), v));
    }
    Surface s(width, height, 0);
    int next = 0;
    for (Colour& c : s.pixels())
        c = colours[std::size_t(next < count ? next++ : int(rng() % unsigned(count)))];
    return s;
}

// The bitmaps of the drawn page, each pixel `scale` x `scale` page units, and what pdfimages
// calls their colour spaces.
struct Placed {
    Surface bitmap;
    std::string colour;
    int bits;
    bool inlined;
    int scale;
    PageRect target;
};

std::vector<Placed> bitmapsOfEveryLayout() {
    std::vector<Placed> placed = {
        {bitmapOf(9, 7, 2), "index", 1, true, 4, {}},
        {bitmapOf(7, 5, 3), "index", 2, true, 4, {}},
        {bitmapOf(3, 11, 5), "index", 4, true, 4, {}},
        {bitmapOf(15, 15, 17), "index", 8, true, 4, {}},
        {bitmapOf(21, 9, 20, true), "gray", 8, true, 4, {}},
        {bitmapOf(20, 15, 600), "rgb", 8, true, 4, {}},
        {bitmapOf(80, 70, 5000), "rgb", 8, false, 2, {}},
        {bitmapOf(90, 80, 40, true), "gray", 8, false, 2, {}},
        {bitmapOf(250, 150, 2), "index", 1, false, 2, {}},
        {bitmapOf(100, 90, 200), "index", 8, false, 2, {}},
    };
    // Left to right in rows, above y = 1000 where the text goes.
    double x = 40, y = 40, rowHeight = 0;
    for (Placed& p : placed) {
        const double w = p.bitmap.width() * p.scale, h = p.bitmap.height() * p.scale;
        if (x + w > 1100) {
            x = 40;
            y += rowHeight + 20;
            rowHeight = 0;
        }
        p.target = {x, y, x + w, y + h};
        x += w + 20;
        rowHeight = std::max(rowHeight, h);
    }
    return placed;
}

// Draws a fixed pattern for any text: the left half of a 40 x 20 block set, the right half
// clear.
class BlockRasterizer : public TextRasterizer {
public:
    double textWidth(const PageFont&, std::string_view) override { return 40; }
    TextMask render(const PageFont&, std::string_view) override {
        TextMask mask{40, 20, {}};
        for (int y = 0; y < 20; ++y)
            mask.bits.insert(mask.bits.end(), {0xFF, 0xFF, 0xF0, 0x00, 0x00});
        return mask;
    }
};

class PdfFiles : public ::testing::Test {
protected:
    void save(const Bytes& pdf, const std::string& name) { test::writeBytes(dir / name, pdf); }
    std::string p(const std::string& name) const { return (dir / name).string(); }
    // What `command` printed on its output and its error stream.
    std::string output(const std::string& command, std::string* errors = nullptr) {
        const bool ok = run(command + " >" + p("out.txt") + " 2>" + p("err.txt"));
        EXPECT_TRUE(ok) << command;
        if (errors)
            *errors = text(readBytes(dir / "err.txt"));
        return text(readBytes(dir / "out.txt"));
    }
    // pdfinfo's page count, with no complaint on its error stream.
    int pages(const std::string& name) {
        std::string errors;
        const std::string info = output("pdfinfo " + p(name), &errors);
        EXPECT_EQ(errors, "");
        std::smatch m;
        if (!std::regex_search(info, m, std::regex("Pages: +([0-9]+)")))
            return -1;
        return std::stoi(m[1]);
    }
    ScratchDir dir;
};

// Two pages at 144 dpi (a page unit is half a point): every image layout, Latin-1 and
// Cyrillic text and a stencil mask on the first, one line of text on the second.
Bytes drawnDocument(const std::vector<Placed>& placed, TextRasterizer* rasterizer) {
    Bytes pdf;
    PdfDocument document(collectInto(pdf));
    PdfPagePainter painter(document, 144, rasterizer);
    painter.StartPage();
    for (const Placed& p : placed)
        painter.drawBitmap(p.target, p.bitmap);
    painter.setFont({"MS Sans Serif", 40, 400, false});
    painter.drawText({100, 1000, 900, 1040},
                     "Gr\xC3\xBC\xC3\x9F"
                     "e (1\\2) caf\xC3\xA9",
                     TextAlign::Left);
    painter.setFont({"MS Sans Serif", 40, 700, true});
    painter.drawText({100, 1100, 900, 1140},
                     "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 Bold", TextAlign::Left);
    painter.drawLine(100, 1300, 1000, 1300);
    painter.StartPage();
    painter.setFont({"MS Sans Serif", 30, 400, false});
    painter.drawText({0, 200, 1190, 230}, "Second", TextAlign::Centre);
    painter.EndPage();
    document.Finish("Pages \xD0\x9F \xF0\x9F\x98\x80", "Pixelon");
    return pdf;
}

TEST_F(PdfFiles, PopplerReadsEveryImageLayoutWithItsExactPixels) {
    if (!haveTool("pdfimages") || !haveTool("pdfinfo") || !haveTool("convert"))
        GTEST_SKIP() << "poppler-utils or ImageMagick missing";
    const std::vector<Placed> placed = bitmapsOfEveryLayout();
    const Bytes pdf = drawnDocument(placed, nullptr);
    checkStructure(text(pdf));
    save(pdf, "layouts.pdf");
    EXPECT_EQ(pages("layouts.pdf"), 2);

    // One image a bitmap, each at its own size, kind and depth; the small ones inline.
    const std::string list = output("pdfimages -list " + p("layouts.pdf"));
    std::istringstream lines(list);
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    for (const Placed& expected : placed) {
        SCOPED_TRACE(std::to_string(expected.bitmap.width()) + " x " +
                     std::to_string(expected.bitmap.height()));
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream fields(line);
        int page, number, width, height, components, bits;
        std::string type, colour;
        fields >> page >> number >> type >> width >> height >> colour >> components >> bits;
        EXPECT_EQ(page, 1);
        EXPECT_EQ(type, "image");
        EXPECT_EQ(width, expected.bitmap.width());
        EXPECT_EQ(height, expected.bitmap.height());
        EXPECT_EQ(colour, expected.colour);
        EXPECT_EQ(bits, expected.bits);
        EXPECT_EQ(line.find("[inline]") != std::string::npos, expected.inlined) << line;
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;

    // The pixels pdfimages takes out of image objects are the bitmaps'. (It writes a 1-bit
    // image as black and white, and its inline images are not its own pixels, so those are
    // checked by rendering the page below.)
    ASSERT_TRUE(run("pdfimages -png " + p("layouts.pdf") + " " + p("img")));
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].inlined)
            continue;
        const std::string name = "img-00" + std::to_string(i);
        SCOPED_TRACE(name);
        ASSERT_TRUE(run("convert " + p(name + ".png") +
                        " -depth 8 -type TrueColor ppm:" + p(name + ".ppm")));
        const std::optional<Surface> image = test::readPpm(dir / (name + ".ppm"));
        ASSERT_TRUE(image);
        if (placed[i].bits > 1) {
            EXPECT_TRUE(*image == placed[i].bitmap);
            continue;
        }
        // Black and white in the same places as the two colours.
        ASSERT_EQ(image->width(), placed[i].bitmap.width());
        ASSERT_EQ(image->height(), placed[i].bitmap.height());
        const Colour first = placed[i].bitmap.pixel(0, 0), firstRead = image->pixel(0, 0);
        int wrong = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                wrong +=
                    (placed[i].bitmap.pixel(x, y) == first) != (image->pixel(x, y) == firstRead);
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(PdfFiles, PagesShowBitmapsUprightAndTextWhereItWasDrawn) {
    if (!haveTool("pdftoppm") || !haveTool("pdftotext"))
        GTEST_SKIP() << "poppler-utils missing";
    const std::vector<Placed> placed = bitmapsOfEveryLayout();
    BlockRasterizer rasterizer;
    save(drawnDocument(placed, &rasterizer), "drawn.pdf");
    save(drawnDocument(placed, nullptr), "plain.pdf");

    // At 288 dpi a page unit is two pixels: each bitmap pixel is 4 x 4 or 8 x 8, from which
    // poppler magnifies without smoothing, and the pixel at its centre has its exact colour.
    ASSERT_TRUE(run("pdftoppm -r 288 -f 1 -l 1 -singlefile " + p("drawn.pdf") + " " + p("page")));
    const std::optional<Surface> page = test::readPpm(dir / "page.ppm");
    ASSERT_TRUE(page);
    for (const Placed& p : placed) {
        int wrong = 0;
        for (int y = 0; y < p.bitmap.height(); ++y)
            for (int x = 0; x < p.bitmap.width(); ++x)
                wrong += page->pixel(int(p.target.left) * 2 + x * p.scale * 2 + p.scale,
                                     int(p.target.top) * 2 + y * p.scale * 2 + p.scale) !=
                         p.bitmap.pixel(x, y);
        EXPECT_EQ(wrong, 0) << p.bitmap.width() << " x " << p.bitmap.height();
    }
    // The rasterizer's mask: ink in its left half, none in its right, at the top of the box.
    const Colour black = rgb(0, 0, 0), white = rgb(255, 255, 255);
    const auto at = [&](double x, double y) { return page->pixel(int(x * 2), int(y * 2)); };
    EXPECT_EQ(at(110, 1110), black);
    EXPECT_EQ(at(119, 1118), black);
    EXPECT_EQ(at(125, 1110), white);
    EXPECT_EQ(at(110, 1125), white); // below the mask, above the underline
    EXPECT_EQ(at(130, 1136), black); // the underline
    // The line, one unit wide.
    EXPECT_EQ(at(500, 1300), black);
    EXPECT_EQ(at(500, 1302), white);

    // The Latin-1 text is text, at its place (points, from the top: half the page units);
    // without a rasterizer the Cyrillic letters are question marks.
    const std::string words = output("pdftotext -f 1 -l 1 -bbox " + p("plain.pdf") + " -");
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(words, m,
                          std::regex("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>Gr\xC3\xBC\xC3\x9F"
                                     "e<")))
        << words;
    // The glyphs' top lies between the top of the line and its baseline (16 points down).
    EXPECT_NEAR(std::stod(m[1]), 50, 0.5);
    EXPECT_GT(std::stod(m[2]), 500);
    EXPECT_LT(std::stod(m[2]), 510);
    EXPECT_NE(words.find(">(1\\2)<"), std::string::npos) << words;
    EXPECT_NE(words.find(">caf\xC3\xA9<"), std::string::npos);
    ASSERT_TRUE(
        std::regex_search(words, m, std::regex("yMin=\"([0-9.]+)\"[^>]*>\\?\\?\\?\\?\\?\\?<")))
        << words;
    EXPECT_GT(std::stod(m[1]), 550);
    EXPECT_LT(std::stod(m[1]), 560);
    EXPECT_NE(words.find(">Bold<"), std::string::npos);
    // Centred on the second page.
    const std::string second = output("pdftotext -f 2 -l 2 -bbox " + p("plain.pdf") + " -");
    ASSERT_TRUE(std::regex_search(
        second, m, std::regex("xMin=\"([0-9.]+)\"[^>]*xMax=\"([0-9.]+)\"[^>]*>Second<")))
        << second;
    EXPECT_NEAR((std::stod(m[1]) + std::stod(m[2])) / 2, 595.0 / 2, 2);
    // The title in the document information, beyond the basic plane too.
    EXPECT_TRUE(std::regex_search(output("pdfinfo " + p("plain.pdf")),
                                  std::regex("Title: +Pages \xD0\x9F \xF0\x9F\x98\x80\n")));
}

TEST_F(PdfFiles, ADocumentWithoutPagesGetsOneBlankPage) {
    // Readers refuse a page tree without pages.
    Bytes pdf;
    PdfDocument document(collectInto(pdf));
    document.Finish("", "Pixelon");
    std::size_t objects = 0;
    checkStructure(text(pdf), &objects);
    EXPECT_EQ(objects, 8u); // the fonts, catalogue and tree, the page, its content, the info
    EXPECT_NE(text(pdf).find("/Count 1 /Kids [6 0 R ]"), std::string::npos);
    if (!haveTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils missing";
    save(pdf, "empty.pdf");
    EXPECT_EQ(pages("empty.pdf"), 1);
    EXPECT_NE(output("pdfinfo " + p("empty.pdf")).find("595.276 x 841.89 pts (A4)"),
              std::string::npos);
}

TEST_F(PdfFiles, LargeStreamsGoStraightToTheSinkAndKeepTheOffsetsRight) {
    // Noise does not compress: a 1,000 x 700 bitmap is a stream of over 2 MB, written past the
    // block buffer.
    std::mt19937 rng(3);
    Surface noise(1000, 700);
    for (Colour& c : noise.pixels())
        c = rng() & 0xFFFFFF;
    Bytes pdf;
    std::vector<std::size_t> blocks;
    PdfDocument document([&](std::span<const std::uint8_t> block) {
        blocks.push_back(block.size());
        pdf.insert(pdf.end(), block.begin(), block.end());
    });
    PdfPagePainter painter(document, 300);
    for (int i = 0; i < 2; ++i) {
        painter.StartPage();
        painter.drawBitmap({10, 10, 1010, 710}, noise);
        painter.drawBitmap({10, 800, 30, 820}, Surface(2, 2, rgb(1, 2, 3)));
    }
    painter.EndPage();
    document.Finish("Noise", "Pixelon");
    EXPECT_GE(blocks.size(), 3u);
    checkStructure(text(pdf));
    if (!haveTool("pdfimages"))
        GTEST_SKIP() << "poppler-utils missing";
    save(pdf, "noise.pdf");
    EXPECT_EQ(pages("noise.pdf"), 2);
    ASSERT_TRUE(run("pdfimages -f 2 -png " + p("noise.pdf") + " " + p("img")));
    ASSERT_TRUE(
        run("convert " + p("img-000.png") + " -depth 8 -type TrueColor ppm:" + p("img.ppm")));
    const std::optional<Surface> image = test::readPpm(dir / "img.ppm");
    ASSERT_TRUE(image);
    EXPECT_TRUE(*image == noise);
}

// The creation date of a document finished with SOURCE_DATE_EPOCH set to `epoch` (unset when
// null); the variable is put back as it was.
std::string creationDate(const char* epoch, Bytes* pdf = nullptr) {
    const char* before = std::getenv("SOURCE_DATE_EPOCH");
    const std::string saved = before ? before : "";
    if (epoch)
        setenv("SOURCE_DATE_EPOCH", epoch, 1);
    else
        unsetenv("SOURCE_DATE_EPOCH");
    Bytes bytes;
    PdfDocument document(collectInto(bytes));
    document.Finish("Date", "Pixelon");
    if (before)
        setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1);
    else
        unsetenv("SOURCE_DATE_EPOCH");
    if (pdf)
        *pdf = bytes;
    std::smatch m;
    const std::string all = text(bytes);
    return std::regex_search(all, m, std::regex("/CreationDate \\(D:([^)]*)Z\\)")) ? m[1].str()
                                                                                   : "";
}

TEST(PdfDates, SourceDateEpochMakesTheSameFileTwiceWhileItIsAFourDigitYear) {
    Bytes first, second;
    EXPECT_EQ(creationDate("86400", &first), "19700102000000");
    creationDate("86400", &second);
    EXPECT_TRUE(first == second);
    EXPECT_EQ(creationDate("0"), "19700101000000");
    EXPECT_EQ(creationDate("253402300799"), "99991231235959");
    // Later years, negative and malformed values and none at all give the time now, always as
    // fourteen digits.
    const std::regex now("20[0-9]{12}");
    for (const char* epoch : std::initializer_list<const char*>{"253402300800", "99999999999999999",
                                                                "-5", "12abc", "", nullptr}) {
        SCOPED_TRACE(epoch ? epoch : "unset");
        EXPECT_TRUE(std::regex_match(creationDate(epoch), now));
    }
}

TEST_F(PdfFiles, ASinkThatFailsStopsTheDocumentWithItsError) {
    const auto failing = [](std::span<const std::uint8_t>) {
        throw std::runtime_error("disk full");
    };
    {
        // Small documents reach the sink only when finished.
        PdfDocument document(failing);
        PdfPagePainter painter(document, 300);
        painter.StartPage();
        painter.drawText({0, 0, 100, 20}, "x", TextAlign::Left);
        painter.EndPage();
        EXPECT_THROW(document.Finish("t", "Pixelon"), std::runtime_error);
    }
    {
        // A large stream meets the failure while it is written.
        std::mt19937 rng(9);
        Surface noise(700, 700);
        for (Colour& c : noise.pixels())
            c = rng() & 0xFFFFFF;
        PdfDocument document(failing);
        PdfPagePainter painter(document, 300);
        painter.StartPage();
        EXPECT_THROW(painter.drawBitmap({0, 0, 700, 700}, noise), std::runtime_error);
    }
}

} // namespace
} // namespace pixelon

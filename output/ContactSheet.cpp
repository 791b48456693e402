#include "output/ContactSheet.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>

#include "codecs/BitStream.h"
#include "codecs/FileBytes.h"
#include "codecs/GifWriter.h"
#include "codecs/PngCodec.h"
#include "codecs/RasterFile.h"
#include "core/Colours.h"
#include "core/Document.h"
#include "core/Portfolio.h"
#include "output/SheetLabel.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

constexpr Colour Black = rgb(0, 0, 0);

// The depth a picture needs on the sheet. Pictures holding grey indices say so by their
// display depth; the others are classified by their colours.
int sheetDepthOf(const CPicture& picture) {
    if (picture.m_nDepth <= 2)
        return std::max(picture.m_nDepth, 1);
    return std::max(picture.DepthClass(), 1);
}

bool hasStorage(const CPicture& picture) {
    return picture.m_nWidth > 0 && picture.m_nHeight > 0 &&
           picture.m_pixels.size() >= std::size_t(picture.m_nWidth) * picture.m_nHeight * 2;
}

// Draws the outline of `frame` one pixel wide inside its edges.
void drawFrame(Surface& s, Rect frame, Colour pen) {
    s.fillRect({frame.left, frame.top, frame.right, frame.top + 1}, pen);
    s.fillRect({frame.left, frame.bottom - 1, frame.right, frame.bottom}, pen);
    s.fillRect({frame.left, frame.top, frame.left + 1, frame.bottom}, pen);
    s.fillRect({frame.right - 1, frame.top, frame.right, frame.bottom}, pen);
}

constexpr std::array<Colour, 256> makeSheetPalette() {
    constexpr int RedGreen[8] = {0, 37, 73, 110, 146, 183, 219, 255};
    constexpr int Blue[4] = {0, 85, 170, 255};
    std::array<Colour, 256> palette{};
    for (int r = 0; r < 8; ++r)
        for (int g = 0; g < 8; ++g)
            for (int b = 0; b < 4; ++b)
                palette[std::size_t(r * 32 + g * 4 + b)] = rgb(RedGreen[r], RedGreen[g], Blue[b]);
    return palette;
}
constexpr std::array<Colour, 256> sheetPalette = makeSheetPalette();

int gifBitsOf(int depth) {
    // GIF's LZW needs a minimum code size of at least 2, so one-bit sheets store 2-bit pixels.
    return depth >= 8 ? 8 : 2;
}

} // namespace

SheetGeometry SheetGeometry::For(const CPortfolio& portfolio) {
    SheetGeometry g;
    int widest = 0, tallest = 0;
    for (const auto& picture : portfolio.m_pictures) {
        widest = std::max(widest, picture->m_nWidth);
        tallest = std::max(tallest, picture->m_nHeight);
    }
    g.cellWidth = std::clamp(widest, MinCell, MaxCell);
    g.cellHeight = std::clamp(tallest, MinCell, MaxCell);
    const int n = portfolio.Count();
    g.columns = std::min(n, Columns);
    g.rows = (n + Columns - 1) / Columns;
    return g;
}

Rect SheetGeometry::Frame(int index) const {
    const int column = index % Columns, row = index / Columns;
    const int x = column * (cellWidth + 5);
    const int y = 1 + row * (cellHeight + 26);
    return {x + 1, y, x + cellWidth + 5, y + cellHeight + 4};
}

std::span<const Colour> SheetPalette() {
    return sheetPalette;
}

ContactSheet RenderContactSheet(const CPortfolio& portfolio, ProgressWindow* progress) {
    const SheetGeometry g = SheetGeometry::For(portfolio);
    ContactSheet sheet;
    sheet.bitmap = Surface(g.Width(), g.Height(), rgb(255, 255, 255));
    for (int i = 0; i < portfolio.Count(); ++i) {
        const CPicture& picture = portfolio.Picture(i);
        const Rect frame = g.Frame(i);
        drawFrame(sheet.bitmap, frame, Black);
        if (hasStorage(picture)) {
            picture.Draw(sheet.bitmap, frame.left + 2, frame.top + 2, -1, g.cellWidth,
                         g.cellHeight);
            sheet.depth = std::max(sheet.depth, sheetDepthOf(picture));
        }
        DrawLabel(sheet.bitmap, std::to_string(picture.m_nId),
                  {frame.left, frame.top, frame.right, frame.top + g.cellHeight + 21}, Black);
        if (progress)
            progress->Step(i + 1);
    }
    return sheet;
}

std::vector<Colour> SheetColourTable(int depth) {
    if (depth >= 8)
        return {sheetPalette.begin(), sheetPalette.end()};
    if (depth == 2)
        return {GreyMap.colours, GreyMap.colours + 4};
    return {colourBlack, colourWhite};
}

std::vector<std::uint8_t> SheetIndices(const ContactSheet& sheet) {
    std::vector<std::uint8_t> indices;
    indices.reserve(sheet.bitmap.pixels().size());
    for (Colour c : sheet.bitmap.pixels()) {
        int index;
        if (sheet.depth >= 8)
            index = cubeIndex(c);
        else if (sheet.depth == 2)
            index = mapIndex(c, GreyMap);
        else
            index = mapIndex(c, GreyMap) >> 1; // dark greys to black, light greys to white
        indices.push_back(std::uint8_t(index));
    }
    return indices;
}

GifFile ContactSheetGif(const ContactSheet& sheet) {
    const int depth = sheet.depth >= 8 ? 8 : sheet.depth;
    GifFile gif;
    gif.screenWidth = std::uint16_t(sheet.bitmap.width());
    gif.screenHeight = std::uint16_t(sheet.bitmap.height());
    gif.flags = sheet.depth == 16 ? 0xF7 : std::uint8_t(0x80 | (depth - 1) << 4 | (depth - 1));
    gif.globalTable = GifColourTable{SheetColourTable(sheet.depth)};

    GifImage image;
    image.width = gif.screenWidth;
    image.height = gif.screenHeight;
    image.bitsPerPixel = std::uint8_t(gifBitsOf(sheet.depth));
    const std::vector<std::uint8_t> indices = SheetIndices(sheet);
    if (image.bitsPerPixel == 8) {
        image.pixels = indices;
    } else {
        BitPacker packer(image.BufferSize(), 0, BitOrder::LsbFirst);
        for (std::uint8_t index : indices)
            packer.Write(index, image.bitsPerPixel);
        image.pixels = packer.Take();
        image.pixels.resize(image.BufferSize(), 0);
    }
    gif.images.push_back(std::move(image));
    return gif;
}

std::vector<std::uint8_t> ContactSheetBmp(const ContactSheet& sheet) {
    std::vector<Colour> palette = SheetColourTable(sheet.depth);
    if (sheet.depth == 16)
        for (Colour& c : palette)
            c = fromRgb565(toRgb565(c));
    palette.resize(256, 0);
    return EncodeBmp8(sheet.bitmap.width(), sheet.bitmap.height(), palette, SheetIndices(sheet));
}

std::string SheetSizeRefusal(const SheetGeometry& geometry, SheetFormat format) {
    if (format == SheetFormat::Gif && geometry.Height() > MaxSheetSide)
        return "The contact sheet would be taller than " + std::to_string(MaxSheetSide) +
               " pixels.";
    if ((long long)geometry.Width() * geometry.Height() > MaxSheetPixels)
        return "The contact sheet would be larger than " + std::to_string(MaxSheetPixels) +
               " pixels.";
    return {};
}

bool ExportContactSheet(const CPortfolio& portfolio, const std::filesystem::path& path,
                        SheetFormat format, Feedback& feedback) {
    const std::string failure = "Unable to save file.\n" + path.string();
    if (portfolio.Count() == 0) {
        feedback.message(failure + "\nThe portfolio holds no pictures.", MessageIcon::Stop);
        return false;
    }
    const std::string refusal = SheetSizeRefusal(SheetGeometry::For(portfolio), format);
    if (!refusal.empty()) {
        feedback.message(failure + "\n" + refusal, MessageIcon::Stop);
        return false;
    }
    ProgressWindow& progress = feedback.progress();
    progress.Open(SheetProgressTitle, "Building Contact Sheet...", 0, portfolio.Count());
    std::vector<std::uint8_t> bytes;
    try {
        const ContactSheet sheet = RenderContactSheet(portfolio, &progress);
        if (format == SheetFormat::Gif) {
            progress.SetText("Building GIF...");
            const GifFile gif = ContactSheetGif(sheet);
            progress.SetText("Saving GIF...");
            bytes = EncodeGifFile(gif);
        } else if (format == SheetFormat::Png) {
            progress.SetText("Building PNG...");
            bytes = ContactSheetPng(sheet);
        } else {
            progress.SetText("Building BMP...");
            bytes = ContactSheetBmp(sheet);
        }
    } catch (const std::bad_alloc&) {
        progress.Close();
        feedback.message(failure + "\nThere is not enough memory for the contact sheet.",
                         MessageIcon::Stop);
        return false;
    }
    const bool saved = !bytes.empty() && WriteFileAtomically(path, bytes);
    if (!saved)
        feedback.message(failure, MessageIcon::Stop);
    progress.Close();
    return saved;
}

std::vector<std::uint8_t> ContactSheetPng(const ContactSheet& sheet) {
    // The GIF's colours and pixels, as a palette image of the sheet's depth.
    // Written from the indices: a copy of a tall sheet as colours would double its memory.
    const std::vector<Colour> table = SheetColourTable(sheet.depth);
    const std::vector<std::uint8_t> indices = SheetIndices(sheet);
    PngIndexed png;
    png.width = sheet.bitmap.width();
    png.height = sheet.bitmap.height();
    png.indices = indices;
    png.palette = table;
    png.bits = sheet.depth <= 2 ? std::max(sheet.depth, 1) : 8;
    auto encoded = EncodeIndexedPng(png);
    auto* bytes = std::get_if<std::vector<std::uint8_t>>(&encoded);
    return bytes ? std::move(*bytes) : std::vector<std::uint8_t>{};
}

std::string DefaultSheetName(std::string_view documentPath) {
    const std::string stem = std::filesystem::path(documentPath).stem().string();
    return stem.empty() ? std::string(SheetDefaultName)
                        : stem + " " + std::string(SheetDefaultName);
}

bool RunContactSheetExport(const CPortfolio& portfolio, std::string_view documentPath,
                           FileChooser& chooser, Feedback& feedback) {
    FileRequest request;
    request.title = "Export Contact Sheet";
    request.filter = std::string(SheetFileFilter);
    request.defaultExt = "gif";
    request.defaultName = DefaultSheetName(documentPath);
    const std::optional<FileAnswer> answer = chooser.chooseSave(request);
    if (!answer || answer->paths.empty())
        return false;
    const SheetFormat format = answer->filterIndex == 2   ? SheetFormat::Bmp
                               : answer->filterIndex == 3 ? SheetFormat::Png
                                                          : SheetFormat::Gif;
    return ExportContactSheet(portfolio, answer->paths.front(), format, feedback);
}

} // namespace pixelon

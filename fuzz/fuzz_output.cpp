// fuzz-links: output operations codecs core platform
// Reads bytes as a portfolio, then lays it out and draws it as the printer, the contact sheet
// and the Portfolio Viewer would: none may fault on whatever sizes and pixels the file holds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codecs/GifWriter.h"
#include "fuzz/FuzzPortfolio.h"
#include "output/ContactSheet.h"
#include "output/PortfolioViewer.h"
#include "output/PrintPage.h"

using namespace pixelon;

namespace {

// Measures every byte as 7 units and draws nothing.
class NullPainter : public PagePainter {
public:
    bool setFont(const PageFont&) override { return true; }
    double textWidth(std::string_view text) override { return 7.0 * double(text.size()); }
    void drawText(const PageRect&, std::string_view, TextAlign) override {}
    void drawBitmap(const PageRect&, const Surface&) override {}
    void drawLine(double, double, double, double) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 64 * 1024)
        return 0;
    // The first byte picks the viewer's width and the print resolution.
    const int areaWidth = 40 + data[0] * 4;
    const int resolution = data[0] % 4;
    fuzz::FuzzPortfolio input(fuzz::bytesAsText(data + 1, size - 1));
    CPortfolio& portfolio = input.folio;
    RecordingFeedback& feedback = input.feedback;
    if (portfolio.Count() == 0 || portfolio.Count() > 300)
        return 0;

    const PrintJob job(portfolio, resolution);
    NullPainter painter;
    for (int page = 1; page <= job.PageCount() + 1; ++page)
        job.DrawPage(painter, page, {"fuzz.pfo", {}}, {true, true}, feedback);

    if (SheetGeometry::For(portfolio).Height() <= MaxSheetSide) {
        const ContactSheet sheet = RenderContactSheet(portfolio);
        EncodeGifFile(ContactSheetGif(sheet));
        ContactSheetBmp(sheet);
    }

    PortfolioViewer viewer(portfolio, "fuzz.pfo", feedback);
    viewer.SetCanvasLimit(4 << 20);
    viewer.SetAreaSize(areaWidth, 200);
    viewer.Build(true);
    viewer.Click(areaWidth / 2, 10);
    viewer.InfoText();
    viewer.SelectedBitmap();
    return 0;
}

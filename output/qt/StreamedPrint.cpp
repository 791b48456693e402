// Printing a portfolio file page by page as it is read.

#include <filesystem>
#include <string>
#include <vector>

#include "core/Portfolio.h"
#include "operations/DuplicateCheck.h"
#include "output/PageStream.h"
#include "output/qt/PdfFile.h"
#include "output/qt/PdfPages.h"
#include "output/qt/QtPagePainter.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// Why a streamed print could not go on as it began.
enum class Restart { None, OutOfOrder, HeadingChanged };

} // namespace

bool PrintPortfolioFile(const std::filesystem::path& portfolioPath, CPortfolio& folio,
                        const std::filesystem::path& pdfPath, const PdfRequest& request,
                        Feedback& feedback, Feedback& readFeedback) {
    if (!AnyFontAvailable()) {
        feedback.message(FontFailedText, MessageIcon::Exclamation);
        return false;
    }
    // The whole portfolio, read and printed from memory.
    const auto printWhole = [&] {
        folio.m_pictures.clear();
        if (!folio.ReadFile(portfolioPath, readFeedback))
            return false;
        CheckDuplicateIds(folio, folio.m_strName, feedback, false);
        return WritePortfolioPdf(folio, pdfPath, request, feedback);
    };
    // A pipe or a device gives its data only once: should its pictures turn out to need the
    // whole portfolio, they could not be read again. Such a source is read whole at once.
    std::error_code error;
    if (!std::filesystem::is_regular_file(portfolioPath, error))
        return printWhole();

    PdfFile pdf(pdfPath);
    const PageHeader header{request.documentTitle, request.stamp};
    const PageOptions options{true, request.grid};
    // The heading the pages were drawn with: the file's header lines come before its pictures,
    // so the first page already knows it.
    PortfolioHeading drawnHeading;
    PageStream pages(request.resolution, [&](int page, std::span<const PlacedPicture> placed) {
        if (page == 1) {
            drawnHeading = HeadingOf(folio);
            // The file is made only now, so that a portfolio refused early leaves it alone.
            if (!pdf.Begin(pages.Metrics().dotsPerInch, drawnHeading.title, feedback))
                return false;
        }
        feedback.progress().SetText("Page " + std::to_string(page));
        // Once a write has failed (a full disk) the pages that follow are lost: the print
        // stops there rather than reading and drawing the rest for nothing.
        return DrawPrintedPage(pdf.NextPage(), pages.Metrics(), drawnHeading, page, placed, header,
                               options, feedback) &&
               !pdf.Failed();
    });

    Restart restart = Restart::None;
    bool pageFailed = false;
    int lastId = -1;
    // In ascending order, the same ID twice comes in a row.
    std::vector<int> duplicates;
    const bool read = folio.StreamFile(
        portfolioPath, readFeedback,
        [&](std::unique_ptr<CPicture> picture) {
            const int id = picture->m_nId;
            if (id < lastId) {
                restart = Restart::OutOfOrder;
                return false;
            }
            if (id == lastId && (duplicates.empty() || duplicates.back() != id))
                duplicates.push_back(id);
            lastId = id;
            pageFailed = !pages.Add(std::move(picture));
            return !pageFailed;
        },
        "Printing...");
    if (pdf.Failed())
        return pdf.Finish(feedback); // tells why the file could not be written
    if (!read && restart == Restart::None)
        return false; // the reader or the page told the user
    if (read && pages.PagesDone() > 0 && HeadingOf(folio) != drawnHeading)
        restart = Restart::HeadingChanged;

    if (restart != Restart::None) {
        // Pages already written may be wrong: the whole portfolio is read and printed instead.
        pdf.Abandon();
        return printWhole();
    }
    if (!duplicates.empty())
        feedback.message(DuplicateIdsText(duplicates, folio.m_strName), MessageIcon::Exclamation);
    if (!pages.Finish() && !pdf.Failed())
        return false; // the page told the user
    return pdf.Finish(feedback);
}

} // namespace pixelon

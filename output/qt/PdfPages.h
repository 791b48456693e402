#pragma once

#include <filesystem>
#include <string>

#include "output/PrintPage.h"

class QPagedPaintDevice;

namespace pixelon {

class CPortfolio;
class Feedback;
class ProgressWindow;

// Draws pages `from` to `to` (1-based, inclusive) of the job on a printer or PDF writer, one
// device page each. The page is scaled from the resolution it was laid out for to the device's.
// False when a page could not be drawn (the user was told). An open `progress` window is told
// each page.
bool PaintPages(QPagedPaintDevice& device, const PrintJob& job, const PageHeader& header,
                const PageOptions& options, int from, int to, Feedback& feedback,
                ProgressWindow* progress = nullptr);

struct PdfRequest {
    int resolution = 0; // the printer resolution choice, 0..2
    bool grid = false;
    std::string documentTitle;
    FileStamp stamp;
};

// Writes every page of the portfolio as a PDF file, as printing would (with the grid when
// asked), under the progress window "Printing...". The previous file is kept when the write
// fails.
bool WritePortfolioPdf(const CPortfolio& portfolio, const std::filesystem::path& path,
                       const PdfRequest& request, Feedback& feedback);

// Prints the portfolio file at `portfolioPath` as WritePortfolioPdf prints the portfolio it holds,
// reading one picture at a time: each page is drawn as soon as its pictures are read and they
// are dropped once it is, so memory does not grow with the number of pictures. `folio` gets the
// portfolio's name, notes and metrics but no pictures; its FailedLine() tells where a failed
// read stopped. The reader's messages go to `readFeedback`, the others to `feedback`.
// A file whose pictures are out of ID order, or whose name or notes change after the first
// page, is printed again from the whole portfolio read into memory, as the reader sorts it.
// A source that is not a regular file (a pipe, a device) cannot be read twice and is read
// whole from the start.
// A file that fails to read leaves the previous PDF as it was.
bool PrintPortfolioFile(const std::filesystem::path& portfolioPath, CPortfolio& folio,
                        const std::filesystem::path& pdfPath, const PdfRequest& request,
                        Feedback& feedback, Feedback& readFeedback);

} // namespace pixelon

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

} // namespace pixelon

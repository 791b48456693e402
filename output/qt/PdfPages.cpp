#include "output/qt/PdfPages.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <string>

#include "output/qt/PdfFile.h"
#include "output/qt/QtPagePainter.h"
#include "platform/Feedback.h"

namespace pixelon {

bool PaintPages(QPagedPaintDevice& device, const PrintJob& job, const PageHeader& header,
                const PageOptions& options, int from, int to, Feedback& feedback,
                ProgressWindow* progress) {
    QPainter painter;
    if (!painter.begin(&device)) {
        feedback.message("The printer could not be opened.", MessageIcon::Stop);
        return false;
    }
    const double devicePerUnit = double(device.logicalDpiX()) / job.Metrics().dotsPerInch;
    QtPagePainter pagePainter(painter, devicePerUnit);
    bool ok = true;
    for (int page = from; page <= to && ok; ++page) {
        if (page > from)
            device.newPage();
        if (progress) {
            progress->SetText("Page " + std::to_string(page) + " of " + std::to_string(to));
            progress->Step(page - from);
        }
        ok = job.DrawPage(pagePainter, page, header, options, feedback);
    }
    painter.end();
    return ok;
}

bool WritePortfolioPdf(const CPortfolio& portfolio, const std::filesystem::path& path,
                       const PdfRequest& request, Feedback& feedback) {
    const PrintJob job(portfolio, request.resolution);
    // Checked before the file is opened, so that a job that cannot draw leaves it untouched.
    if (!AnyFontAvailable()) {
        feedback.message(FontFailedText, MessageIcon::Exclamation);
        return false;
    }
    PdfFile pdf(path);
    if (!pdf.Begin(job.Metrics().dotsPerInch, job.TitleText(), feedback))
        return false;
    const PageHeader header{request.documentTitle, request.stamp};
    const PageOptions options{true, request.grid};
    ProgressWindow& progress = feedback.progress();
    const int pages = job.PageCount();
    progress.Open("Printing...", "", 0, pages);
    for (int page = 1; page <= pages; ++page) {
        progress.SetText("Page " + std::to_string(page) + " of " + std::to_string(pages));
        progress.Step(page - 1);
        if (!job.DrawPage(pdf.NextPage(), page, header, options, feedback)) {
            progress.Close();
            return false;
        }
        if (pdf.Failed())
            break; // Finish tells why
    }
    progress.Close();
    return pdf.Finish(feedback);
}

} // namespace pixelon

#include "output/qt/PdfPages.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <string>

#include "codecs/FileBytes.h"
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
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(job.Metrics().dotsPerInch);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QString::fromStdString(job.TitleText()));
        writer.setCreator(QStringLiteral("Pixelon"));
        const PageHeader header{request.documentTitle, request.stamp};
        const PageOptions options{true, request.grid};
        ProgressWindow& progress = feedback.progress();
        progress.Open("Printing...", "", 0, job.PageCount());
        const bool painted =
            PaintPages(writer, job, header, options, 1, job.PageCount(), feedback, &progress);
        progress.Close();
        if (!painted)
            return false;
    }
    const QByteArray& bytes = buffer.data();
    int error = 0;
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             std::size_t(bytes.size()));
    if (!WriteFileAtomically(path, data, &error)) {
        feedback.message(SaveFailureText(error), MessageIcon::Stop);
        return false;
    }
    return true;
}

} // namespace pixelon

#include "output/qt/PdfPages.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cerrno>
#include <string>
#include <vector>

#include "codecs/FileBytes.h"
#include "core/AtomicFile.h"
#include "output/qt/QtPagePainter.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

// The PDF writer's output, passed on to an AtomicFile in large blocks as the pages are drawn,
// so that no page is kept in memory once written. A write error is kept and reported at the
// end; Qt only sees that the write failed.
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file) : m_file(file) { m_buffer.reserve(BlockSize); }

    bool isSequential() const override { return true; }
    // Writes what is still buffered; the errno of the first failed write, or 0.
    int finish() {
        flushBuffer();
        return m_error;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_error)
            return -1;
        m_buffer.insert(m_buffer.end(), reinterpret_cast<const std::uint8_t*>(data),
                        reinterpret_cast<const std::uint8_t*>(data) + size);
        if (m_buffer.size() >= BlockSize)
            flushBuffer();
        return m_error ? -1 : size;
    }

private:
    static constexpr std::size_t BlockSize = 1 << 20;

    void flushBuffer() {
        if (!m_error && !m_buffer.empty()) {
            try {
                m_file.write(m_buffer);
            } catch (const EFileError& e) {
                m_error = e.Errno() ? e.Errno() : EIO;
            }
        }
        m_buffer.clear();
    }

    AtomicFile& m_file;
    std::vector<std::uint8_t> m_buffer;
    int m_error = 0;
};

} // namespace

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
    try {
        // The pages stream into a temporary file beside the target, which replaces the
        // target only once the whole document is written.
        AtomicFile file(path);
        AtomicFileDevice device(file);
        device.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&device);
            writer.setResolution(job.Metrics().dotsPerInch);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(0, 0, 0, 0)));
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
        if (const int error = device.finish()) {
            feedback.message(SaveFailureText(error), MessageIcon::Stop);
            return false;
        }
        file.commit();
    } catch (const EFileError& e) {
        feedback.message(SaveFailureText(e.Errno()), MessageIcon::Stop);
        return false;
    }
    return true;
}

} // namespace pixelon

#include "output/qt/PdfFile.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cerrno>
#include <optional>
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

// Declared in the order they are made; destroyed the other way round, the painter first.
struct PdfFile::Open {
    explicit Open(const std::filesystem::path& path) : file(path), device(file) {}
    AtomicFile file;
    AtomicFileDevice device;
    std::optional<QPdfWriter> writer;
    QPainter painter;
    std::optional<QtPagePainter> pagePainter;
};

PdfFile::PdfFile(std::filesystem::path path) : m_path(std::move(path)) {}

PdfFile::~PdfFile() = default;

bool PdfFile::Begin(int dotsPerInch, const std::string& title, Feedback& feedback) {
    try {
        m_open = std::make_unique<Open>(m_path);
    } catch (const EFileError& e) {
        feedback.message(SaveFailureText(e.Errno()), MessageIcon::Stop);
        return false;
    }
    Open& open = *m_open;
    open.device.open(QIODevice::WriteOnly);
    QPdfWriter& writer = open.writer.emplace(&open.device);
    writer.setResolution(dotsPerInch);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle(QString::fromStdString(title));
    writer.setCreator(QStringLiteral("Pixelon"));
    if (!open.painter.begin(&writer)) {
        m_open.reset();
        feedback.message("The printer could not be opened.", MessageIcon::Stop);
        return false;
    }
    open.pagePainter.emplace(open.painter, double(writer.logicalDpiX()) / dotsPerInch);
    m_firstPage = true;
    return true;
}

PagePainter& PdfFile::NextPage() {
    if (!m_firstPage)
        m_open->writer->newPage();
    m_firstPage = false;
    return *m_open->pagePainter;
}

bool PdfFile::Finish(Feedback& feedback) {
    if (!m_open)
        return false;
    m_open->pagePainter.reset();
    m_open->painter.end();
    m_open->writer.reset();
    try {
        if (const int error = m_open->device.finish()) {
            m_open.reset();
            feedback.message(SaveFailureText(error), MessageIcon::Stop);
            return false;
        }
        m_open->file.commit();
    } catch (const EFileError& e) {
        m_open.reset();
        feedback.message(SaveFailureText(e.Errno()), MessageIcon::Stop);
        return false;
    }
    m_open.reset();
    return true;
}

void PdfFile::Abandon() {
    m_open.reset();
}

} // namespace pixelon

#include "output/qt/PdfFile.h"

#include <cerrno>
#include <exception>
#include <stdexcept>

#include "codecs/FileBytes.h"
#include "core/AtomicFile.h"
#include "output/PdfDocument.h"
#include "output/PdfPagePainter.h"
#include "output/qt/QtTextRasterizer.h"
#include "platform/Feedback.h"

namespace pixelon {

// Declared in the order they are made; destroyed the other way round, the painter first.
struct PdfFile::Open {
    Open(const std::filesystem::path& path, int dotsPerInch)
        : file(path), document([this](std::span<const std::uint8_t> bytes) { write(bytes); }),
          painter(document, dotsPerInch, &rasterizer) {}

    // The document's bytes go to the file; the first failure is kept for Finish and what
    // follows it is dropped, so that drawing never meets an exception.
    void write(std::span<const std::uint8_t> bytes) {
        if (error)
            return;
        try {
            file.write(bytes);
        } catch (const EFileError& e) {
            error = e.Errno() ? e.Errno() : EIO;
        }
    }

    AtomicFile file;
    int error = 0;
    PdfDocument document;
    QtTextRasterizer rasterizer;
    PdfPagePainter painter;
    std::string title;
};

PdfFile::PdfFile(std::filesystem::path path) : m_path(std::move(path)) {}

PdfFile::~PdfFile() = default;

bool PdfFile::Begin(int dotsPerInch, const std::string& title, Feedback& feedback) {
    try {
        m_open = std::make_unique<Open>(m_path, dotsPerInch);
    } catch (const EFileError& e) {
        feedback.message(SaveFailureText(e.Errno()), MessageIcon::Stop);
        return false;
    }
    m_open->title = title;
    m_firstPage = true;
    return true;
}

bool PdfFile::Failed() const {
    return m_open && m_open->error != 0;
}

PagePainter& PdfFile::NextPage() {
    m_open->painter.StartPage();
    m_firstPage = false;
    return m_open->painter;
}

bool PdfFile::Finish(Feedback& feedback) {
    if (!m_open)
        return false;
    Open& open = *m_open;
    // A document always has a page, as a printer always gives one sheet.
    if (m_firstPage)
        open.painter.StartPage();
    open.painter.EndPage();
    int error = 0;
    try {
        open.document.Finish(open.title, "Pixelon");
        error = open.error;
        if (!error)
            open.file.commit();
    } catch (const EFileError& e) {
        error = e.Errno() ? e.Errno() : EIO;
    } catch (const std::length_error&) {
        error = EFBIG;
    }
    m_open.reset();
    if (error) {
        feedback.message(SaveFailureText(error), MessageIcon::Stop);
        return false;
    }
    return true;
}

void PdfFile::Abandon() {
    m_open.reset();
}

} // namespace pixelon

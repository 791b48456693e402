// pixelon print: the printed pages of a portfolio, written as a PDF file.

#include <cstdio>
#include <filesystem>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <string>
#include <utility>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "cli/qt/GuiSession.h"
#include "cli/qt/QtCommands.h"
#include "core/Document.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

#ifdef PIXELON_HAVE_QTGUI
#include "output/qt/PdfPages.h"
#endif

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon print PORTFOLIO -o OUT.pdf [--resolution 0|1|2] [--grid]
                     [--quiet]

Writes the pages the program prints for the portfolio as a PDF file (A4): a
header with the portfolio's name, the file name, its date and the page number,
the notes, then every picture magnified with its ID under it.

  -o OUT.pdf        the file to write
  --resolution R    0 Low Res (300dpi, the default), 1 Hi Res (600dpi),
                    2 Test resolution (~900dpi)
  --grid            draw every picture's pixel grid
  --quiet           no progress line on standard error (drawn only on a
                    terminal)
)";

// The reader's messages name the portfolio and the line it stopped at, as readPortfolio's do;
// the messages of the PDF file, written meanwhile, do not.
class ReaderFeedback : public Feedback {
public:
    ReaderFeedback(CliFeedback& feedback, std::string path, const CPortfolio& folio)
        : m_feedback(feedback), m_path(std::move(path)), m_folio(folio) {}
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override {
        m_feedback.setSubject(m_path, [this] { return m_folio.FailedLine(); });
        const Answer answer = m_feedback.message(text, icon, buttons);
        m_feedback.clearSubject();
        return answer;
    }
    ProgressWindow& progress() override { return m_feedback.progress(); }

private:
    CliFeedback& m_feedback;
    std::string m_path;
    const CPortfolio& m_folio;
};

} // namespace

int runPrintWithQt(std::span<const std::string> args) {
    Args parsed(args, {"-o", "--resolution"}, {"--grid", "--quiet"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const std::string out = parsed.required("-o");
    const int resolution = parsed.integer("--resolution", 0);
    if (resolution < 0 || resolution > 2)
        throw UsageError("--resolution must be 0, 1 or 2");
    // The PDF would replace the portfolio it is printed from.
    std::error_code same;
    if (std::filesystem::equivalent(parsed.positional()[0], out, same))
        throw UsageError("-o names the portfolio being printed: " + out);
#ifdef PIXELON_HAVE_QTGUI
#ifdef __GLIBC__
    // Every page's pictures and the PDF engine's page buffer are freed and made again for the
    // next page. Handing that memory back to the system after each page and faulting it in
    // again cost more system time than the drawing saves; kept for reuse instead, the peak
    // still holds one page.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
    const std::string& path = parsed.positional()[0];
    CliFeedback feedback;
    feedback.showProgress(!parsed.flag("--quiet"), out);
    CPortfolio header;
    ReaderFeedback readerFeedback(feedback, path, header);
    GuiSession session;
    PdfRequest request;
    request.resolution = resolution;
    request.grid = parsed.flag("--grid");
    request.documentTitle = std::string(fileNamePart(path));
    request.stamp = FileStampOf(path);
    return PrintPortfolioFile(path, header, out, request, feedback, readerFeedback) ? 0 : 1;
#else
    return notBuilt("print");
#endif
}

} // namespace pixelon::cli

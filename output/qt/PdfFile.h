#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace pixelon {

class Feedback;
class PagePainter;

// A PDF file of A4 pages written one page at a time. The pages stream into a temporary file
// beside the target, which replaces the target only when Finish succeeds: until then, and
// whenever the document is given up, the previous file stays as it was.
class PdfFile {
public:
    explicit PdfFile(std::filesystem::path path);
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;
    ~PdfFile();

    // Creates the temporary file and starts the document, its pages laid out for
    // `dotsPerInch`. False (after telling the user) when the file cannot be made.
    bool Begin(int dotsPerInch, const std::string& title, Feedback& feedback);
    bool IsOpen() const { return m_open != nullptr; }
    // A write has failed (a full disk, say): the pages that follow would be lost, so the caller
    // stops drawing them; Finish tells the user why.
    bool Failed() const;
    // Where the next page is drawn; a new sheet after the first. Only while open.
    PagePainter& NextPage();
    // Ends the document and puts it in place of the target. False (after telling the user)
    // when it could not be written.
    bool Finish(Feedback& feedback);
    // Throws the unfinished document away.
    void Abandon();

private:
    struct Open;
    std::filesystem::path m_path;
    std::unique_ptr<Open> m_open;
    bool m_firstPage = true;
};

} // namespace pixelon

// pixelon print reads the portfolio picture by picture; a file whose pictures are out of order
// is read whole and printed from memory. Both must give the same pages, and a file that fails
// late must leave no PDF behind.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <map>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "OutputTestUtil.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/codecs/codec_test_util.h"
#include "tests/support/PixelonCommandTest.h"

namespace pixelon {
namespace {

using test::haveTool;
using test::readBytes;
using test::run;
using test::ScratchDir;

std::string text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class StreamedPrint : public test::PixelonCommandTest {
protected:
    std::string errors() const { return text(readBytes(dir / "err.txt")); }
    // Writes the portfolio to `name` with its pictures in the order given.
    void save(CPortfolio& portfolio, const std::string& name) {
        std::filesystem::create_directories((dir / name).parent_path());
        RecordingFeedback feedback;
        ASSERT_TRUE(portfolio.WriteFile(dir / name, feedback));
        // The page header shows the file's time: both copies get the same one.
        std::filesystem::last_write_time(dir / name, stamp);
    }
    // Every page of `pdf` rendered at `dpi`, as PPM bytes.
    std::vector<std::vector<std::uint8_t>> pages(const std::string& pdf, int dpi) {
        const std::filesystem::path folder = dir / (pdf + ".pages");
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::vector<std::vector<std::uint8_t>> result;
        if (!run("pdftoppm -r " + std::to_string(dpi) + " " + p(pdf) + " " +
                 (folder / "page").string()))
            return result;
        std::map<std::string, std::filesystem::path> sorted;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            sorted[entry.path().filename().string()] = entry.path();
        for (const auto& [name, path] : sorted)
            result.push_back(readBytes(path));
        return result;
    }

    std::filesystem::file_time_type stamp =
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(30);
};

// Pictures of many sizes and colours, in ascending ID order: several rows and pages at every
// resolution, one picture taller than a page and one wider than it.
CPortfolio varied() {
    CPortfolio portfolio;
    portfolio.m_strName = "Varied";
    portfolio.m_strNotes = "Pictures of every size\nfor the streamed print";
    const int sizes[][2] = {{16, 16}, {120, 100}, {40, 7},  {3, 700},   {90, 60}, {300, 20},
                            {1, 1},   {64, 64},   {25, 90}, {128, 160}, {8, 8},   {77, 33}};
    for (int i = 0; i < 30; ++i) {
        const auto& size = sizes[i % 12];
        auto picture = test::solidPicture(0x100 + i * 3, size[0], size[1],
                                          rgb(i * 37 % 256, i * 91 % 256, i * 53 % 256));
        for (int y = 0; y < picture->m_nHeight; y += 3)
            for (int x = y % 5; x < picture->m_nWidth; x += 7)
                picture->SetPixel(x, y, std::uint16_t(x * 2048 + y * 33 + i));
        portfolio.m_pictures.push_back(std::move(picture));
    }
    return portfolio;
}

TEST_F(StreamedPrint, PagesAreThoseOfTheWholePortfolioPrintedFromMemory) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio = varied();
    save(portfolio, "ascending/book.pfo");
    // Written in descending order, the file is read whole and sorted before printing.
    std::reverse(portfolio.m_pictures.begin(), portfolio.m_pictures.end());
    save(portfolio, "descending/book.pfo");
    for (const char* options : {"--resolution 0", "--resolution 1 --grid", "--resolution 2"}) {
        SCOPED_TRACE(options);
        ASSERT_EQ(pixelon("print " + p("ascending/book.pfo") + " -o " + p("streamed.pdf") + " " +
                          options),
                  0);
        ASSERT_EQ(
            pixelon("print " + p("descending/book.pfo") + " -o " + p("whole.pdf") + " " + options),
            0);
        const auto streamed = pages("streamed.pdf", 40);
        const auto whole = pages("whole.pdf", 40);
        EXPECT_GE(streamed.size(), 3u);
        ASSERT_EQ(streamed.size(), whole.size());
        for (std::size_t i = 0; i < streamed.size(); ++i)
            EXPECT_TRUE(streamed[i] == whole[i]) << "page " << i + 1;
    }
}

// A pipe can be read only once, so a portfolio that must be printed whole cannot be read a
// second time from it: the pages must still be those of the same file read from the disk.
TEST_F(StreamedPrint, APortfolioFromAPipeIsPrintedWholeEvenOutOfOrder) {
    if (!haveTool("pdftoppm"))
        GTEST_SKIP() << "poppler-utils missing";
    CPortfolio portfolio = varied();
    // The last two pictures swapped: out of order only at the very end.
    std::swap(portfolio.m_pictures[28], portfolio.m_pictures[29]);
    save(portfolio, "book.pfo");
    ASSERT_EQ(pixelon("print " + p("book.pfo") + " -o " + p("file.pdf")), 0);
    // The header shows the name and time of the file it was given: the pipe has both alike.
    std::filesystem::create_directory(dir / "pipe");
    ASSERT_EQ(::mkfifo((dir / "pipe" / "book.pfo").c_str(), 0600), 0);
    std::filesystem::last_write_time(dir / "pipe" / "book.pfo", stamp);
    ASSERT_EQ(test::runPixelon(program, dir.path(),
                               "print " + p("pipe/book.pfo") + " -o " + p("piped.pdf"),
                               "(cat " + p("book.pfo") + " >" + p("pipe/book.pfo") + " &) ;"),
              0)
        << errors();
    const auto fromFile = pages("file.pdf", 40);
    const auto fromPipe = pages("piped.pdf", 40);
    EXPECT_GE(fromFile.size(), 2u);
    ASSERT_EQ(fromPipe.size(), fromFile.size());
    for (std::size_t i = 0; i < fromFile.size(); ++i)
        EXPECT_TRUE(fromPipe[i] == fromFile[i]) << "page " << i + 1;
}

TEST_F(StreamedPrint, AFaultLateInTheFileIsReportedAsReadingDoesAndLeavesNoPdf) {
    CPortfolio portfolio;
    // Two a page at 600 dpi: a hundred pages are written before the fault.
    for (int i = 0; i < 201; ++i)
        portfolio.m_pictures.push_back(test::solidPicture(i, 120, 100, rgb(200, 0, 0)));
    save(portfolio, "late.pfo");
    std::string file = text(readBytes(dir / "late.pfo"));
    const std::size_t last = file.rfind("\n00C8\r\n");
    ASSERT_NE(last, std::string::npos);
    file.insert(last + 1, "1"); // ID 100C8: beyond 16 bits
    test::writeBytes(dir / "late.pfo", {file.begin(), file.end()});

    std::filesystem::create_directory(dir / "out");
    test::writeBytes(dir / "out" / "old.pdf", {'o', 'l', 'd'});
    ASSERT_EQ(pixelon("info " + p("late.pfo")), 1);
    const std::string readingSays = errors();
    EXPECT_NE(readingSays.find("late.pfo:"), std::string::npos);
    EXPECT_NE(readingSays.find("outside 0000 to FFFF"), std::string::npos);

    EXPECT_EQ(pixelon("print " + p("late.pfo") + " -o " + p("out/old.pdf") + " --resolution 1"), 1);
    EXPECT_EQ(errors(), readingSays);
    EXPECT_EQ(readBytes(dir / "out" / "old.pdf").size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";
    EXPECT_EQ(pixelon("print " + p("late.pfo") + " -o " + p("out/new.pdf")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "new.pdf"));
}

// A PDF written over the portfolio it is printed from would destroy it: by its own name, or
// through a link to it.
TEST_F(StreamedPrint, AnOutputThatIsThePortfolioItselfIsRefused) {
    CPortfolio portfolio;
    portfolio.m_pictures.push_back(test::solidPicture(1, 8, 8, rgb(0, 0, 0)));
    save(portfolio, "self.pfo");
    const std::vector<std::uint8_t> before = readBytes(dir / "self.pfo");
    std::filesystem::create_symlink(dir / "self.pfo", dir / "link.pdf");
    for (const std::string out : {"self.pfo", "link.pdf", "./self.pfo"}) {
        SCOPED_TRACE(out);
        EXPECT_EQ(pixelon("print " + p("self.pfo") + " -o " + p(out)), 1);
        EXPECT_NE(errors().find("-o names the portfolio being printed"), std::string::npos)
            << errors();
        EXPECT_EQ(readBytes(dir / "self.pfo"), before);
    }
}

// The pages stream into a hidden file beside the PDF for as long as the print runs: Ctrl+C or
// kill meanwhile must leave the previous PDF and no hidden file.
TEST_F(StreamedPrint, AnInterruptedPrintLeavesThePreviousPdfAndNoHiddenFile) {
    CPortfolio portfolio;
    // Long enough to be caught while it writes: about 500 pages, with the grid (34 lines a
    // picture) a few seconds.
    for (int i = 0; i < 30000; ++i)
        portfolio.m_pictures.push_back(test::solidPicture(i, 16, 16, rgb(0, 0, 0)));
    save(portfolio, "long.pfo");
    std::filesystem::create_directory(dir / "out");
    test::writeBytes(dir / "out" / "old.pdf", {'o', 'l', 'd'});
    const std::string pdf = p("out/old.pdf");
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGINT, SIG_DFL); // as a terminal's foreground program has it
            ::execl(program.c_str(), program.c_str(), "print", p("long.pfo").c_str(), "-o",
                    pdf.c_str(), "--grid", "--quiet", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Waits for the hidden file to appear: the print is then under way.
        bool writing = false;
        for (int waited = 0; waited < 60000 && !writing; ++waited) {
            for (const auto& entry : std::filesystem::directory_iterator(dir / "out"))
                writing = writing || entry.path().filename() != "old.pdf";
            if (!writing)
                ::usleep(1000);
        }
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(writing) << "the print never began writing";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the print finished before it was interrupted";
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(readBytes(dir / "out" / "old.pdf").size(), 3u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"),
                                std::filesystem::directory_iterator()),
                  1)
            << "no hidden file is left";
    }
}

TEST_F(StreamedPrint, NotesAfterThePicturesAndDuplicateIdsAreTheWholeFilesToo) {
    CPortfolio portfolio;
    portfolio.m_strName = "Late";
    portfolio.m_strNotes = "Early note";
    for (int i = 0; i < 9; ++i)
        portfolio.m_pictures.push_back(test::solidPicture(i / 3 + 1, 120, 100, rgb(0, 0, 200)));
    save(portfolio, "late.pfo");
    std::string file = text(readBytes(dir / "late.pfo"));
    // A comment after the pictures still belongs to the notes the first page shows.
    const std::size_t end = file.rfind("END");
    ASSERT_NE(end, std::string::npos);
    file.insert(end, "//\t\tLate note\r\n");
    test::writeBytes(dir / "late.pfo", {file.begin(), file.end()});

    ASSERT_EQ(pixelon("print " + p("late.pfo") + " -o " + p("late.pdf") + " --resolution 1"), 0);
    const std::string warned = errors();
    const std::size_t warning = warned.find("Duplicate Portfolio IDs defined in Late");
    ASSERT_NE(warning, std::string::npos);
    EXPECT_EQ(warned.find("Duplicate Portfolio IDs", warning + 1), std::string::npos)
        << "warned once";
    EXPECT_NE(warned.find("#: 0002 (00002)"), std::string::npos);
    if (!haveTool("pdftotext"))
        return;
    ASSERT_TRUE(run("pdftotext -f 1 -l 1 " + p("late.pdf") + " " + p("page1.txt")));
    const std::string page = text(readBytes(dir / "page1.txt"));
    EXPECT_NE(page.find("Early note Late note"), std::string::npos) << page;
}

TEST_F(StreamedPrint, AWriteThatFailsEndsThePrintThereAndSaysWhy) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // Noisy pictures, one a page: the first megabyte of the PDF is written after a few dozen
    // pages, and fails. The fault in the last picture is never reached when the print stops
    // at the failed write, as it should; reading on would report it instead of the full disk.
    CPortfolio portfolio;
    std::uint32_t seed = 7;
    for (int i = 0; i < 80; ++i) {
        auto picture = test::solidPicture(i, 128, 160, rgb(0, 0, 0));
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 128; ++x) {
                seed = seed * 1664525u + 1013904223u;
                picture->SetPixel(x, y, std::uint16_t(seed >> 16));
            }
        portfolio.m_pictures.push_back(std::move(picture));
    }
    save(portfolio, "noisy.pfo");
    std::string file = text(readBytes(dir / "noisy.pfo"));
    const std::size_t last = file.rfind("\n004F\r\n");
    ASSERT_NE(last, std::string::npos);
    file.insert(last + 1, "1"); // ID 1004F: beyond 16 bits
    test::writeBytes(dir / "noisy.pfo", {file.begin(), file.end()});

    EXPECT_EQ(pixelon("print " + p("noisy.pfo") + " -o /dev/full"), 1);
    const std::string said = errors();
    EXPECT_NE(said.find("The disk is full."), std::string::npos) << said;
    EXPECT_EQ(said.find("outside 0000 to FFFF"), std::string::npos) << said;
}

} // namespace
} // namespace pixelon

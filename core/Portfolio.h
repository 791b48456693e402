#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Animation.h"
#include "core/Picture.h"

namespace pixelon {

class Feedback;
class LineReader;
class LineWriter;
class ProgressWindow;

// The portfolio: pictures in ascending ID order, name, notes, font metrics and animations.
class CPortfolio {
public:
    std::string m_strNotes;
    std::string m_strName;
    std::vector<std::unique_ptr<CPicture>> m_pictures;
    int m_nAscent = 0;
    int m_nWeight = 400;
    int m_nSpacing = 0;
    int m_nHeight = 0;
    int m_bItalic = 0;
    std::vector<Animation> m_animations;

    int Count() const { return int(m_pictures.size()); }
    CPicture& Picture(int index) { return *m_pictures[std::size_t(index)]; }
    const CPicture& Picture(int index) const { return *m_pictures[std::size_t(index)]; }

    // The first picture with this ID, or null.
    CPicture* FindPicture(int id);
    const CPicture* FindPicture(int id) const;

    void DeleteAllPictures();
    // Deletes the pictures at the given indices, last first, with every animation frame that
    // shows one of their IDs. Indices out of range and repeated ones are ignored. Returns how
    // many went.
    int DeletePictures(std::vector<int> indices);
    int InsertSorted(std::unique_ptr<CPicture> picture);
    void InsertAt(std::unique_ptr<CPicture> picture, int index);
    void SortById();

    // Reads a portfolio file (PortfolioFile.cpp). `onName` runs when the name line is read, so
    // a window can refresh its caption. Failures are shown through `feedback`.
    bool ReadFile(const std::filesystem::path& path, Feedback& feedback,
                  const std::function<void()>& onName = {});
    bool WriteFile(const std::filesystem::path& path, Feedback& feedback);

    // The line number where the last failed read stopped (0 when the file did not open).
    std::uint64_t FailedLine() const { return m_nFailedLine; }

    // ReadFile over any line source; `length` is the progress range, `shownPath` its text.
    bool ReadFrom(LineReader& file, std::uint64_t length, std::string_view shownPath,
                  Feedback& feedback, const std::function<void()>& onName = {});

    // Takes each picture as it is read, in file order; false stops the reading, which then
    // returns false without a message.
    using PictureSink = std::function<bool(std::unique_ptr<CPicture>)>;
    // Reads the file as ReadFile does, with the same checks and messages, but hands every
    // picture to `sink` instead of keeping it, so that memory does not grow with the pictures:
    // the portfolio keeps its name, notes, metrics and animations. The pictures come in file
    // order, which ReadFile sorts by ID. `progressTitle` heads the progress window.
    bool StreamFile(const std::filesystem::path& path, Feedback& feedback, const PictureSink& sink,
                    std::string_view progressTitle = ReadingTitle);
    bool StreamFrom(LineReader& file, std::uint64_t length, std::string_view shownPath,
                    Feedback& feedback, const PictureSink& sink,
                    std::string_view progressTitle = ReadingTitle);

    static constexpr std::string_view ReadingTitle = "Opening file...";
    // The whole file text; throws EString. `progress` (optional) advances once per picture.
    void WriteTo(LineWriter& file, std::string_view shownPath, ProgressWindow* progress = nullptr);

private:
    // Reads one animation entry; returns what it charged to the reader's budget (throws
    // EString beyond `budgetLeft`).
    std::uint64_t ReadAnimation(LineReader& file, std::string_view line, std::uint64_t budgetLeft);
    bool readLines(LineReader& file, std::uint64_t length, std::string_view shownPath,
                   Feedback& feedback, const std::function<void()>& onName, const PictureSink& sink,
                   std::string_view progressTitle);
    bool openAndRead(const std::filesystem::path& path, Feedback& feedback,
                     const std::function<bool(LineReader&, std::uint64_t)>& read);

    std::uint64_t m_nFailedLine = 0;
};

} // namespace pixelon

#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

// File dialog filters in the "Description|patterns|Description|patterns|" form.
inline constexpr std::string_view OpenFileFilter =
    "All supported types (*.pfo;*.gif;*.jpg;*.png;*.bmp;*.wbmp)|*.pfo;*.r;*.gif;*.id;*.jpg;*.jpeg;"
    "*.png;*.bmp;*.wbmp;*.wbm|Portfolio Files (*.pfo)|*.pfo;*.r|GIF files (*.gif)|*.gif;*.id|JPG "
    "files (*.jpg)|*.jpg;*.jpeg|BMP files (*.bmp)|*.bmp|WAP BMP files (*.wbmp;*.wbm)|*.wbmp;*.wbm|"
    "PNG files (*.png)|*.png|";
inline constexpr std::string_view OpenFileDefaultExt =
    "*.pfo;*.r;*.gif;*.id;*.jpg;*.jpeg;*.bmp;*.wbmp;*.wbm";
inline constexpr std::string_view SaveAsFilter =
    "All supported types (*.pfo;*.gif;*.jpg;*.bmp;*.wbmp)|*.pfo;*.r;*.gif;*.id;*.jpg;*.jpeg;*.bmp;"
    "*.wbmp;*.wbm|All Files (*.*)|*.*||";
inline constexpr std::string_view NewPortfolioName = "MyPortfolio";
inline constexpr std::string_view SaveFailedText = "Failed to write font data";

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns; // "*.pfo", "*.r", ...
};
// Splits a "Description|patterns|..." filter; empty pairs (the closing "||") are dropped.
std::vector<FileFilter> parseFileFilter(std::string_view filter);

// What an open or save dialog is asked, and what it answers. Filter indices count from 1 as
// the settings store them; 0 means "the first".
struct FileRequest {
    std::string title;
    std::string filter;
    std::string defaultExt;
    std::string defaultName;
    int filterIndex = 0;
    bool multiple = false;         // open: several files may be chosen
    bool nameAndNotes = false;     // save: the Name and Notes panel below the standard controls
    bool nameSetsFileName = false; // save: each change of Name proposes a file name
    std::string name;
    std::string notes;
};
struct FileAnswer {
    std::vector<std::string> paths; // one for a save dialog
    int filterIndex = 0;
    std::string name; // the Name and Notes panel's fields after OK
    std::string notes;
};

// The file dialogs the document needs; the window implements it over Qt, tests script it.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<FileAnswer> chooseOpen(const FileRequest& request) = 0;
    virtual std::optional<FileAnswer> chooseSave(const FileRequest& request) = 0;
};

// Reads and writes portfolio files for the document; tests replace it to make reads and
// writes fail.
class PortfolioStore {
public:
    virtual ~PortfolioStore() = default;
    virtual bool read(CPortfolio& portfolio, const std::filesystem::path& path, Feedback& feedback,
                      const std::function<void()>& onName) = 0;
    virtual bool write(CPortfolio& portfolio, const std::filesystem::path& path,
                       Feedback& feedback) = 0;
    // Whether the file can be opened for reading; else the reason's text.
    virtual std::optional<std::string> openError(const std::filesystem::path& path) = 0;
};

// Nothing when `path` can be opened for reading, else the reason's text.
std::optional<std::string> fileOpenError(const std::filesystem::path& path);

// What the document tells the window it shows it in. Every call is a request to refresh.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    // The pictures are about to be deleted: drop the list, the preview and any selection.
    virtual void documentCleared() {}
    // Pictures, name, notes, title or modified flag changed: refill and refresh the caption.
    virtual void documentChanged() {}
    // A loaded portfolio or the metrics have a non-zero ascent: tick Ascent Line.
    virtual void showAscentLine() {}
};

// The one document of the program: the open portfolio, its title, path and modified flag,
// and the life cycle operations (new, open, save, save as, close) with the changed-prompt.
class Document {
public:
    Document(Feedback& feedback, FileChooser& chooser, PortfolioStore& store);
    virtual ~Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    CPortfolio m_portfolio;
    bool m_bActive = false;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(std::string title);
    const std::string& GetPathName() const { return m_strPathName; }
    // Takes the path only for a portfolio file name; a picture file never becomes the path.
    void SetPathName(const std::string& path, bool addToRecent = true);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    // The changed-prompt. False when the user cancels or the save fails.
    bool SaveModified();
    void OnNewDocument();
    // The command line, the recent-file list and the shell. False only when a portfolio file
    // cannot be opened at all.
    bool OnOpenDocument(const std::string& path);
    // Loads a portfolio file into this document. False when reading failed; the open portfolio,
    // its path, title and modified flag are then left exactly as they were.
    bool LoadPortfolio(const std::string& path);

    void NewPortfolio();
    void OpenFile(); // the Open dialog, then a portfolio or a picture file
    bool Save();
    bool SaveAs();
    bool Close();
    void SetPortfolioName(std::string name);
    void SetPortfolioNotes(std::string notes);
    // Deletes the pictures at `indices` (list order), last first, with every animation frame
    // that shows one of them; sets the modified flag when anything went.
    int DeletePictures(std::vector<int> indices);
    // After the metrics changed: set the modified flag, tick Ascent Line when needed, repaint.
    void MetricsChanged();

    // The filter index last chosen in the Open dialog (setting DefaultImportType).
    int m_nOpenFilterIndex = 0;

    // Imports one picture file into the portfolio (the codecs and the editor do the work).
    std::function<void(const std::string& path)> m_importPicture;
    // Adds a saved or loaded portfolio path to the recent-file list.
    std::function<void(const std::string& path)> m_addToRecent;

    void SetObserver(DocumentObserver* observer) {
        m_observer = observer ? observer : &m_noObserver;
    }
    Feedback& feedback() { return m_feedback; }
    FileChooser& chooser() { return m_chooser; }

private:
    void importPicture(const std::string& path);
    bool writeTo(const std::string& path);

    Feedback& m_feedback;
    FileChooser& m_chooser;
    PortfolioStore& m_store;
    DocumentObserver m_noObserver;
    DocumentObserver* m_observer = &m_noObserver;
    std::string m_strTitle = " ";
    std::string m_strPathName;
    bool m_bModified = false;
};

// A path names a portfolio when a '.' in its file name is followed by 'p' or 'r' (any case),
// unless the name ends in ".png" (a picture).
bool isPortfolioPath(std::string_view path);
// The chosen file's extension is "r" or "pfo", without regard to case.
bool hasPortfolioExtension(std::string_view path);
// Replaces \ / : * ? " < > | by '_' so a portfolio name can be proposed as a file name.
std::string sanitiseFileName(std::string_view name);
// The file name part of a path (after the last '/' or '\').
std::string_view fileNamePart(std::string_view path);

std::string captionText(std::string_view title);
// The status line's summary: picture count, selection count, phone type and application names.
std::string statusText(int pictures, int selected, std::string_view phone, std::string_view app);
// The most frequent picture height, the smallest on a tie; 0 without pictures.
int medianHeight(const CPortfolio& portfolio);

// The logic of the Text Metrics dialog: the values it edits, their ranges and what OK stores.
struct TextMetrics {
    static constexpr int AscentMin = 0, AscentMax = 200;
    static constexpr int HeightMin = 0, HeightMax = 80;
    static constexpr int SpacingMin = -2, SpacingMax = 2;

    int ascent = 0;
    int height = 0;
    int spacing = 0;
    bool italic = false;
    bool bold = false;
    int median = 0;

    static TextMetrics from(const CPortfolio& portfolio);
    std::string medianText() const;
    // The range message of the first field outside its range, or nothing when all fit.
    std::optional<std::string> validate() const;
    // Stores the values (weight 700 for Bold, 400 for Normal) and sets the modified flag.
    void apply(Document& document) const;
};

// The text shown when a number typed into a dialog field is outside its range.
std::string rangeMessage(int low, int high);

} // namespace pixelon

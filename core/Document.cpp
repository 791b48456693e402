#include "core/Document.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>

#include "platform/FileError.h"
#include "platform/FileFeedback.h"

namespace pixelon {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowerCopy(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool startsPortfolioExtension(char c) {
    return lower(c) == 'p' || lower(c) == 'r';
}

} // namespace

std::vector<FileFilter> parseFileFilter(std::string_view filter) {
    std::vector<std::string_view> parts;
    while (!filter.empty()) {
        std::size_t bar = filter.find('|');
        parts.push_back(filter.substr(0, bar));
        if (bar == std::string_view::npos)
            break;
        filter.remove_prefix(bar + 1);
    }
    std::vector<FileFilter> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())
            break; // the "||" that closes the list
        FileFilter f{std::string(parts[i]), {}};
        std::string_view patterns = parts[i + 1];
        while (!patterns.empty()) {
            std::size_t semi = patterns.find(';');
            if (semi != 0)
                f.patterns.emplace_back(patterns.substr(0, semi));
            if (semi == std::string_view::npos)
                break;
            patterns.remove_prefix(semi + 1);
        }
        out.push_back(std::move(f));
    }
    return out;
}

std::string_view fileNamePart(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isPortfolioPath(std::string_view path) {
    // Only the file name counts: folders such as /home/a.b/ often contain dots.
    std::string_view name = fileNamePart(path);
    // A PNG picture's ".png" would otherwise read as a portfolio's ".p".
    if (const std::size_t dot = name.rfind('.');
        dot != std::string_view::npos && lowerCopy(name.substr(dot + 1)) == "png")
        return false;
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        if (name[i] == '.' && startsPortfolioExtension(name[i + 1]))
            return true;
    }
    return false;
}

bool hasPortfolioExtension(std::string_view path) {
    std::string_view name = fileNamePart(path);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ext = lowerCopy(name.substr(dot + 1));
    return ext == "r" || ext == "pfo";
}

std::string sanitiseFileName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    }
    return out;
}

std::string captionText(std::string_view title) {
    return "Vistrel - " + std::string(title);
}

std::string statusText(int pictures, int selected, std::string_view phone, std::string_view app) {
    std::string count = std::to_string(pictures);
    if (selected == 0)
        return count + " pictures          Phone: " + std::string(phone) +
               "    App: " + std::string(app);
    return count + " pictures, " + std::to_string(selected) +
           " sel.   Phone: " + std::string(phone) + "   App: " + std::string(app);
}

int medianHeight(const CPortfolio& portfolio) {
    std::map<int, int> counts;
    for (const auto& picture : portfolio.m_pictures)
        ++counts[picture->m_nHeight];
    int best = 0, bestCount = 0;
    for (auto [height, count] : counts) { // ascending, so a tie keeps the smaller height
        if (count > bestCount) {
            best = height;
            bestCount = count;
        }
    }
    return best;
}

std::string rangeMessage(int low, int high) {
    return "Please enter an integer between " + std::to_string(low) + " and " +
           std::to_string(high) + ".";
}

TextMetrics TextMetrics::from(const CPortfolio& portfolio) {
    TextMetrics m;
    m.ascent = portfolio.m_nAscent;
    m.height = portfolio.m_nHeight;
    m.spacing = portfolio.m_nSpacing;
    m.italic = portfolio.m_bItalic != 0;
    m.bold = portfolio.m_nWeight != 400;
    m.median = medianHeight(portfolio);
    return m;
}

std::string TextMetrics::medianText() const {
    return "(Median Height: " + std::to_string(median) + ")";
}

std::optional<std::string> TextMetrics::validate() const {
    if (ascent < AscentMin || ascent > AscentMax)
        return rangeMessage(AscentMin, AscentMax);
    if (height < HeightMin || height > HeightMax)
        return rangeMessage(HeightMin, HeightMax);
    if (spacing < SpacingMin || spacing > SpacingMax)
        return rangeMessage(SpacingMin, SpacingMax);
    return std::nullopt;
}

void TextMetrics::apply(Document& document) const {
    CPortfolio& p = document.m_portfolio;
    p.m_nAscent = ascent;
    p.m_nHeight = height;
    p.m_nSpacing = spacing;
    p.m_bItalic = italic ? 1 : 0;
    p.m_nWeight = bold ? 700 : 400;
    document.MetricsChanged();
}

std::optional<std::string> fileOpenError(const std::filesystem::path& path) {
    errno = 0;
    std::ifstream probe(path, std::ios::binary);
    if (probe)
        return std::nullopt;
    int error = errno ? errno : ENOENT;
    return fileErrorTextFromErrno(error);
}

Document::Document(Feedback& feedback, FileChooser& chooser, PortfolioStore& store)
    : m_feedback(feedback), m_chooser(chooser), m_store(store) {}

void Document::SetTitle(std::string title) {
    m_strTitle = std::move(title);
    m_observer->documentChanged();
}

void Document::SetPathName(const std::string& path, bool addToRecent) {
    // The character after the first '.' of the file name decides, so a picture file never
    // becomes the document's path or enters the recent-file list.
    std::string_view name = fileNamePart(path);
    std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot + 1 >= name.size() ||
        !startsPortfolioExtension(name[dot + 1]))
        return;
    m_strPathName = path;
    if (addToRecent && m_addToRecent)
        m_addToRecent(path);
}

void Document::SetModifiedFlag(bool modified) {
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    m_observer->documentChanged();
}

bool Document::SaveModified() {
    if (!m_bModified)
        return true;
    Answer a = m_feedback.message("Portfolio has changed!\n\nSave to: " + m_strTitle + "   ",
                                  MessageIcon::Exclamation, MessageButtons::YesNoCancel);
    if (a == Answer::Cancel)
        return false;
    if (a == Answer::Yes)
        return Save();
    return true;
}

void Document::OnNewDocument() {
    m_observer->documentCleared();
    m_strPathName.clear();
    m_bModified = false;
    m_portfolio.m_strName = NewPortfolioName;
    m_portfolio.m_strNotes.clear();
    m_bActive = true;
    m_portfolio.DeleteAllPictures();
    SetTitle(m_portfolio.m_strName);
}

bool Document::LoadPortfolio(const std::string& path) {
    // The file is read into a portfolio of its own and replaces the open one only when it was
    // read whole: a file that fails part way leaves the open portfolio, its path, title and
    // modified flag exactly as they were, so a later Save cannot put a fragment over them.
    // Notes, metrics and animations start anew; the name stays until the file's FONTTABLE
    // line replaces it. The reader's failures name the file, whichever way it was opened.
    CPortfolio loaded;
    loaded.m_strName = m_portfolio.m_strName;
    FileFeedback named(m_feedback, path);
    if (!m_store.read(loaded, path, named, {}))
        return false;
    m_observer->documentCleared();
    m_portfolio = std::move(loaded);
    m_bActive = true;
    m_bModified = false;
    m_strTitle = path;
    SetPathName(path, true);
    if (m_portfolio.m_nAscent != 0)
        m_observer->showAscentLine();
    m_observer->documentChanged();
    return true;
}

bool Document::OnOpenDocument(const std::string& path) {
    if (isPortfolioPath(path)) {
        if (std::optional<std::string> error = m_store.openError(path)) {
            m_feedback.message(NamingFile(path, "Unable to open file:\n" + *error),
                               MessageIcon::Stop);
            return false;
        }
        // A file that fails to read leaves the document as it was; the program goes on.
        LoadPortfolio(path);
        return true;
    }
    importPicture(path);
    return true;
}

void Document::importPicture(const std::string& path) {
    if (!m_bActive) {
        if (!SaveModified())
            return;
        OnNewDocument();
    }
    if (m_importPicture)
        m_importPicture(path);
    else
        m_feedback.message("Picture import is not built yet.", MessageIcon::Stop);
    m_observer->documentChanged();
}

void Document::NewPortfolio() {
    if (SaveModified())
        OnNewDocument();
}

void Document::OpenFile() {
    FileRequest request;
    request.title = "Open";
    request.filter = OpenFileFilter;
    request.defaultExt = OpenFileDefaultExt;
    request.filterIndex = m_nOpenFilterIndex;
    std::optional<FileAnswer> answer = m_chooser.chooseOpen(request);
    if (!answer || answer->paths.empty())
        return;
    m_nOpenFilterIndex = answer->filterIndex;
    const std::string& path = answer->paths.front();
    if (hasPortfolioExtension(path)) {
        if (!SaveModified())
            return;
        LoadPortfolio(path);
        return;
    }
    importPicture(path);
}

bool Document::writeTo(const std::string& path) {
    if (m_store.write(m_portfolio, path, m_feedback))
        return true;
    m_feedback.message(SaveFailedText, MessageIcon::Stop);
    return false;
}

bool Document::Save() {
    if (!m_bModified)
        return true;
    if (m_strPathName.empty())
        return SaveAs();
    if (!writeTo(m_strPathName))
        return false;
    SetModifiedFlag(false);
    if (m_addToRecent)
        m_addToRecent(m_strPathName);
    return true;
}

bool Document::SaveAs() {
    FileRequest request;
    request.title = "Save As";
    request.filter = SaveAsFilter;
    request.defaultName = m_strTitle;
    request.nameAndNotes = true;
    request.nameSetsFileName = m_strPathName.empty();
    request.name = m_portfolio.m_strName;
    request.notes = m_portfolio.m_strNotes;
    std::optional<FileAnswer> answer = m_chooser.chooseSave(request);
    if (!answer || answer->paths.empty() || answer->paths.front().empty())
        return false;
    std::string path = answer->paths.front();
    // A name without any extension gets the portfolio one, so the file can be opened again.
    if (fileNamePart(path).find('.') == std::string_view::npos)
        path += ".pfo";
    bool renamed = answer->name != m_portfolio.m_strName || answer->notes != m_portfolio.m_strNotes;
    m_portfolio.m_strName = answer->name;
    m_portfolio.m_strNotes = answer->notes;
    if (!writeTo(path)) {
        if (renamed)
            m_bModified = true; // the new name and notes are not on disk yet
        m_observer->documentChanged();
        return false;
    }
    m_bModified = false;
    m_strTitle = std::string(fileNamePart(path));
    // A portfolio written under a picture file's name cannot be the path; forgetting the old
    // path keeps a later Save from writing a file other than the one in the caption.
    m_strPathName.clear();
    SetPathName(path, true);
    m_observer->documentChanged();
    return true;
}

bool Document::Close() {
    if (!SaveModified()) {
        m_observer->documentChanged();
        return false;
    }
    m_observer->documentCleared();
    m_portfolio.DeleteAllPictures();
    m_bModified = false;
    m_bActive = false;
    m_strTitle = " ";
    m_strPathName.clear();
    m_portfolio.m_strName.clear();
    m_portfolio.m_strNotes.clear();
    m_observer->documentChanged();
    return true;
}

void Document::SetPortfolioName(std::string name) {
    m_portfolio.m_strName = std::move(name);
    m_bModified = true;
    m_observer->documentChanged();
}

void Document::SetPortfolioNotes(std::string notes) {
    m_portfolio.m_strNotes = std::move(notes);
    m_bModified = true;
    m_observer->documentChanged();
}

int Document::DeletePictures(std::vector<int> indices) {
    const int deleted = m_portfolio.DeletePictures(std::move(indices));
    if (deleted) {
        m_bModified = true;
        m_observer->documentChanged();
    }
    return deleted;
}

void Document::MetricsChanged() {
    m_bModified = true;
    if (m_portfolio.m_nAscent != 0)
        m_observer->showAscentLine();
    m_observer->documentChanged();
}

} // namespace pixelon

#include "core/Document.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "platform/FileError.h"
#include "tests/support/ScriptedChooser.h"

namespace pixelon {
namespace {

using test::ScriptedChooser;

// An in-memory file system of portfolios: reads copy a stored portfolio (or fail part way),
// writes record what was written where.
class MemoryStore : public PortfolioStore {
public:
    std::map<std::string, std::pair<std::string, int>> files; // path -> (name, pictures)
    std::vector<std::string> written;
    bool failWrites = false;

    bool read(CPortfolio& p, const std::filesystem::path& path, Feedback& fb,
              const std::function<void()>&) override {
        auto it = files.find(path.string());
        if (it == files.end()) {
            fb.message("Unable to open file:\nbroken", MessageIcon::Stop);
            addPicture(p, 99); // a half-read file leaves what was read before the error
            return false;
        }
        if (!it->second.first.empty()) // an empty name stands for a file without one
            p.m_strName = it->second.first;
        for (int i = 0; i < it->second.second; ++i)
            addPicture(p, i + 1);
        return true;
    }
    bool write(CPortfolio& p, const std::filesystem::path& path, Feedback&) override {
        if (failWrites)
            return false;
        written.push_back(path.string());
        files[path.string()] = {p.m_strName, p.Count()};
        return true;
    }
    std::optional<std::string> openError(const std::filesystem::path& path) override {
        if (path.string().find("gone") != std::string::npos)
            return "File not found";
        return std::nullopt;
    }
    static void addPicture(CPortfolio& p, int id, int height = 8) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(4, height, id);
        p.InsertSorted(std::move(picture));
    }
};

FileAnswer saveAnswer(std::string path, std::string name = "Name", std::string notes = "") {
    FileAnswer a;
    a.paths = {std::move(path)};
    a.name = std::move(name);
    a.notes = std::move(notes);
    return a;
}

class DocumentTest : public ::testing::Test {
protected:
    RecordingFeedback feedback;
    ScriptedChooser chooser;
    MemoryStore store;
    Document doc{feedback, chooser, store};
    std::vector<std::string> recent;

    void SetUp() override {
        doc.m_addToRecent = [this](const std::string& p) { recent.push_back(p); };
        store.files["/data/set.pfo"] = {"Set", 3};
        store.files["/data/other.pfo"] = {"Other", 1};
    }
    // An open, modified portfolio saved at `path` before the change.
    void openModified(const std::string& path = "/data/set.pfo") {
        ASSERT_TRUE(doc.OnOpenDocument(path));
        doc.SetPortfolioName("Changed");
        feedback.clear();
    }
};

TEST(DocumentPaths, PortfolioTestLooksAtTheFileNameOnly) {
    EXPECT_TRUE(isPortfolioPath("/x.y/set.r"));
    EXPECT_TRUE(isPortfolioPath("C:\\work\\SET.PFO"));
    EXPECT_TRUE(isPortfolioPath("name.R"));
    EXPECT_FALSE(isPortfolioPath("/home/a.b/pic.gif"));
    EXPECT_FALSE(isPortfolioPath("/home/a.pfo/picture"));
    // A PNG is a picture, although its ".png" starts like a portfolio's extension.
    EXPECT_FALSE(isPortfolioPath("/x/photo.PNG"));
    EXPECT_TRUE(isPortfolioPath("/x/photo.png.pfo"));
    EXPECT_FALSE(isPortfolioPath("trailingdot."));
    EXPECT_TRUE(hasPortfolioExtension("/a.b/x.PFO"));
    EXPECT_TRUE(hasPortfolioExtension("set.r"));
    EXPECT_FALSE(hasPortfolioExtension("/set.pfo/pic.gif"));
    EXPECT_FALSE(hasPortfolioExtension("set.rr"));
}

TEST(DocumentPaths, SanitisingReplacesEveryReservedCharacter) {
    EXPECT_EQ(sanitiseFileName("a/b:c"), "a_b_c");
    EXPECT_EQ(sanitiseFileName("\\/:*?\"<>|ok"), "_________ok");
    EXPECT_EQ(sanitiseFileName("plain name.pfo"), "plain name.pfo");
}

TEST(DocumentPaths, FilterStringsSplitIntoDescriptionsAndPatterns) {
    auto open = parseFileFilter(OpenFileFilter);
    ASSERT_EQ(open.size(), 7u);
    EXPECT_EQ(open[1].description, "Portfolio Files (*.pfo)");
    EXPECT_EQ(open[1].patterns, (std::vector<std::string>{"*.pfo", "*.r"}));
    EXPECT_EQ(open[0].patterns.size(), 10u);
    EXPECT_EQ(open[6].patterns, std::vector<std::string>{"*.png"});
    auto save = parseFileFilter(SaveAsFilter);
    ASSERT_EQ(save.size(), 2u);
    EXPECT_EQ(save[1].patterns, std::vector<std::string>{"*.*"});
    EXPECT_TRUE(parseFileFilter("").empty());
    EXPECT_TRUE(parseFileFilter("dangling").empty());
}

TEST(DocumentTexts, CaptionAndStatusLine) {
    EXPECT_EQ(captionText("MyPortfolio"), "Vistrel - MyPortfolio");
    EXPECT_EQ(statusText(12, 0, "HX202", "Kto"), "12 pictures          Phone: HX202    App: Kto");
    EXPECT_EQ(statusText(12, 3, "HX206", "EMS"), "12 pictures, 3 sel.   Phone: HX206   App: EMS");
}

TEST(TextMetricsTest, MedianHeightIsTheMostFrequentAndSmallestOnATie) {
    CPortfolio p;
    EXPECT_EQ(medianHeight(p), 0);
    MemoryStore::addPicture(p, 1, 12);
    MemoryStore::addPicture(p, 2, 9);
    EXPECT_EQ(medianHeight(p), 9);
    MemoryStore::addPicture(p, 3, 12);
    EXPECT_EQ(medianHeight(p), 12);
    EXPECT_EQ(TextMetrics::from(p).medianText(), "(Median Height: 12)");
}

TEST(TextMetricsTest, RangesAreCheckedAndBoldMeansNot400) {
    CPortfolio p;
    p.m_nWeight = 600;
    TextMetrics m = TextMetrics::from(p);
    EXPECT_TRUE(m.bold);
    EXPECT_FALSE(m.validate());
    m.ascent = 201;
    EXPECT_EQ(m.validate(), "Please enter an integer between 0 and 200.");
    m.ascent = 200;
    m.height = 81;
    EXPECT_EQ(m.validate(), rangeMessage(0, 80));
    m.height = 0;
    m.spacing = -3;
    EXPECT_EQ(m.validate(), rangeMessage(-2, 2));
}

TEST(TextMetricsTest, ASpacingFromTheFileOutsideTheRangeIsRefusedNotClamped) {
    CPortfolio p;
    p.m_nSpacing = 7;
    TextMetrics m = TextMetrics::from(p);
    EXPECT_EQ(m.spacing, 7);
    EXPECT_EQ(m.validate(), rangeMessage(-2, 2));
}

TEST_F(DocumentTest, TextMetricsApplyStoresWeightAndTicksAscentLine) {
    struct Ticks : DocumentObserver {
        int ticks = 0;
        void showAscentLine() override { ++ticks; }
    } observer;
    doc.SetObserver(&observer);
    doc.OnNewDocument();
    TextMetrics m = TextMetrics::from(doc.m_portfolio);
    m.bold = false;
    m.ascent = 0;
    m.apply(doc);
    EXPECT_EQ(doc.m_portfolio.m_nWeight, 400);
    EXPECT_EQ(observer.ticks, 0);
    EXPECT_TRUE(doc.IsModified());
    m.bold = true;
    m.ascent = 7;
    m.spacing = -2;
    m.italic = true;
    m.apply(doc);
    EXPECT_EQ(doc.m_portfolio.m_nWeight, 700);
    EXPECT_EQ(doc.m_portfolio.m_nSpacing, -2);
    EXPECT_EQ(doc.m_portfolio.m_bItalic, 1);
    EXPECT_EQ(observer.ticks, 1);
    doc.SetObserver(nullptr);
}

TEST_F(DocumentTest, ChangedPromptAsksOnlyWhenModified) {
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_TRUE(feedback.messages().empty());
    openModified();
    doc.SetTitle("set.pfo");
    feedback.queueAnswer(Answer::No);
    EXPECT_TRUE(doc.SaveModified());
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Portfolio has changed!\n\nSave to: set.pfo   ");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(feedback.messages()[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_TRUE(store.written.empty());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocumentTest, ChangedPromptYesSavesAndCancelAbandons) {
    openModified();
    feedback.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(store.written.empty());

    feedback.queueAnswer(Answer::Yes);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(store.written, std::vector<std::string>{"/data/set.pfo"});
    EXPECT_FALSE(doc.IsModified());

    doc.SetPortfolioName("Again");
    store.failWrites = true;
    feedback.queueAnswer(Answer::Yes);
    EXPECT_FALSE(doc.SaveModified()); // a failed save abandons the operation
}

TEST_F(DocumentTest, SaveWritesOnlyWhenModified) {
    ASSERT_TRUE(doc.OnOpenDocument("/data/set.pfo"));
    recent.clear();
    EXPECT_TRUE(doc.Save());
    EXPECT_TRUE(store.written.empty());
    EXPECT_TRUE(chooser.asked.empty());
    doc.SetPortfolioName("Renamed");
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(store.written, std::vector<std::string>{"/data/set.pfo"});
    EXPECT_EQ(recent, std::vector<std::string>{"/data/set.pfo"});
}

TEST_F(DocumentTest, SaveFailureReportsAndStaysModified) {
    openModified();
    store.failWrites = true;
    EXPECT_FALSE(doc.Save());
    ASSERT_EQ(feedback.messages().size(), 1u);
    EXPECT_EQ(feedback.messages()[0].text, "Failed to write font data");
    EXPECT_EQ(feedback.messages()[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "/data/set.pfo");
}

TEST_F(DocumentTest, SaveOfANeverSavedPortfolioRunsSaveAs) {
    doc.OnNewDocument();
    MemoryStore::addPicture(doc.m_portfolio, 1);
    doc.SetPortfolioName("a/b:c");
    chooser.answers.push_back(saveAnswer("/out/a_b_c.pfo", "a/b:c", "some notes"));
    EXPECT_TRUE(doc.Save());
    ASSERT_EQ(chooser.asked.size(), 1u);
    const FileRequest& r = chooser.asked[0];
    EXPECT_EQ(r.filter, SaveAsFilter);
    EXPECT_TRUE(r.nameAndNotes);
    EXPECT_TRUE(r.nameSetsFileName);
    EXPECT_EQ(r.name, "a/b:c");
    EXPECT_EQ(r.defaultName, "MyPortfolio");
    EXPECT_EQ(store.written, std::vector<std::string>{"/out/a_b_c.pfo"});
    EXPECT_EQ(doc.GetTitle(), "a_b_c.pfo");
    EXPECT_EQ(doc.GetPathName(), "/out/a_b_c.pfo");
    EXPECT_EQ(doc.m_portfolio.m_strNotes, "some notes");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(recent, std::vector<std::string>{"/out/a_b_c.pfo"});
}

TEST_F(DocumentTest, SaveAsCancelAndFailureKeepTheDocument) {
    openModified();
    EXPECT_FALSE(doc.SaveAs());                          // the chooser has no answer: Cancel
    EXPECT_FALSE(chooser.asked.back().nameSetsFileName); // the document has a path
    EXPECT_TRUE(store.written.empty());

    ASSERT_TRUE(doc.OnOpenDocument("/data/other.pfo"));
    store.failWrites = true;
    chooser.answers.push_back(saveAnswer("/out/x.pfo", "NewName"));
    EXPECT_FALSE(doc.SaveAs());
    EXPECT_EQ(feedback.messages().back().text, "Failed to write font data");
    EXPECT_EQ(doc.GetPathName(), "/data/other.pfo");
    // The name typed in the dialog is not on disk yet, so closing must still ask.
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocumentTest, SaveAsGivesANameWithoutExtensionThePortfolioOne) {
    openModified();
    chooser.answers.push_back(saveAnswer("/out.d/plain", "Changed"));
    EXPECT_TRUE(doc.SaveAs());
    EXPECT_EQ(store.written, std::vector<std::string>{"/out.d/plain.pfo"});
    EXPECT_EQ(doc.GetPathName(), "/out.d/plain.pfo");
}

TEST_F(DocumentTest, SaveAsUnderAPictureNameForgetsTheOldPath) {
    openModified();
    chooser.answers.push_back(saveAnswer("/out/copy.gif", "Changed"));
    EXPECT_TRUE(doc.SaveAs());
    EXPECT_EQ(doc.GetTitle(), "copy.gif");
    EXPECT_EQ(doc.GetPathName(), "");
    doc.SetPortfolioName("Later");
    chooser.answers.push_back(saveAnswer("/out/later.pfo", "Later"));
    EXPECT_TRUE(doc.Save()); // asks where instead of writing set.pfo
    EXPECT_EQ(store.written.back(), "/out/later.pfo");
    EXPECT_EQ(store.files["/data/set.pfo"].first, "Set");
}

TEST_F(DocumentTest, CloseWithCancelKeepsEverything) {
    openModified();
    feedback.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(doc.Close());
    EXPECT_TRUE(doc.m_bActive);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_portfolio.Count(), 3);
    EXPECT_EQ(doc.m_portfolio.m_strName, "Changed");
    EXPECT_EQ(doc.GetPathName(), "/data/set.pfo");

    feedback.queueAnswer(Answer::No);
    EXPECT_TRUE(doc.Close());
    EXPECT_FALSE(doc.m_bActive);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_portfolio.Count(), 0);
    EXPECT_EQ(doc.GetTitle(), " ");
    EXPECT_EQ(doc.m_portfolio.m_strName, "");
}

TEST_F(DocumentTest, NewKeepsMetricsAndAnimations) {
    ASSERT_TRUE(doc.OnOpenDocument("/data/set.pfo"));
    doc.m_portfolio.m_nAscent = 9;
    doc.m_portfolio.m_nWeight = 700;
    doc.m_portfolio.m_nSpacing = -1;
    doc.m_portfolio.m_nHeight = 14;
    doc.m_portfolio.m_bItalic = 1;
    doc.m_portfolio.m_animations.emplace_back().name = "Anim";
    doc.m_portfolio.m_strNotes = "notes";
    doc.NewPortfolio();
    const CPortfolio& p = doc.m_portfolio;
    EXPECT_EQ(p.m_strName, "MyPortfolio");
    EXPECT_EQ(p.m_strNotes, "");
    EXPECT_EQ(p.Count(), 0);
    EXPECT_EQ(p.m_nAscent, 9);
    EXPECT_EQ(p.m_nWeight, 700);
    EXPECT_EQ(p.m_nSpacing, -1);
    EXPECT_EQ(p.m_nHeight, 14);
    EXPECT_EQ(p.m_bItalic, 1);
    EXPECT_EQ(p.m_animations.size(), 1u);
    EXPECT_EQ(doc.GetTitle(), "MyPortfolio");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_TRUE(doc.m_bActive);

    doc.m_portfolio.m_nAscent = 9;
    ASSERT_TRUE(doc.LoadPortfolio("/data/other.pfo"));
    EXPECT_EQ(doc.m_portfolio.m_nAscent, 0); // reading starts from a fresh portfolio
    EXPECT_TRUE(doc.m_portfolio.m_animations.empty());
}

TEST_F(DocumentTest, LoadingResetsMetricsButLeavesTheNameToTheFile) {
    ASSERT_TRUE(doc.OnOpenDocument("/data/set.pfo"));
    store.files["/data/noname.pfo"] = {"", 2};
    doc.m_portfolio.m_nSpacing = 2;
    doc.m_portfolio.m_strNotes = "old";
    EXPECT_TRUE(doc.LoadPortfolio("/data/noname.pfo")); // a file without a name line
    EXPECT_EQ(doc.m_portfolio.m_strName, "Set");
    EXPECT_EQ(doc.m_portfolio.m_nSpacing, 0);
    EXPECT_EQ(doc.m_portfolio.m_strNotes, "");
    EXPECT_EQ(doc.m_portfolio.Count(), 2);
}

TEST_F(DocumentTest, AFailedOpenReplacesNothing) {
    // Everything a failed read could have touched, changed from what the file holds.
    openModified();
    doc.SetPortfolioNotes("my notes");
    doc.m_portfolio.m_nAscent = 5;
    doc.m_portfolio.m_animations.emplace_back().name = "Walk";
    const std::string title = doc.GetTitle();

    auto expectUnchanged = [&] {
        EXPECT_EQ(doc.m_portfolio.Count(), 3);
        EXPECT_EQ(doc.m_portfolio.m_strName, "Changed");
        EXPECT_EQ(doc.m_portfolio.m_strNotes, "my notes");
        EXPECT_EQ(doc.m_portfolio.m_nAscent, 5);
        EXPECT_EQ(doc.m_portfolio.m_animations.size(), 1u);
        EXPECT_EQ(doc.GetPathName(), "/data/set.pfo");
        EXPECT_EQ(doc.GetTitle(), title);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_TRUE(doc.m_bActive);
    };
    // Through the Open dialog, its changed-prompt answered No...
    FileAnswer pick;
    pick.paths = {"/data/broken.pfo"};
    chooser.answers.push_back(pick);
    feedback.queueAnswer(Answer::No);
    doc.OpenFile();
    ASSERT_EQ(feedback.messages().size(), 2u);
    // The reader's reason, under the name of the file it concerns.
    EXPECT_EQ(feedback.messages()[1].text, "/data/broken.pfo\n\nUnable to open file:\nbroken");
    expectUnchanged();
    // ...and through the recent-file list.
    EXPECT_TRUE(doc.OnOpenDocument("/data/broken.pfo"));
    expectUnchanged();

    // Save writes the portfolio that is shown to the file it came from, without asking.
    EXPECT_TRUE(doc.Save());
    EXPECT_TRUE(chooser.answers.empty());
    EXPECT_EQ(store.written, std::vector<std::string>{"/data/set.pfo"});
    EXPECT_EQ(store.files["/data/set.pfo"], std::make_pair(std::string("Changed"), 3));
}

TEST_F(DocumentTest, AFailedOpenWithoutPortfolioStaysWithout) {
    EXPECT_TRUE(doc.OnOpenDocument("/data/broken.pfo"));
    EXPECT_FALSE(doc.m_bActive);
    EXPECT_EQ(doc.m_portfolio.Count(), 0);
    EXPECT_EQ(doc.GetTitle(), " ");
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(recent.empty());
}

TEST_F(DocumentTest, DeletingPicturesTakesTheirAnimationFramesAlong) {
    ASSERT_TRUE(doc.OnOpenDocument("/data/set.pfo")); // pictures 1, 2, 3
    Animation& a = doc.m_portfolio.m_animations.emplace_back();
    for (int id : {1, 2, 3, 2})
        a.frames.push_back(AnimationFrame{id});
    EXPECT_EQ(doc.DeletePictures({}), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.DeletePictures({1, 0, 7, 1}), 2); // out of range and repeated are ignored
    ASSERT_EQ(doc.m_portfolio.Count(), 1);
    EXPECT_EQ(doc.m_portfolio.Picture(0).m_nId, 3);
    ASSERT_EQ(a.frames.size(), 1u);
    EXPECT_EQ(a.frames[0].id, 3);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocumentTest, SetPathNameAcceptsOnlyPortfolioNames) {
    doc.SetPathName("/x.y/set.r");
    EXPECT_EQ(doc.GetPathName(), "/x.y/set.r");
    doc.SetPathName("/home/a.b/pic.gif");
    doc.SetPathName("/home/a.pfo/noext");
    EXPECT_EQ(doc.GetPathName(), "/x.y/set.r");
    EXPECT_EQ(recent, std::vector<std::string>{"/x.y/set.r"});
}

TEST_F(DocumentTest, OpeningAPictureAddsToTheOpenPortfolio) {
    std::vector<std::string> imported;
    doc.m_importPicture = [&](const std::string& p) {
        imported.push_back(p);
        MemoryStore::addPicture(doc.m_portfolio, 50);
        doc.SetModifiedFlag();
    };
    ASSERT_TRUE(doc.OnOpenDocument("/data/set.pfo"));
    FileAnswer pick;
    pick.paths = {"/pics.d/photo.gif"};
    pick.filterIndex = 3;
    chooser.answers.push_back(pick);
    doc.OpenFile();
    EXPECT_EQ(chooser.asked[0].filter, OpenFileFilter);
    EXPECT_EQ(chooser.asked[0].defaultExt, OpenFileDefaultExt);
    EXPECT_EQ(doc.m_nOpenFilterIndex, 3);
    EXPECT_EQ(imported, std::vector<std::string>{"/pics.d/photo.gif"});
    EXPECT_EQ(doc.m_portfolio.Count(), 4);
    EXPECT_EQ(doc.GetPathName(), "/data/set.pfo");
    EXPECT_TRUE(feedback.messages().empty()); // an open portfolio is not prompted for

    chooser.answers.push_back(std::nullopt);
    doc.OpenFile();
    EXPECT_EQ(chooser.asked[1].filterIndex, 3); // the last filter is offered again
}

TEST_F(DocumentTest, OpeningAPictureWithoutPortfolioStartsANewOne) {
    int imports = 0;
    doc.m_importPicture = [&](const std::string&) { ++imports; };
    EXPECT_TRUE(doc.OnOpenDocument("/p/pic.bmp"));
    EXPECT_EQ(imports, 1);
    EXPECT_TRUE(doc.m_bActive);
    EXPECT_EQ(doc.m_portfolio.m_strName, "MyPortfolio");
    EXPECT_EQ(doc.GetPathName(), "");

    Document bare{feedback, chooser, store};
    EXPECT_TRUE(bare.OnOpenDocument("/p/pic.bmp"));
    EXPECT_EQ(feedback.messages().back().text, "Picture import is not built yet.");
}

TEST_F(DocumentTest, OpeningAPortfolioPromptsFirstAndMissingFilesFail) {
    openModified();
    FileAnswer pick;
    pick.paths = {"/data/other.pfo"};
    chooser.answers.push_back(pick);
    feedback.queueAnswer(Answer::Cancel);
    doc.OpenFile();
    EXPECT_EQ(doc.m_portfolio.m_strName, "Changed"); // cancelled: nothing loaded

    EXPECT_FALSE(doc.OnOpenDocument("/data/gone.pfo"));
    EXPECT_EQ(feedback.messages().back().icon, MessageIcon::Stop);
    EXPECT_EQ(feedback.messages().back().text,
              "/data/gone.pfo\n\nUnable to open file:\nFile not found");

    auto missing = std::filesystem::temp_directory_path() / "no-such-dir.x" / "gone.pfo";
    EXPECT_EQ(fileOpenError(missing), fileErrorText(FileErrorCause::FileNotFound));
}

} // namespace
} // namespace pixelon

// The portfolio operations as the window runs them, with their dialogs answered by a script.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QListWidget>
#include <QStatusTipEvent>

#include <algorithm>
#include <deque>
#include <fstream>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/OperationDialogs.h"
#include "codecs/GifWriter.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

// Dialog answers from queues; an empty queue cancels. What was proposed is kept.
class ScriptedOperationDialogs : public OperationDialogs {
public:
    std::deque<std::optional<int>> ids;
    std::vector<int> proposals;
    std::function<bool(HeightDialogModel&)> heights = [](HeightDialogModel&) { return false; };
    std::optional<int> shift;
    std::function<std::optional<MergeChoice>(const CPortfolio&, const CPortfolio&)> merger;
    std::optional<ScreenGrab> grab;
    std::vector<std::string> heightTitles;

    std::optional<int> askPortfolioId(int proposal) override {
        proposals.push_back(proposal);
        if (ids.empty())
            return std::nullopt;
        auto id = ids.front();
        ids.pop_front();
        return id;
    }
    bool editHeights(HeightDialogModel& model) override {
        heightTitles.push_back(model.title);
        return heights(model);
    }
    bool editShift(ShiftDialogModel& model) override {
        if (!shift)
            return false;
        model.shift.setValue(*shift);
        return true;
    }
    std::optional<MergeChoice> merge(const CPortfolio& ours, const CPortfolio& theirs) override {
        return merger ? merger(ours, theirs) : std::nullopt;
    }
    std::optional<ScreenGrab> grabScreen() override { return grab; }
};

struct OperationsFixture : AppFixture {
    ScriptedOperationDialogs operations;
    CGlyphonApp& startWith(const std::optional<std::string>& file = {}) {
        AppServices s = services();
        s.operationDialogs = &operations;
        app = std::make_unique<CGlyphonApp>(s);
        app->InitInstance(file, false);
        return *app;
    }
};

std::vector<int> listIds(CGlyphonApp& app) {
    std::vector<int> ids;
    for (const auto& p : app.doc().m_portfolio.m_pictures)
        ids.push_back(p->m_nId);
    return ids;
}

QStringList lines(CGlyphonApp& app) {
    QStringList out;
    for (int i = 0; i < app.view().list()->count(); ++i)
        out << app.view().list()->item(i)->text();
    return out;
}

} // namespace

class OperationCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void duplicateAndChangeIdFollowTheProposals() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {1, 2, 4}));
        app.doc().m_portfolio.m_animations.push_back(Animation{});
        app.doc().m_portfolio.m_animations[0].frames.push_back({2, 0, 0, 0, 100});
        app.view().selectOnly(0);
        f.operations.ids.push_back(3);
        app.view().runCommand(ID_DUPLICATE_PICTURE);
        QCOMPARE(f.operations.proposals.back(), 3);
        QCOMPARE(lines(app), QStringList({"00001", "00002", "00003", "00004"}));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{2});
        QVERIFY(app.doc().IsModified());

        app.view().selectOnly(1);
        f.operations.ids.push_back(9);
        app.view().runCommand(ID_PICTURE_ID);
        QCOMPARE(f.operations.proposals.back(), 2);
        QCOMPARE(lines(app), QStringList({"00001", "00003", "00004", "00009"}));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{3});
        QCOMPARE(app.doc().m_portfolio.m_animations[0].frames[0].id, 9);

        // Cancel changes nothing.
        app.view().runCommand(ID_PICTURE_ID);
        QCOMPARE(listIds(app), (std::vector<int>{1, 3, 4, 9}));
    }

    void reorderAndCheckUnicodes() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {0x41, 0x41, 90}));
        app.view().runCommand(ID_CHECK_UNICODES);
        QCOMPARE(f.feedback.messages().size(), std::size_t(1));
        QCOMPARE(f.feedback.messages()[0].text,
                 std::string("WARNING!\n\n\tDuplicate Portfolio IDs defined in resource.\n\tPlease "
                             "Change Portfolio ID of one of the Pictures with #: 0041 (00065)"));
        QCOMPARE(f.feedback.messages()[0].icon, MessageIcon::Exclamation);
        app.view().runCommand(ID_REORDER_IDS);
        QCOMPARE(lines(app), QStringList({"00001", "00002", "00003"}));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{0});
        f.feedback.clear();
        app.view().runCommand(ID_CHECK_UNICODES);
        QCOMPARE(f.feedback.messages().back().icon, MessageIcon::Information);
        QVERIFY(f.feedback.messages().back().text.find("3 Portfolio IDs checked.") !=
                std::string::npos);
    }

    void heightCommandsOnTheSelection() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {1, 2})); // 4 x 3 each
        app.view().selectOnly(1);
        f.operations.heights = [](HeightDialogModel& m) {
            m.top.setValue(2);
            m.bottom.setValue(1);
            return true;
        };
        app.view().runCommand(ID_ENLARGE_HEIGHT);
        QCOMPARE(f.operations.heightTitles.back(), std::string("Enlarge Height of Images"));
        QCOMPARE(app.doc().m_portfolio.Picture(0).m_nHeight, 3);
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nHeight, 6);
        QVERIFY(app.doc().IsModified());

        app.view().selectAll();
        f.operations.shift = 2;
        app.view().runCommand(ID_SHIFT_VERTICALLY);
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nHeight, 6);
        QCOMPARE(app.doc().m_portfolio.Picture(0).GetPixel(0, 1), std::uint16_t(0xFFFF));

        app.view().selectAll();
        f.operations.heights = [](HeightDialogModel& m) {
            m.top.setValue(1);
            m.threshold.setValue(5);
            return true;
        };
        app.view().runCommand(ID_CROP_HEIGHT);
        QCOMPARE(app.doc().m_portfolio.Picture(0).m_nHeight, 3); // not higher than 5
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nHeight, 5);
    }

    void heightCommandsWithoutASelectionSaySo() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {1, 2}));
        app.view().list()->clearSelection();
        int asked = 0;
        f.operations.heights = [&asked](HeightDialogModel&) {
            ++asked;
            return true;
        };
        for (int id : {ID_CROP_HEIGHT, ID_ENLARGE_HEIGHT, ID_SHIFT_VERTICALLY}) {
            app.frame().showPrompt("Ready");
            // Enabled as the rules say, and reached through Find Command as a user does.
            QVERIFY(app.frame().action(id)->isEnabled());
            app.frame().m_chooseCommand = [id](const CommandFinder&, const CommandState&) {
                return id;
            };
            app.frame().action(ID_FIND_COMMAND)->trigger();
            QCOMPARE(app.frame().statusPrompt(), QString("Select the pictures to change first"));
        }
        QCOMPARE(asked, 0);
        QVERIFY(!app.doc().IsModified());
        QVERIFY(f.feedback.messages().empty());

        // With a selection the dialog opens as before.
        app.view().selectOnly(0);
        app.view().runCommand(ID_CROP_HEIGHT);
        QCOMPARE(asked, 1);
    }

    void theSelectionNoteGoesOnceTheUserDoesSomethingElse() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {1, 2, 3}));
        CMainFrame& frame = app.frame();
        const QString note("Select the pictures to change first");
        const auto noteAfter = [&](int id) {
            app.view().list()->clearSelection();
            app.view().runCommand(id);
            return frame.statusPrompt() == note;
        };
        // Selecting pictures, with the mouse or the keyboard, answers the note.
        QVERIFY(noteAfter(ID_ENLARGE_HEIGHT));
        app.view().list()->item(1)->setSelected(true);
        QCOMPARE(frame.statusPrompt(), QString("Ready"));
        QVERIFY(noteAfter(ID_SHIFT_VERTICALLY));
        app.view().selectAll();
        QCOMPARE(frame.statusPrompt(), QString("Ready"));

        // So does any other command, and a change of the document.
        QVERIFY(noteAfter(ID_CROP_HEIGHT));
        app.view().runCommand(ID_NEXT_PANE);
        QCOMPARE(frame.statusPrompt(), QString("Ready"));
        QVERIFY(noteAfter(ID_CROP_HEIGHT));
        app.view().documentChanged();
        QCOMPARE(frame.statusPrompt(), QString("Ready"));

        // The same command again says it again; a menu prompt replaces the note and stays
        // while the selection changes under it.
        QVERIFY(noteAfter(ID_CROP_HEIGHT));
        QVERIFY(noteAfter(ID_CROP_HEIGHT));
        QStatusTipEvent tip("Crops the selected pictures");
        QCoreApplication::sendEvent(&frame, &tip);
        app.view().selectOnly(2);
        QCOMPARE(frame.statusPrompt(), QString("Crops the selected pictures"));
        QStatusTipEvent leave("");
        QCoreApplication::sendEvent(&frame, &leave);
        QCOMPARE(frame.statusPrompt(), QString("Ready"));
    }

    void mergeThroughTheChooserAndTheDialog() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("ours.pfo", {1, 5}));
        const std::string other = f.writePortfolio("theirs.pfo", {5, 7});
        f.chooser.queuePath(other);
        f.operations.merger = [](const CPortfolio& ours, const CPortfolio& theirs) {
            return std::optional<MergeChoice>(
                AutomaticMergeChoice(ours, theirs, MergeKeep::Theirs));
        };
        app.view().runCommand(ID_MERGE_PORTFOLIOS);
        QCOMPARE(f.chooser.asked.back().defaultExt, std::string("pfo"));
        QCOMPARE(lines(app), QStringList({"00001", "00005", "00007"}));
        QVERIFY(app.doc().IsModified());

        // A file that cannot be read says so and changes nothing.
        std::ofstream(f.path("bad.pfo")) << "garbage\n";
        f.chooser.queuePath(f.path("bad.pfo"));
        f.feedback.clear();
        app.view().runCommand(ID_MERGE_PORTFOLIOS);
        QCOMPARE(f.feedback.messages().size(), std::size_t(1));
        QCOMPARE(f.feedback.messages()[0].text, f.path("bad.pfo") + "\n\nCannot open file");
        QCOMPARE(f.feedback.messages()[0].title, std::string("ERROR"));
        QCOMPARE(f.feedback.messages()[0].icon, MessageIcon::Stop);
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
    }

    void pictureFromFileSwapsFirstAndLastOfSeveral() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith();
        app.view().runCommand(ID_FILE_NEW);
        FileAnswer answer;
        for (int width : {2, 3, 5}) {
            CPicture p;
            p.Create(width, 2, 1);
            p.m_nDepth = 16;
            const std::string path = f.path(("w" + std::to_string(width) + ".GIF").c_str());
            QVERIFY(WritePictureGif(p, path, 100, 100));
            answer.paths.push_back(path);
        }
        answer.filterIndex = 2;
        f.chooser.answers.push_back(answer);
        app.view().runCommand(ID_INSERT_FROM_FILE);
        QVERIFY(!f.chooser.asked.empty());
        QCOMPARE(f.chooser.asked.back().title, std::string("Insert Picture from file"));
        QVERIFY(f.chooser.asked.back().multiple);
        QCOMPARE(f.editorRuns, 0); // several files: a batch, no editor
        QCOMPARE(listIds(app), (std::vector<int>{1, 2, 3}));
        QCOMPARE(app.doc().m_portfolio.Picture(0).m_nWidth, 5);
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nWidth, 3);
        QCOMPARE(app.doc().m_portfolio.Picture(2).m_nWidth, 2);

        // One file goes through the editor; Cancel adds nothing. The filter index is kept.
        FileAnswer one;
        one.paths = {answer.paths[0]};
        f.chooser.answers.push_back(one);
        f.editor = [](CPicture&) { return false; };
        app.view().runCommand(ID_INSERT_FROM_FILE);
        QCOMPARE(f.chooser.asked.back().filterIndex, 2);
        QCOMPARE(f.editorRuns, 1);
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
    }

    // A batch import that meets a broken GIF says which file it was, and the progress window
    // names every file as it is read.
    void importFailuresNameTheFile() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith();
        app.view().runCommand(ID_FILE_NEW);
        CPicture p;
        p.Create(3, 2, 1);
        p.m_nDepth = 16;
        const std::string good = f.path("good.gif"), broken = f.path("broken.gif");
        QVERIFY(WritePictureGif(p, good, 100, 100));
        // A screen descriptor and the trailer, but no image.
        const char noImage[] = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0, ';'};
        std::ofstream(broken, std::ios::binary).write(noImage, sizeof noImage);
        FileAnswer answer;
        answer.paths = {good, broken, good};
        f.chooser.answers.push_back(answer);
        app.view().runCommand(ID_INSERT_FROM_FILE);
        QCOMPARE(app.doc().m_portfolio.Count(), 2);
        QCOMPARE(f.feedback.messages().size(), std::size_t(1));
        QCOMPARE(f.feedback.messages()[0].text, broken + "\n\nThe GIF file holds no image.");
        QCOMPARE(f.feedback.messages()[0].icon, MessageIcon::Stop);
        const auto& events = f.feedback.progressEvents();
        QCOMPARE(std::count(events.begin(), events.end(), std::string("text broken.gif")), 1);
        QVERIFY(std::count(events.begin(), events.end(), std::string("text good.gif")) >= 1);
    }

    void pasteAndEditKeepsThePictureAndCopyWithGrid() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {4}));
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(QColor(0, 0, 255));
        QGuiApplication::clipboard()->setImage(image);
        f.editor = [](CPicture&) { return false; };
        app.view().runCommand(ID_PASTE_EDIT_NEW_PICTURE);
        QCOMPARE(f.editorRuns, 1);
        QCOMPARE(lines(app), QStringList({"00004", "00005"}));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{1});
        QCOMPARE(app.doc().m_portfolio.Picture(1).PixelColour(0, 0), rgb(0, 0, 255));

        app.view().runCommand(ID_COPY_WITH_GRID);
        const QImage grid = QGuiApplication::clipboard()->image();
        QCOMPARE(grid.size(), QSize(3 * 6 + 1, 2 * 6 + 1));
        QCOMPARE(QColor(grid.pixel(0, 0)), QColor(128, 128, 128));
        QCOMPARE(QColor(grid.pixel(3, 3)), QColor(0, 0, 255));
    }

    void copyPictureTakesTheWholeOfALargePicture() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {4}));
        // As large as New Picture makes them, beyond what Create allows.
        CPicture& p = app.doc().m_portfolio.Picture(0);
        p.m_nWidth = 1300;
        p.m_nHeight = 1360;
        p.m_nDepth = 16;
        QVERIFY(p.ResizeStorage()); // all black
        app.view().selectOnly(0);
        app.view().runCommand(ID_EDIT_COPY);
        const QImage copy = QGuiApplication::clipboard()->image();
        QCOMPARE(copy.size(), QSize(1300, 1360));
        for (QPoint at :
             {QPoint(1279, 1023), QPoint(1280, 100), QPoint(100, 1024), QPoint(1299, 1359)})
            QCOMPARE(QColor(copy.pixel(at)), QColor(0, 0, 0));
    }

    void imageGrabberAddsLargeEnoughRectangles() {
        OperationsFixture f;
        CGlyphonApp& app = f.startWith(f.writePortfolio("set.pfo", {1}));
        Surface screen(100, 50, rgb(0, 255, 0));
        f.operations.grab = ScreenGrab{screen, {10, 10, 18, 30}}; // 8 wide: too small
        app.view().runCommand(ID_IMAGE_GRABBER);
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
        f.operations.grab = ScreenGrab{screen, {10, 10, 30, 30}};
        app.view().runCommand(ID_IMAGE_GRABBER);
        QCOMPARE(lines(app), QStringList({"00001", "00002"}));
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nWidth, 20);
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nDepth, 16);
        QVERIFY(app.doc().IsModified());
    }
};

PIXELON_QT_TEST(OperationCommandsTest)

} // namespace pixelon::app::test

#include "operationcommands_test.moc"

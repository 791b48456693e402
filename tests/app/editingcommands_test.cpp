// The picture editor's commands, with the editor and New Picture dialog scripted.

#include <QAction>
#include <QListWidget>

#include <fstream>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

class EditingCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void editPictureNeedsOneSelectionAndOkMarksModified() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        QAction* edit = app.frame().action(ID_EDIT_PICTURE);
        QVERIFY(edit);
        QVERIFY(!edit->isEnabled());
        app.view().selectAll();
        QVERIFY(!edit->isEnabled()); // two lines selected
        app.view().selectOnly(1);
        app.frame().updateCommands();
        QVERIFY(edit->isEnabled());

        f.editor = [](CPicture&) { return false; };
        edit->trigger();
        QCOMPARE(f.editorRuns, 1);
        QVERIFY(!app.doc().IsModified()); // cancelled

        f.editor = [](CPicture& p) {
            p.SetPixel(0, 0, 0);
            return true;
        };
        QTest::mouseDClick(app.view().preview(), Qt::LeftButton);
        QCOMPARE(f.editorRuns, 2);
        QVERIFY(app.doc().IsModified());
        QCOMPARE(edit->shortcuts().value(0), QKeySequence("Ctrl+E"));
        QVERIFY(edit->shortcuts().contains(QKeySequence(Qt::Key_Return)));
    }

    void newPictureIsAddedSelectedAndKeptWhenTheEditorIsCancelled() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 4});
        CGlyphonApp& app = f.start(file);
        int caretSeen = -2;
        f.newPicture = [&caretSeen](const CPortfolio&, int caret) {
            caretSeen = caret;
            auto p = std::make_unique<CPicture>();
            p->Create(5, 6, 3);
            return p;
        };
        f.editor = [](CPicture&) { return false; };
        app.view().selectOnly(0);
        app.frame().action(ID_NEW_PICTURE)->trigger();
        QCOMPARE(caretSeen, 0);
        QCOMPARE(app.view().list()->count(), 4);
        QCOMPARE(app.view().list()->item(2)->text(), QString("00003"));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{2});
        QCOMPARE(f.editorRuns, 1);
        QVERIFY(app.doc().IsModified());

        f.newPicture = [](const CPortfolio&, int) { return std::unique_ptr<CPicture>(); };
        app.frame().action(ID_NEW_PICTURE)->trigger(); // the dialog is cancelled
        QCOMPARE(app.view().list()->count(), 4);
    }

    void newPictureNeedsAnOpenPortfolio() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        QVERIFY(!app.frame().action(ID_NEW_PICTURE)->isEnabled());
        QCOMPARE(app.frame().action(ID_NEW_PICTURE)->shortcut(), QKeySequence("Ctrl+I"));
    }

    void interactiveImportAddsOnlyOnOk() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        // A 1 x 1 24-bit BMP.
        const unsigned char bmp[58] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0,   0, 0,  40,
                                       0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1,   0, 24, 0,
                                       0,   0,   0,  0, 4, 0, 0, 0, 0, 0, 0,  0,   0, 0,  0,
                                       0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  255, 0};
        std::string picture = f.path("one.bmp");
        std::ofstream(picture, std::ios::binary).write(reinterpret_cast<const char*>(bmp), 58);
        CGlyphonApp& app = f.start(file);
        f.editor = [](CPicture&) { return false; };
        f.chooser.queuePath(picture);
        app.frame().action(ID_FILE_OPEN)->trigger();
        QCOMPARE(f.editorRuns, 1);
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
        f.editor = [](CPicture&) { return true; };
        f.chooser.queuePath(picture);
        app.frame().action(ID_FILE_OPEN)->trigger();
        QCOMPARE(app.doc().m_portfolio.Count(), 2);
        QCOMPARE(app.view().list()->item(1)->text(), QString("00002"));
    }
};

PIXELON_QT_TEST(EditingCommandsTest)

} // namespace pixelon::app::test

#include "editingcommands_test.moc"

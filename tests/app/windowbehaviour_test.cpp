// The main window as a user first meets it: what a command-line open shows, where the keyboard
// focus is, what New Picture proposes after a multiple selection, the boxes of a failed merge
// and of a failed open.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

#include <fstream>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "operations/NewPicture.h"
#include "platform/qt/QtFeedback.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

// A portfolio file with pictures of the given IDs and square sizes, and an ascent.
std::string writeSized(AppFixture& f, const char* name,
                       std::initializer_list<std::pair<int, int>> idsAndSizes, int ascent) {
    CPortfolio p;
    p.m_strName = "Sized";
    p.m_nAscent = ascent;
    for (auto [id, size] : idsAndSizes) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(size, size, id);
        p.InsertSorted(std::move(picture));
    }
    RecordingFeedback quiet;
    p.WriteFile(f.path(name), quiet);
    return f.path(name);
}

// Remembers the title, text and icon of the next message box and closes it (bounded: about
// two seconds of looking).
struct BoxWatcher {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    void arm(int tries = 0) {
        QTimer::singleShot(10, [this, tries] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            } else if (tries < 200) {
                arm(tries + 1);
            }
        });
    }
};

} // namespace

class WindowBehaviourTest : public QObject {
    Q_OBJECT
private slots:
    void ascentLineAfterACommandLineOpen_data() {
        QTest::addColumn<int>("ascent");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ascent 7, fresh settings") << 7 << 0 << true;
        QTest::newRow("ascent 7, shown before") << 7 << 1 << true;
        QTest::newRow("ascent 0, shown before") << 0 << 1 << true;
        QTest::newRow("ascent 0, fresh settings") << 0 << 0 << false;
    }
    void ascentLineAfterACommandLineOpen() {
        QFETCH(int, ascent);
        QFETCH(int, stored);
        QFETCH(bool, ticked);
        AppFixture f;
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "ViewAscentLine", stored);
        const std::string file = writeSized(f, "demo.pfo", {{1, 12}, {2, 12}}, ascent);
        CGlyphonApp& app = f.start(file); // as `vistrel demo.pfo` does
        QCOMPARE(app.frame().ascentLineChecked(), ticked);
        QCOMPARE(app.frame().action(ID_ASCENT_LINE)->isChecked(), ticked);
        app.view().selectOnly(0);
        app.view().updatePreview();
        if (ascent > 0)
            QCOMPARE(app.view().previewBitmap().pixel(5, ascent), rgb(255, 0, 0));
        // Opening the same file again through the menu shows the same.
        f.chooser.queuePath(file);
        app.view().runCommand(ID_FILE_OPEN);
        QCOMPARE(app.frame().ascentLineChecked(), ticked);
    }

    void focusStartsOnThePictureList() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {1, 2, 3}));
        app.frame().show();
        app.frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.frame(), 2000));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(app.view().list()));
        QVERIFY(!app.view().nameField()->hasFocus());
        // The arrows move through the pictures and Delete removes the one reached.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        const std::vector<int> reached = app.view().selectedIndices();
        QCOMPARE(reached.size(), std::size_t(1));
        QCOMPARE(reached[0], app.view().list()->currentRow());
        const QString gone = app.view().list()->item(reached[0])->text();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QCOMPARE(app.view().list()->count(), 2);
        QVERIFY(app.view().list()->findItems(gone, Qt::MatchExactly).isEmpty());
        // Tab leads on to the name and the notes.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(app.view().nameField()));
    }

    void newPictureProposesFromTheCaretLine() {
        AppFixture f;
        CGlyphonApp& app = f.start(writeSized(f, "set.pfo", {{1, 3}, {2, 5}, {4, 7}}, 0));
        std::optional<NewPictureModel> proposed;
        f.newPicture = [&](const CPortfolio& portfolio, int caret) {
            proposed.emplace(portfolio, caret);
            return std::unique_ptr<CPicture>();
        };
        app.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app.frame(), 2000));
        QListWidget* list = app.view().list();
        // 00001 clicked, then 00004 Ctrl+clicked: the caret is on 00004.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(2)).center());
        QCOMPARE(app.view().selectedIndices(), (std::vector<int>{0, 2}));
        app.frame().action(ID_NEW_PICTURE)->trigger();
        QVERIFY(proposed);
        QCOMPARE(proposed->idText(), std::string("00005"));
        QCOMPARE(proposed->width(), 7);
        QCOMPARE(proposed->height(), 7);

        // Ctrl+clicking 00004 again drops it from the selection: the proposal follows the
        // line still selected.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualItemRect(list->item(2)).center());
        app.frame().action(ID_NEW_PICTURE)->trigger();
        QCOMPARE(proposed->idText(), std::string("00003"));
        QCOMPARE(proposed->width(), 3);

        // Without a selection the last line proposes.
        list->clearSelection();
        app.frame().action(ID_NEW_PICTURE)->trigger();
        QCOMPARE(proposed->idText(), std::string("00005"));
    }

    void failedOpenKeepsTheOpenPortfolio() {
        AppFixture f;
        const std::string ours = f.writePortfolio("ours.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(ours);
        const QString caption = app.frame().windowTitle();
        // A text file under a portfolio's name, through the File menu and through the
        // recent-file path alike.
        std::ofstream(f.path("notes.pfo")) << "Shopping list\nmilk\n";
        f.chooser.queuePath(f.path("notes.pfo"));
        app.view().runCommand(ID_FILE_OPEN);
        QCOMPARE(f.feedback.messages().size(), std::size_t(1));
        QVERIFY(f.feedback.messages()[0].text.starts_with(f.path("notes.pfo") + "\n\n"));
        app.doc().OnOpenDocument(f.path("notes.pfo"));
        QCOMPARE(f.feedback.messages().size(), std::size_t(2));
        QCOMPARE(app.view().list()->count(), 3);
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
        QCOMPARE(app.frame().windowTitle(), caption);
        QCOMPARE(app.doc().GetPathName(), ours);
        QVERIFY(!app.doc().IsModified());
    }

    void failedMergeReadShowsAnErrorBox() {
        AppFixture f;
        QtFeedback boxes;
        AppServices s = f.services();
        s.feedback = &boxes;
        f.app = std::make_unique<CGlyphonApp>(s);
        CGlyphonApp& app = *f.app;
        app.InitInstance(f.writePortfolio("ours.pfo", {1, 2}), false);
        if (!app.view().hasCommand(ID_MERGE_PORTFOLIOS))
            QSKIP("built without the operation windows");
        std::ofstream(f.path("bad.pfo")) << "garbage\n";
        f.chooser.queuePath(f.path("bad.pfo"));
        BoxWatcher watcher;
        watcher.arm();
        app.view().runCommand(ID_MERGE_PORTFOLIOS);
        QCOMPARE(watcher.title, QString("ERROR"));
        QCOMPARE(watcher.text, QString::fromStdString(f.path("bad.pfo") + "\n\nCannot open file"));
        QCOMPARE(watcher.icon, QMessageBox::Critical);
        QCOMPARE(app.doc().m_portfolio.Count(), 2);
    }
};

PIXELON_QT_TEST(WindowBehaviourTest)

} // namespace pixelon::app::test

#include "windowbehaviour_test.moc"

// The main window's shape, menus, accelerators, caption and status line.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolBar>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

QStringList allMenuTexts(QMenuBar* bar) {
    QStringList out;
    for (QAction* top : bar->actions()) {
        out << top->text();
        if (QMenu* m = top->menu())
            for (QAction* a : m->actions())
                out << a->text();
    }
    return out;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void fixedCentredFrame() {
        AppFixture f;
        CMainFrame& frame = f.start().frame();
        QCOMPARE(frame.size(), QSize(800, 800));
        QCOMPARE(frame.minimumSize(), frame.maximumSize());
        QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(frame.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(CMainFrame::centredOn(QRect(0, 0, 1920, 1080)), QPoint(560, 140));
        QCOMPARE(CMainFrame::centredOn(QRect(0, 0, 640, 480)), QPoint(0, 0));
        QCOMPARE(frame.windowTitle(), QString("Vistrel -  "));
        QCOMPARE(f.app->view().findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly)->text(),
                 QString("Portfolio:"));
    }

    void menusAfterStart() {
        AppFixture f;
        CMainFrame& frame = f.start().frame();
        QStringList texts = allMenuTexts(frame.menuBar());
        QVERIFY(!texts.contains("&Tools"));
        QVERIFY(!texts.contains("Export to &Windows Font..."));
        QVERIFY(!texts.contains("Export &Image to File..."));
        QVERIFY(!texts.contains("Select &All"));
        QVERIFY(texts.contains("&New Portfolio"));
        QVERIFY(texts.contains("&About Vistrel") || !frame.action(ID_APP_ABOUT));
        QCOMPARE(frame.menuBar()->actions().first()->text(), QString("&File"));
        // Commands without a menu item keep their accelerators.
        QAction* selectAll = frame.action(ID_SELECT_ALL);
        QVERIFY(selectAll);
        QCOMPARE(selectAll->shortcut(), QKeySequence("Ctrl+A"));
        QVERIFY(frame.actions().contains(selectAll));
        QAction* ascent = frame.action(ID_ASCENT_LINE);
        QVERIFY(ascent && ascent->isCheckable());
        QCOMPARE(ascent->shortcut(), QKeySequence("Ctrl+W"));
        QCOMPARE(frame.action(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
    }

    void acceleratorsOfRemovedItemsStillWork() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(file);
        app.frame().show();
        app.frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.frame(), 2000));
        QTest::keySequence(&app.frame(), QKeySequence("Ctrl+A"));
        QCOMPARE(app.view().selectedIndices().size(), std::size_t(3));
        bool before = app.frame().ascentLineChecked();
        QTest::keySequence(&app.frame(), QKeySequence("Ctrl+W"));
        QCOMPARE(app.frame().ascentLineChecked(), !before);
        QCOMPARE(app.frame().action(ID_ASCENT_LINE)->isChecked(), !before);
        QCOMPARE(f.settings.m_nViewAscentLine, before ? 0 : 1);
    }

    void deleteKeyRemovesTheSelectedPictures() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(file);
        app.frame().show();
        app.frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.frame(), 2000));
        app.view().list()->item(0)->setSelected(true);
        app.view().list()->item(2)->setSelected(true);
        QTest::keyClick(&app.frame(), Qt::Key_Delete);
        QCOMPARE(app.view().list()->count(), 1);
        QCOMPARE(app.view().list()->item(0)->text(), QString("00002"));
        QVERIFY(app.doc().IsModified());
        QVERIFY(app.frame().statusSummary().startsWith("1 pictures"));
    }

    void enablementFollowsDocumentAndSelection() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        CMainFrame& frame = app.frame();
        QVERIFY(frame.action(ID_FILE_NEW)->isEnabled());
        QVERIFY(!frame.action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(!frame.action(ID_PORTFOLIO_NAME)->isEnabled());
        frame.action(ID_FILE_NEW)->trigger();
        QVERIFY(frame.action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(frame.action(ID_TEXT_METRICS)->isEnabled());
        QVERIFY(!frame.action(ID_SELECT_ALL)->isEnabled()); // no pictures yet
        frame.action(ID_FILE_CLOSE)->trigger();
        QVERIFY(!frame.action(ID_FILE_SAVE)->isEnabled());
    }

    void ruleTable() {
        CommandState none;
        CommandState one{true, 3, 1, 4};
        QVERIFY(!isEnabled(Rule::ActiveOneSelected, none));
        QVERIFY(isEnabled(Rule::ActiveOneSelected, one));
        QVERIFY(!isEnabled(Rule::ActiveOneSelected, CommandState{true, 3, 2, 4}));
        QVERIFY(isEnabled(Rule::OneSelected, CommandState{false, 3, 1, 4}));
        QVERIFY(isEnabled(Rule::HasPictures, CommandState{false, 1, 0, 0}));
        QVERIFY(!isEnabled(Rule::ActiveHasPictures, CommandState{false, 1, 0, 0}));
        QVERIFY(isEnabled(Rule::EmsApp, one));                          // type 4 offers EMS
        QVERIFY(!isEnabled(Rule::EmsApp, CommandState{true, 3, 0, 4})); // but needs a selection
        QVERIFY(!isEnabled(Rule::KinettoApp, CommandState{true, 3, 1, 0}));
        QVERIFY(isEnabled(Rule::Receive, one));
        QVERIFY(!isEnabled(Rule::Receive, CommandState{true, 3, 1, 3}));
        // Every identifier is in the table once as a menu or shortcut entry, and the toolbar
        // names only commands of the table.
        for (int id : toolbarLayout())
            QVERIFY(id == 0 || findCommand(id));
        QCOMPARE(menuLabel(*findCommand(ID_FILE_OPEN)), std::string_view("&Open file..."));
    }

    void captionAndStatusLine() {
        AppFixture f;
        f.settings.m_nPhoneType = 4;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 4});
        CGlyphonApp& app = f.start(file);
        // Loading the settings on the first update reads the (empty) registry.
        app.settings().m_nPhoneType = 4;
        app.view().documentChanged();
        QCOMPARE(app.frame().windowTitle(), QString::fromStdString("Vistrel - " + file));
        QCOMPARE(app.frame().statusSummary(),
                 QString("3 pictures          Phone: HX206    App: Kto"));
        QListWidget* list = app.view().list();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(2)->text(), QString("00004"));
        list->item(0)->setSelected(true);
        QVERIFY(app.view().preview()->isVisibleTo(&app.view()));
        list->item(2)->setSelected(true);
        QCOMPARE(app.frame().statusSummary(),
                 QString("3 pictures, 2 sel.   Phone: HX206   App: Kto"));
        QVERIFY(!app.view().preview()->isVisibleTo(&app.view()));
        QCOMPARE(app.view().nameField()->text(), QString("Sample"));
    }

    void settingsLoadOnFirstUpdateAndSaveOnDestroy() {
        AppFixture f;
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "MainWinX", 30);
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "MainWinY", 40);
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "PhoneType", 9);
        CGlyphonApp& app = f.start();
        QCOMPARE(app.frame().pos(), QPoint(30, 40));
        QCOMPARE(f.settings.m_nPhoneType, 9);
        f.settings.m_nComPort = 3;
        f.app.reset();
        QCOMPARE(f.registry.readDword(Hive::CurrentUser, kSettingsKey, "ComPort"),
                 std::optional<std::uint32_t>(3));
        QCOMPARE(f.registry.readDword(Hive::CurrentUser, kSettingsKey, "MainWinX"),
                 std::optional<std::uint32_t>(30));
    }
};

PIXELON_QT_TEST(MainWindowTest)

} // namespace pixelon::app::test

#include "mainwindow_test.moc"

// The command shell: accelerators, the enablement table through the real window, the menus as
// the window shows them, Find Command, the status bar panes and the pane keys.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QWindow>

#include <map>
#include <set>

#include "app/CommandFinder.h"
#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#if PIXELON_HAVE_PHONE_UI
#include "phone/ui/PhoneWindows.h"
#endif
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"
#include "tests/app/ToolbarChecks.h"

namespace pixelon::app::test {

namespace {

// Replaces every command's handler by a counter, so each key can be traced to its command.
std::map<int, int>& countEveryCommand(CGlyphonView& view) {
    static std::map<int, int> runs;
    runs.clear();
    for (const CommandSpec& spec : commandTable())
        view.addCommand(spec.id, [id = spec.id] { ++runs[id]; });
    return runs;
}

// Gives a handler to the commands that have none yet, so only the rules decide.
void fillMissingHandlers(CGlyphonView& view) {
    for (const CommandSpec& spec : commandTable())
        if (!view.hasCommand(spec.id))
            view.addCommand(spec.id, [] {});
}

QStringList menuTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isVisible())
            out << a->text();
    return out;
}

void showActive(CMainFrame& frame) {
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame, 2000));
}

} // namespace

class CommandShellTest : public QObject {
    Q_OBJECT
private slots:
    void everyAcceleratorReachesItsCommand() {
        AppFixture f;
        f.settings.m_nPhoneType = 4; // offers Receive
        std::string file = f.writePortfolio("set.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(file);
        app.settings().m_nPhoneType = 4;
        app.view().selectOnly(1);
        std::map<int, int>& runs = countEveryCommand(app.view());
        app.frame().updateCommands();
        showActive(app.frame());
        app.view().list()->setFocus();

        int keysTried = 0;
        for (const CommandSpec& spec : commandTable()) {
            for (std::string_view key : acceleratorList(spec)) {
                int before = runs[spec.id];
                QTest::keySequence(&app.frame(), QKeySequence(QString::fromUtf8(key)));
                QVERIFY2(
                    runs[spec.id] == before + 1,
                    qPrintable(
                        QString("%1 did not run %2").arg(QString::fromUtf8(key)).arg(spec.id)));
                ++keysTried;
            }
        }
        // The accelerators named for the window, the removed items' and the pane keys included.
        QVERIFY(keysTried >= 25);
        QCOMPARE(runs[ID_SELECT_ALL], 1);
        QCOMPARE(runs[ID_ASCENT_LINE], 1);
        QCOMPARE(runs[ID_EDIT_CUT], 1);
        QCOMPARE(runs[ID_NEXT_PANE], 1);
        QCOMPARE(runs[ID_PREV_PANE], 1);
        QCOMPARE(runs[ID_FIND_COMMAND], 1);
        QCOMPARE(runs[ID_EDIT_COPY], 2);    // Ctrl+C and Ctrl+Ins
        QCOMPARE(runs[ID_EDIT_PICTURE], 3); // Ctrl+E, Return and Enter
    }

    void disabledCommandsIgnoreTheirKeys() {
        AppFixture f;
        CGlyphonApp& app = f.start(); // no portfolio, nothing selected
        std::map<int, int>& runs = countEveryCommand(app.view());
        app.frame().updateCommands();
        showActive(app.frame());
        for (const char* key : {"Ctrl+S", "Ctrl+A", "Ctrl+W", "Ctrl+E", "Del", "Ctrl+D"})
            QTest::keySequence(&app.frame(), QKeySequence(key));
        QCOMPARE(runs[ID_FILE_SAVE] + runs[ID_SELECT_ALL] + runs[ID_ASCENT_LINE] +
                     runs[ID_EDIT_PICTURE] + runs[ID_DELETE_PICTURE] + runs[ID_DUPLICATE_PICTURE],
                 0);
        // Even a direct trigger is refused by the rule.
        app.frame().action(ID_FILE_SAVE)->trigger();
        QCOMPARE(runs[ID_FILE_SAVE], 0);
    }

    void enablementTable_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("pictures");
        QTest::newRow("no portfolio") << false << 0 << false;
        QTest::newRow("empty portfolio") << true << 0 << false;
        QTest::newRow("0 lines selected") << true << 0 << true;
        QTest::newRow("1 line selected") << true << 1 << true;
        QTest::newRow("2 lines selected") << true << 2 << true;
    }
    void enablementTable() {
        QFETCH(bool, open);
        QFETCH(int, selected);
        QFETCH(bool, pictures);
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(pictures ? std::optional<std::string>(file) : std::nullopt);
        if (open && !pictures)
            app.frame().action(ID_FILE_NEW)->trigger();
        fillMissingHandlers(app.view());
        for (int i = 0; i < selected; ++i)
            app.view().list()->item(i)->setSelected(true);
        app.frame().updateCommands();

        const std::set<int> activeOnly = {
            ID_FILE_SAVE,           ID_FILE_SAVE_AS,           ID_FILE_CLOSE,
            ID_FILE_PRINT,          ID_FILE_PRINT_PREVIEW,     ID_FILE_PRINT_SETUP,
            ID_PORTFOLIO_NAME,      ID_PORTFOLIO_NOTES,        ID_NEW_PICTURE,
            ID_INSERT_WINDOWS_FONT, ID_INSERT_FROM_FILE,       ID_IMAGE_GRABBER,
            ID_PASTE_NEW_PICTURE,   ID_PASTE_EDIT_NEW_PICTURE, ID_MERGE_PORTFOLIOS,
            ID_ASCENT_LINE,         ID_SET_GUIDELINE,          ID_TEXT_METRICS,
            ID_ANIMATIONS,          ID_PREV_PHONE_TYPE,        ID_NEXT_PHONE_TYPE};
        const std::set<int> oneLine = {ID_EDIT_PICTURE, ID_PICTURE_ID, ID_EDIT_COPY,
                                       ID_COPY_WITH_GRID, ID_IMAGE_TO_PREVIEW};
        const std::set<int> withPictures = {ID_REORDER_IDS, ID_PICTURE_PORTFOLIO};
        const std::set<int> openWithPictures = {
            ID_CROP_HEIGHT,         ID_ENLARGE_HEIGHT, ID_SHIFT_VERTICALLY, ID_CHECK_UNICODES,
            ID_EXPORT_WINDOWS_FONT, ID_SELECT_ALL,     ID_DELETE_PICTURE};
        auto expect = [&](const std::set<int>& ids, bool enabled) {
            for (int id : ids)
                QVERIFY2(app.frame().action(id)->isEnabled() == enabled,
                         qPrintable(QString("command %1 should be %2")
                                        .arg(id)
                                        .arg(enabled ? "enabled" : "disabled")));
        };
        expect(activeOnly, open);
        expect(oneLine, selected == 1);
        expect(withPictures, pictures);
        expect(openWithPictures, open && pictures);
        QCOMPARE(app.frame().action(ID_DUPLICATE_PICTURE)->isEnabled(), open && selected == 1);
        // Commands with no rule of this window are always there.
        expect({ID_FILE_NEW, ID_FILE_OPEN, ID_APP_EXIT, ID_COMMS_LOG, ID_FIND_COMMAND}, true);
    }

    void commandsWithoutHandlerStayInTheMenusDisabled() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        app.view().selectOnly(0);
        app.frame().updateCommands();
        for (const CommandSpec& spec : commandTable()) {
            QAction* a = app.frame().action(spec.id);
            QVERIFY(a);
            if (!app.view().hasCommand(spec.id))
                QVERIFY2(!a->isEnabled(), qPrintable(QString::number(spec.id)));
        }
    }

    void menusAsTheWindowShowsThem() {
        AppFixture f;
        CMainFrame& frame = f.start().frame();
        QStringList titles;
        for (QAction* top : frame.menuBar()->actions())
            titles << top->text();
        QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Insert", "&Preview", "&Help"}));
        QCOMPARE(menuTexts(frame.menu(Menu::Edit)),
                 QStringList({"&Copy Picture", "&Paste New Picture", "&Edit Picture",
                              "&Delete Picture", "&Picture's ID #", "Portfolio Na&me...",
                              "Portfolio &Notes...", "&Re-Order IDs"}));
        QCOMPARE(menuTexts(frame.menu(Menu::File)),
                 QStringList({"&New Portfolio", "&Open file...", "&Save Portfolio", "Save &As...",
                              "&Close", "&Merge Portfolios...", "Export to &BDF Font...",
                              "Export Contact Sheet...", "Send Fi&le to Phone...", "&Print...",
                              "Print Pre&view", "Prin&t Setup...", "E&xit"}));
        QCOMPARE(menuTexts(frame.menu(Menu::View)),
                 QStringList({"&Picture Portfolio...", "Phone Format &Type..."}));
        QCOMPARE(menuTexts(frame.menu(Menu::Insert)),
                 QStringList({"&New Picture...", "&Duplicate Picture...", "&Picture from File...",
                              "Picture from Image &Grabber"}));
        QCOMPARE(menuTexts(frame.menu(Menu::Preview)),
                 QStringList({"E&xport Picture to File...", "&Send Picture to Phone...",
                              "&Application Type...", "&Receive Picture from Phone"}));
        QCOMPARE(menuTexts(frame.menu(Menu::Help)),
                 QStringList({"Handset Gateway...", "Communications &Log", "Find Command...",
                              "&About Vistrel"}));
        // Export Picture keeps its Preview item and the Ctrl+X of that item.
        QCOMPARE(frame.action(ID_EXPORT_PICTURE)->shortcut(), QKeySequence("Ctrl+X"));
        QCOMPARE(frame.action(ID_EDIT_COPY)->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}));
    }

    void toolbarInOrderWithIconsAndTips() {
        AppFixture f;
        f.settings.m_nPhoneType = 4;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        app.settings().m_nPhoneType = 4;
        QToolBar* bar = app.frame().toolBar();
        QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        std::vector<int> shown;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) {
                shown.push_back(0);
                continue;
            }
            shown.push_back(a->data().toInt());
            QVERIFY2(!a->icon().isNull(), qPrintable(a->text()));
            QVERIFY(!a->icon().pixmap(24, 24).isNull());
            QVERIFY2(!a->toolTip().isEmpty(), qPrintable(a->text()));
        }
        std::span<const int> layout = toolbarLayout();
        QCOMPARE(shown, std::vector<int>(layout.begin(), layout.end()));

        // The application buttons show the current application type.
        app.view().selectOnly(0);
        app.view().setApplicationType(ApplicationType::VistrelEms);
        QVERIFY(app.frame().action(ID_APP_EMS)->isChecked());
        QVERIFY(!app.frame().action(ID_APP_KINETTO)->isChecked());
        app.frame().action(ID_APP_KINETTO)->trigger();
        QCOMPARE(app.settings().m_nApplicationType, int(ApplicationType::Kinetto));
        QVERIFY(app.frame().action(ID_APP_KINETTO)->isChecked());
        QVERIFY(!app.frame().action(ID_APP_EMS)->isChecked());
        // A disabled button clicked stays as the type says.
        app.view().list()->clearSelection();
        app.frame().action(ID_APP_EMS)->trigger();
        QVERIFY(!app.frame().action(ID_APP_EMS)->isChecked());

        // Every button fits in the 800-pixel window: none goes behind the overflow button.
        app.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app.frame()));
        QCOMPARE(toolbarOverflow(*bar), QString());
    }

    void promptsGoToTheFirstPaneOnly() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        CMainFrame& frame = app.frame();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QString summary = frame.statusSummary();
        QVERIFY(summary.startsWith("2 pictures"));
        QCOMPARE(frame.promptPane()->width(), 320);
        QVERIFY(frame.summaryPane()->x() >= frame.promptPane()->geometry().right());

        // What a hovered menu item sends, and a message another window might show.
        QStatusTipEvent tip(frame.action(ID_FILE_SAVE)->statusTip());
        QApplication::sendEvent(&frame, &tip);
        QCOMPARE(frame.statusPrompt(), QString("Save the portfolio"));
        frame.statusBar()->showMessage("Working...");
        QCOMPARE(frame.statusSummary(), summary);
        QVERIFY(frame.summaryPane()->isVisible());
        frame.statusBar()->clearMessage();
        QStatusTipEvent none(QString{});
        QApplication::sendEvent(&frame, &none);
        QCOMPARE(frame.statusPrompt(), QString("Ready"));
        QVERIFY(frame.summaryPane()->isVisible());

        // With a menu open and an item under the mouse.
        QMenu* edit = frame.menu(Menu::Edit);
        edit->popup(frame.mapToGlobal(QPoint(40, 40)));
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        QAction* name = frame.action(ID_PORTFOLIO_NAME);
        QTest::mouseMove(edit, edit->actionGeometry(name).center());
        edit->setActiveAction(name);
        QTRY_COMPARE(frame.statusPrompt(), QString("Change the portfolio's name"));
        QCOMPARE(frame.statusSummary(), summary);
        QVERIFY(frame.summaryPane()->isVisible());
        edit->close();
    }

    void paneKeysMoveTheFocus() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        CGlyphonApp& app = f.start(file);
        showActive(app.frame());
        CGlyphonView& view = app.view();
        view.list()->setFocus();
        QTRY_COMPARE(view.focusedPane(), static_cast<QWidget*>(view.list()));
        QTest::keyClick(&app.frame(), Qt::Key_F6);
        QTRY_COMPARE(view.focusedPane(), static_cast<QWidget*>(view.nameField()));
        QTest::keyClick(&app.frame(), Qt::Key_F6);
        QTRY_COMPARE(view.focusedPane(), static_cast<QWidget*>(view.notesField()));
        QTest::keyClick(&app.frame(), Qt::Key_F6);
        QTRY_COMPARE(view.focusedPane(), static_cast<QWidget*>(view.list()));
        QTest::keyClick(&app.frame(), Qt::Key_F6, Qt::ShiftModifier);
        QTRY_COMPARE(view.focusedPane(), static_cast<QWidget*>(view.notesField()));
    }

    void captionIsTheTitleAsItIs() {
        AppFixture f;
        std::string file = f.writePortfolio("odd[*]name.pfo", {1});
        CGlyphonApp& app = f.start(file);
        // What the window system gets: Qt would drop "[*]" as the modified marker.
        app.frame().winId();
        QCOMPARE(app.frame().windowHandle()->title(), QString::fromStdString("Vistrel - " + file));
    }

    void commsLogTogglesWithItsCheckMark() {
#if !PIXELON_HAVE_PHONE_UI
        QSKIP("phone windows are not built");
#else
        AppFixture f;
        CGlyphonApp& app = f.start();
        QAction* item = app.frame().action(ID_COMMS_LOG);
        QVERIFY(item->isCheckable() && !item->isChecked());
        item->trigger();
        ui::CommsLogWindow& log = ui::showCommsLog(app.settings(), true);
        QVERIFY(log.isVisible());
        QVERIFY(item->isChecked());
        QCOMPARE(log.windowTitle(), QString("Comms Log"));
        item->trigger();
        QVERIFY(!log.isVisible());
        QVERIFY(!item->isChecked());
        item->trigger();
        QVERIFY(log.isVisible() && item->isChecked());
        // Closed from its own title bar: the mark goes too, and the item shows it again.
        log.close();
        QVERIFY(!item->isChecked());
        item->trigger();
        QVERIFY(log.isVisible() && item->isChecked());
        log.close();
#endif
    }

    void pictureListContextMenu() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        QMenu* menu = app.frame().pictureListMenu();
        QVERIFY(menu);
        QCOMPARE(app.view().list()->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(menuTexts(menu),
                 QStringList({"&Edit Picture", "&Picture's ID #", "&Copy Picture",
                              "&Paste New Picture", "&Delete Picture", "Select &All",
                              "&New Picture...", "&Duplicate Picture...", "&Picture from File...",
                              "Picture from Image &Grabber"}));
        // Its items are the window's commands: Select All from there selects every line.
        menu->actions().at(5)->trigger();
        QCOMPARE(app.view().selectedIndices().size(), std::size_t(2));
    }
};

PIXELON_QT_TEST(CommandShellTest)

} // namespace pixelon::app::test

#include "commandshell_test.moc"

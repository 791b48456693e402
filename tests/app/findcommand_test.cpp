// Find Command: the search over the whole command table and running what it finds; the display
// check of the program's start.

#include <QAction>
#include <QTest>

#include <QLineEdit>
#include <QListWidget>
#include <algorithm>

#include "app/CommandFinder.h"
#include "app/DisplayCheck.h"
#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

const FoundCommand* byId(const std::vector<FoundCommand>& found, int id) {
    for (const FoundCommand& c : found)
        if (c.id == id)
            return &c;
    return nullptr;
}

bool refuse(const char*) {
    return false;
}
bool accept(const char*) {
    return true;
}

} // namespace

class FindCommandTest : public QObject {
    Q_OBJECT
private slots:
    void searchCoversTheHiddenCommands() {
        CommandFinder finder([](int) { return true; });
        CommandState open{true, 3, 1, 4, 0};
        std::vector<FoundCommand> all = finder.find("", open);
        for (int id : {ID_TEXT_METRICS, ID_CHECK_UNICODES, ID_CROP_HEIGHT, ID_ENLARGE_HEIGHT,
                       ID_SHIFT_VERTICALLY, ID_COPY_WITH_GRID, ID_OPEN_USER_PALETTE,
                       ID_SAVE_USER_PALETTE, ID_IMPORT_PSP_PALETTE, ID_EXPORT_WINDOWS_FONT,
                       ID_ANIMATIONS, ID_INSERT_WINDOWS_FONT, ID_INSERT_BDF_FONT, ID_SEARCH_PHONE})
            QVERIFY2(byId(all, id), qPrintable(QString::number(id)));
        QVERIFY(!byId(all, ID_FIND_COMMAND)); // it does not list itself

        // One line per command, with the keys of every entry and the texts shown after start.
        int exports = 0;
        for (const FoundCommand& c : all)
            exports += c.id == ID_EXPORT_PICTURE;
        QCOMPARE(exports, 1);
        QCOMPARE(byId(all, ID_EXPORT_PICTURE)->text, std::string("Export Picture to File..."));
        QCOMPARE(byId(all, ID_EXPORT_PICTURE)->keys, std::string("Ctrl+X"));
        QCOMPARE(byId(all, ID_EDIT_COPY)->keys, std::string("Ctrl+C, Ctrl+Ins"));
        QCOMPARE(byId(all, ID_PICTURE_ID)->text, std::string("Picture's ID #"));
        QCOMPARE(byId(all, ID_PASTE_EDIT_NEW_PICTURE)->text,
                 std::string("Paste & Edit New Picture"));
        // A menu is named only where the window holds the command: not the removed Tools menu,
        // not an item removed at start.
        QCOMPARE(byId(all, ID_TEXT_METRICS)->menu, std::string());
        QCOMPARE(byId(all, ID_EXPORT_WINDOWS_FONT)->menu, std::string());
        QCOMPARE(byId(all, ID_SEARCH_PHONE)->menu, std::string());
        QCOMPARE(byId(all, ID_EDIT_COPY)->menu, std::string("Edit"));
        QCOMPARE(byId(all, ID_EXPORT_PICTURE)->menu, std::string("Preview"));
        QCOMPARE(byId(all, ID_SELECT_ALL)->keys, std::string("Ctrl+A"));
    }

    void wordsMatchInAnyOrderAndCase() {
        CommandFinder finder([](int) { return true; });
        CommandState s;
        std::vector<FoundCommand> found = finder.find("  HEIGHT crop ", s);
        QCOMPARE(found.size(), std::size_t(1));
        QCOMPARE(found[0].id, int(ID_CROP_HEIGHT));
        QVERIFY(byId(finder.find("insert grabber", s), ID_IMAGE_GRABBER));
        QVERIFY(!byId(finder.find("tools palette", s), ID_IMPORT_PSP_PALETTE)); // menu not shown
        QVERIFY(byId(finder.find("ctrl+w", s), ID_ASCENT_LINE));
        QVERIFY(finder.find("no such command", s).empty());
    }

    void theCommandsOwnNameRanksFirst() {
        CommandFinder finder([](int) { return true; });
        CommandState s{true, 2, 1, 4, 0};
        auto ids = [&](const char* query) {
            std::vector<int> out;
            for (const FoundCommand& c : finder.find(query, s))
                out.push_back(c.id);
            return out;
        };
        // A name that starts with the word beats a key that holds it; the keys come last.
        std::vector<int> shift = ids("shift");
        QVERIFY(!shift.empty());
        QCOMPARE(shift.front(), int(ID_SHIFT_VERTICALLY));
        QCOMPARE(shift.size(), std::size_t(4));
        for (int keyOnly : {ID_PASTE_NEW_PICTURE, ID_EDIT_CUT, ID_PREV_PANE})
            QVERIFY(std::find(shift.begin() + 1, shift.end(), keyOnly) != shift.end());

        // Start of the name, then start of a word, then anywhere in the name; equal matches
        // in menu order.
        QCOMPARE(ids("port"),
                 (std::vector<int>{ID_PORTFOLIO_NAME, ID_PORTFOLIO_NOTES, ID_FILE_NEW, ID_FILE_SAVE,
                                   ID_MERGE_PORTFOLIOS, ID_PICTURE_PORTFOLIO, ID_SEARCH_PHONE,
                                   ID_EXPORT_PICTURE, ID_EXPORT_WINDOWS_FONT, ID_EXPORT_BDF_FONT,
                                   ID_EXPORT_CONTACT_SHEET, ID_IMPORT_PSP_PALETTE}));
        // Each word counts: both at the start of a word rank above one inside a word.
        std::vector<int> newPicture = ids("new pic");
        QCOMPARE(newPicture.front(), int(ID_NEW_PICTURE));
        // A menu's name matches after every match in a name, before the keys.
        std::vector<int> edit = ids("edit");
        QCOMPARE(edit.front(), int(ID_EDIT_PICTURE));
        QCOMPARE(edit[1], int(ID_PASTE_EDIT_NEW_PICTURE));
        QVERIFY(std::find(edit.begin(), edit.end(), ID_DELETE_PICTURE) != edit.end());
    }

    void enablementAsInTheMenus() {
        CommandFinder finder([](int id) { return id != ID_CROP_HEIGHT; });
        CommandState closed;
        CommandState open{true, 2, 0, 0, 0};
        QVERIFY(!byId(finder.find("metrics", closed), ID_TEXT_METRICS)->enabled);
        QVERIFY(byId(finder.find("metrics", open), ID_TEXT_METRICS)->enabled);
        QVERIFY(!byId(finder.find("crop", open), ID_CROP_HEIGHT)->enabled); // not built
        QVERIFY(!byId(finder.find("edit picture", open), ID_EDIT_PICTURE)->enabled);
    }

    void findCommandRunsAHiddenCommand() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        int offered = 0;
        app.frame().m_chooseCommand = [&](const CommandFinder& finder, const CommandState& state) {
            ++offered;
            std::vector<FoundCommand> found = finder.find("text metrics", state);
            return found.size() == 1 && found[0].enabled ? found[0].id : 0;
        };
        TextMetrics edited = TextMetrics::from(app.doc().m_portfolio);
        edited.ascent = 7;
        f.dialogs.metrics = edited;
        app.frame().action(ID_FIND_COMMAND)->trigger();
        QCOMPARE(offered, 1);
        QCOMPARE(f.dialogs.asked, 1);
        QCOMPARE(app.doc().m_portfolio.m_nAscent, 7);
        QVERIFY(app.frame().ascentLineChecked());

        // A hidden command whose rule does not allow it is not run, whatever is chosen.
        app.frame().m_chooseCommand = [](const CommandFinder&, const CommandState&) {
            return int(ID_CROP_HEIGHT);
        };
        app.frame().action(ID_FILE_CLOSE)->trigger();
        int before = f.dialogs.asked;
        app.frame().m_chooseCommand = [](const CommandFinder&, const CommandState&) {
            return int(ID_TEXT_METRICS);
        };
        app.frame().action(ID_FIND_COMMAND)->trigger();
        QCOMPARE(f.dialogs.asked, before);
    }

    void dialogChoosesOnlyEnabledLines() {
        CommandFinder finder([](int id) { return id != ID_CROP_HEIGHT; });
        CommandState open{true, 2, 1, 0, 0};
        FindCommandDialog dialog(finder, open);
        QCOMPARE(dialog.windowTitle(), QString("Find Command"));
        QVERIFY(dialog.results()->count() > 40);
        dialog.searchField()->setText("crop");
        QCOMPARE(dialog.results()->count(), 1);
        QCOMPARE(dialog.results()->item(0)->text(), QString("Crop Height..."));
        dialog.accept();
        QCOMPARE(dialog.chosen(), 0); // not built: listed but not chosen
        QVERIFY(!dialog.isVisible());

        dialog.searchField()->setText("copy");
        // Down moves past the lines that cannot be chosen.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.searchField()->setFocus();
        QString first = dialog.results()->currentItem()->text();
        QVERIFY(first.startsWith("Copy Picture"));
        QTest::keyClick(dialog.searchField(), Qt::Key_Down);
        QVERIFY(dialog.results()->currentItem()->text().startsWith("Copy with Grid"));
        QTest::keyClick(dialog.searchField(), Qt::Key_Return);
        QCOMPARE(dialog.chosen(), int(ID_COPY_WITH_GRID));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void typingANameRunsThatCommand() {
        CommandFinder finder([](int) { return true; });
        CommandState pictures{true, 3, 0, 4, 0};
        FindCommandDialog dialog(finder, pictures);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.searchField()->setFocus();
        QTest::keyClicks(dialog.searchField(), "shift");
        QCOMPARE(dialog.results()->item(0)->text(), QString("Shift Vertically..."));
        QCOMPARE(dialog.results()->currentRow(), 0);
        QVERIFY(dialog.results()->item(dialog.results()->count() - 1)->text().contains("Shift+"));
        QTest::keyClick(dialog.searchField(), Qt::Key_Return);
        QCOMPARE(dialog.chosen(), int(ID_SHIFT_VERTICALLY));

        FindCommandDialog again(finder, pictures);
        again.searchField()->setText("paste new");
        QCOMPARE(again.results()->item(0)->text(),
                 QString("Paste New Picture   (Edit)   Ctrl+V, Shift+Ins"));
    }

    void displayCheck() {
        QCOMPARE(requestedPlatform({"-platform", "offscreen", "a.pfo"}, "xcb"),
                 std::string("offscreen"));
        QCOMPARE(requestedPlatform({"a.pfo", "-platform=vnc"}, nullptr), std::string("vnc"));
        QCOMPARE(requestedPlatform({"a.pfo"}, "xcb"), std::string("xcb"));
        QCOMPARE(requestedPlatform({"-platform"}, nullptr), std::string());

        // No display at all: one line naming the cause.
        std::optional<std::string> none = displayProblem("", nullptr, nullptr, &accept);
        QVERIFY(none && none->find("DISPLAY is not set") != std::string::npos);
        QVERIFY(none->find('\n') == std::string::npos);
        QVERIFY(displayProblem("xcb", "", "wayland-0", &accept)); // xcb asked for explicitly
        QVERIFY(!displayProblem("", "", "wayland-0", &accept));
        // A display that does not answer.
        QCOMPARE(displayProblem("", ":97", nullptr, &refuse),
                 std::optional<std::string>("vistrel: cannot open display \":97\""));
        QVERIFY(!displayProblem("", ":0", nullptr, &accept));
        // Platforms that need no X display are left to Qt.
        QVERIFY(!displayProblem("offscreen", nullptr, nullptr, &refuse));
        QVERIFY(!displayProblem("minimal:enable_fonts", nullptr, nullptr, &refuse));
        QVERIFY(displayProblem("xcb:nograb", nullptr, nullptr, &refuse));
    }
};

PIXELON_QT_TEST(FindCommandTest)

} // namespace pixelon::app::test

#include "findcommand_test.moc"

// The main window on a real X server with a window manager: where the frame lands, the
// caption the window system shows, and the toolbar. Run through run-under-x.sh.

#include <QApplication>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "core/Colours.h"
#include "fonts/ui/FontDialogs.h"
#include "operations/ui/OperationWindows.h"
#include "phone/Commands.h"
#include "phone/ui/PhoneWindows.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/ToolbarChecks.h"

namespace pixelon::app::test {

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int field(const QString& text, const QString& name) {
    QRegularExpression re(QRegularExpression::escape(name) + ":\\s*(-?\\d+)");
    QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -100000;
}

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

Box windowBox(WId id) {
    QString info = run("xwininfo", {"-id", QString::number(id)});
    return {field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"),
            field(info, "Width"), field(info, "Height")};
}

// The window manager's frame around a top-level window: its parent below the root.
WId frameOf(WId id) {
    QString tree = run("xwininfo", {"-tree", "-id", QString::number(id)});
    QRegularExpressionMatch root = QRegularExpression("Root window id: (0x[0-9a-f]+)").match(tree);
    QRegularExpressionMatch parent =
        QRegularExpression("Parent window id: (0x[0-9a-f]+)").match(tree);
    if (!root.hasMatch() || !parent.hasMatch() || root.captured(1) == parent.captured(1))
        return 0;
    return parent.captured(1).toULongLong(nullptr, 16);
}

// The caption as the window manager reads it (the EWMH name, as UTF-8).
QString windowName(WId id) {
    QString out = run("xprop", {"-id", QString::number(id), "_NET_WM_NAME"});
    QRegularExpressionMatch m = QRegularExpression("= \"(.*)\"\\s*$").match(out);
    return m.hasMatch() ? m.captured(1) : out;
}

} // namespace

class WindowX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs the X11 platform (run through run-under-x.sh)");
        if (run("xwininfo", {"-root"}).isEmpty())
            QSKIP("xwininfo cannot reach the X server");
    }

    void frameCaptionAndToolbarOnScreen_data() {
        QTest::addColumn<int>("storedX");
        QTest::addColumn<int>("storedY");
        QTest::addColumn<QString>("shot");
        QTest::newRow("default place 0,0") << 0 << 0 << "x11-main-window.png";
        QTest::newRow("stored place 120,40") << 120 << 40 << "";
    }
    void frameCaptionAndToolbarOnScreen() {
        QFETCH(int, storedX);
        QFETCH(int, storedY);
        QFETCH(QString, shot);
        AppFixture f;
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "MainWinX", storedX);
        f.registry.writeDword(Hive::CurrentUser, kSettingsKey, "MainWinY", storedY);
        std::string file = f.writePortfolio("demo.pfo", {1, 2, 3, 40, 41}, "Demo");
        CGlyphonApp& app = f.start(file);
        CMainFrame& frame = app.frame();
        app.view().selectOnly(1);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, 5000));

        WId client = frame.winId();
        WId outer = 0;
        QTRY_VERIFY_WITH_TIMEOUT((outer = frameOf(client)) != 0, 10000);
        // The window manager settles the frame within a moment.
        Box box, inner;
        for (int i = 0; i < 30; ++i) {
            box = windowBox(outer);
            inner = windowBox(client);
            if (box.x >= storedX && box.y >= storedY && inner.y > box.y)
                break;
            QTest::qWait(100);
        }
        QString screen = run("xwininfo", {"-root"});
        int screenHeight = field(screen, "Height");
        qInfo("frame %d,%d %dx%d, client at %d,%d", box.x, box.y, box.width, box.height, inner.x,
              inner.y);
        // The frame's corner is where the settings put it (give or take the frame's border),
        // and the title bar above the client area lies on the screen.
        QVERIFY(box.x >= storedX && box.x <= storedX + 4);
        QVERIFY(box.y >= storedY && box.y <= storedY + 4);
        QVERIFY2(inner.y > box.y + 8, "no title bar above the client area");
        QVERIFY(box.y >= 0 && inner.y < screenHeight);
        // The setting read back is the frame's place, so the window comes back where it was.
        QTRY_COMPARE(f.settings.m_nMainWinX, storedX);
        QTRY_COMPARE(f.settings.m_nMainWinY, storedY);

        QCOMPARE(windowName(client), QString::fromStdString("Vistrel - " + file));

        QCOMPARE(toolbarOverflow(*frame.toolBar()), QString());

        if (!shot.isEmpty()) {
            QString folder = qEnvironmentVariable("PIXELON_ARTEFACT_DIR", QDir::tempPath());
            QString path = QDir(folder).filePath(shot);
            QProcess::execute("import", {"-window", "root", path});
            QVERIFY(QFile::exists(path));
            qInfo("screenshot: %s", qPrintable(path));

            // A menu open with an item under the mouse: its prompt in the first pane, the
            // summary still in the second.
            QString summary = frame.statusSummary();
            QMenu* edit = frame.menu(Menu::Edit);
            frame.menuBar()->setActiveAction(edit->menuAction());
            QVERIFY(QTest::qWaitForWindowExposed(edit, 5000));
            QAction* name = frame.action(ID_PORTFOLIO_NAME);
            QTest::mouseMove(edit, edit->actionGeometry(name).center());
            edit->setActiveAction(name);
            QTRY_COMPARE(frame.statusPrompt(), QString("Change the portfolio's name"));
            QCOMPARE(frame.statusSummary(), summary);
            QVERIFY(frame.summaryPane()->isVisible());
            QTest::qWait(200);
            QString menuShot = QDir(folder).filePath("x11-menu-open.png");
            QProcess::execute("import", {"-window", "root", menuShot});
            edit->close();
        }
    }

    // The program itself, as a user starts it: its window, caption and frame place.
    void programWindowOnScreen() {
        QString program = qEnvironmentVariable("PIXELON_VISTREL");
        if (program.isEmpty())
            QSKIP("PIXELON_VISTREL does not name the program");
        AppFixture f;
        std::string file = f.writePortfolio("shown.pfo", {5, 6}, "Shown");
        QProcess vistrel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PIXELON_REGISTRY_DIR", f.dir.filePath("registry"));
        env.insert("XDG_DATA_HOME", f.dir.filePath("share"));
        env.remove("QT_QPA_PLATFORM");
        vistrel.setProcessEnvironment(env);
        vistrel.start(program, {QString::fromStdString(file)});
        QVERIFY(vistrel.waitForStarted());
        QString caption = QString::fromStdString("Vistrel - " + file);
        WId client = 0;
        for (int i = 0; i < 200 && !client; ++i) {
            QTest::qWait(100);
            for (const QString& line : run("xwininfo", {"-root", "-tree"}).split('\n'))
                if (line.contains("\"" + caption)) // then compared whole, below
                    client = line.trimmed().section(' ', 0, 0).toULongLong(nullptr, 16);
        }
        WId outer = 0;
        for (int i = 0; i < 100 && client && !outer; ++i) {
            QTest::qWait(100);
            outer = frameOf(client);
        }
        // The frame may first appear where the client area was asked for; within a moment it
        // must be where the settings say.
        Box box, inner;
        for (int i = 0; i < 30 && outer; ++i) {
            box = windowBox(outer);
            inner = windowBox(client);
            if (box.x >= 0 && box.y >= 0 && inner.y > box.y)
                break;
            QTest::qWait(100);
        }
        QString name = client ? windowName(client) : QString();
        vistrel.terminate();
        if (!vistrel.waitForFinished(5000))
            vistrel.kill();
        qInfo("program frame %d,%d %dx%d, client at %d,%d", box.x, box.y, box.width, box.height,
              inner.x, inner.y);
        QVERIFY2(client, "no window with the caption appeared");
        QCOMPARE(name, caption); // nothing appended by the toolkit
        QVERIFY(outer);
        QVERIFY(box.x >= 0 && box.x <= 4 && box.y >= 0 && box.y <= 4);
        QVERIFY(inner.y > box.y + 8);
    }

    // The grabber's snapshot shows the screen as it was before the Insert menu opened, not
    // the menu the command was chosen from.
    void imageGrabberLeavesTheMenuOut() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("grab.pfo", {1, 2, 3}, "Grab"));
        if (!app.view().hasCommand(ID_IMAGE_GRABBER))
            QSKIP("built without the operation windows");
        CMainFrame& frame = app.frame();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, 5000));
        QTest::qWait(500); // the window manager has placed and drawn the frame
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage before = screen->grabWindow(0).toImage();

        QMenu* insert = frame.menu(Menu::Insert);
        frame.menuBar()->setActiveAction(insert->menuAction());
        QVERIFY(QTest::qWaitForWindowExposed(insert, 5000));
        QTest::qWait(200);
        const QRect menu = insert->geometry();
        const QImage menuShown = screen->grabWindow(0).toImage();
        // The band dragged on the grabber: inside the menu as it was on the screen.
        const QRect band(menu.topLeft() + QPoint(6, 6), QSize(menu.width() - 12, 24));
        int differs = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                differs += before.pixel(x, y) != menuShown.pixel(x, y);
        QVERIFY2(differs > band.width() * band.height() / 10, "the menu does not show");

        bool dragged = false;
        std::function<void(int)> drag = [&](int tries) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* grabber = qobject_cast<ui::ImageGrabber*>(w);
                if (!grabber || !grabber->isVisible())
                    continue;
                // The grabber's points are the snapshot's pixels.
                QTest::mousePress(grabber, Qt::LeftButton, {}, band.topLeft());
                QTest::mouseMove(grabber, band.bottomRight() + QPoint(1, 1));
                QTest::mouseRelease(grabber, Qt::LeftButton, {}, band.bottomRight() + QPoint(1, 1));
                dragged = true;
                return;
            }
            if (tries < 300)
                QTimer::singleShot(10, [&drag, tries] { drag(tries + 1); });
        };
        QTimer::singleShot(0, [&drag] { drag(0); });
        insert->setActiveAction(frame.action(ID_IMAGE_GRABBER));
        QTest::keyClick(insert, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(dragged, 5000);
        QTRY_COMPARE(app.doc().m_portfolio.Count(), 4);

        const std::vector<int> selected = app.view().selectedIndices();
        QCOMPARE(selected.size(), std::size_t(1));
        const CPicture& picture = app.doc().m_portfolio.Picture(selected[0]);
        QCOMPARE(picture.m_nWidth, band.width());
        QCOMPARE(picture.m_nHeight, band.height());
        auto at565 = [](QRgb c) { return toRgb565(rgb(qRed(c), qGreen(c), qBlue(c))); };
        int asBefore = 0, asMenu = 0;
        for (int y = 0; y < picture.m_nHeight; ++y)
            for (int x = 0; x < picture.m_nWidth; ++x) {
                const std::uint16_t got = toRgb565(picture.PixelColour(x, y));
                asBefore += got == at565(before.pixel(band.left() + x, band.top() + y));
                asMenu += got == at565(menuShown.pixel(band.left() + x, band.top() + y));
            }
        const int all = picture.m_nWidth * picture.m_nHeight;
        qInfo("grabbed %d pixels: %d as before the menu, %d as the menu", all, asBefore, asMenu);
        QVERIFY(asBefore > all * 95 / 100);
        QVERIFY(asMenu < asBefore);
    }

    // Screenshots of the windows a user meets first, for a person to look at: the main window
    // after a command-line open, Find Command, Shift Vertically, Search for Phone and the font
    // chooser. Each also checks what the picture should show.
    void firstLookScreenshots() {
        const QString folder = qEnvironmentVariable("PIXELON_ARTEFACT_DIR", QDir::tempPath());
        auto shoot = [&](const char* name) {
            QTest::qWait(300);
            const QString path = QDir(folder).filePath(name);
            QProcess::execute("import", {"-window", "root", path});
            qInfo("screenshot: %s", qPrintable(path));
        };
        AppFixture f;
        CPortfolio p;
        p.m_strName = "Demo";
        p.m_nAscent = 7;
        for (int id : {0x41, 0x42, 0x43}) {
            auto picture = std::make_unique<CPicture>();
            picture->Create(9, 12, id);
            p.InsertSorted(std::move(picture));
        }
        RecordingFeedback quiet;
        p.WriteFile(f.path("demo.pfo"), quiet);
        CGlyphonApp& app = f.start(f.path("demo.pfo"));
        CMainFrame& frame = app.frame();
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, 5000));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(app.view().list()));
        QTest::keyClick(app.view().list(), Qt::Key_Down);
        QVERIFY(frame.ascentLineChecked());
        shoot("x11-first-main-window.png");

        CommandFinder finder([&app](int id) { return app.view().hasCommand(id); });
        {
            FindCommandDialog dialog(finder, app.view().commandState(), &frame);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
            QTest::keyClicks(dialog.searchField(), "shift");
            QCOMPARE(dialog.results()->currentItem()->text(), QString("Shift Vertically..."));
            shoot("x11-find-command-shift.png");
        }
        {
            ShiftDialogModel model;
            ui::ShiftDialog dialog(model, &frame);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
            dialog.row().slider->setFocus();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(dialog.row().slider, Qt::Key_Up);
            QCOMPARE(dialog.row().value->text(), QString("Up 3"));
            shoot("x11-shift-up-3.png");
        }
        {
            PhoneLink link{serialChannel(), applicationSizes(), f.feedback};
            CPortTable table;
            for (int port = 1; port <= CPortTable::PortCount; ++port)
                table.setPath(port, "/nonexistent/tty" + std::to_string(port));
            ui::SearchPhoneDialog dialog(link, f.settings, table, &frame);
            QString boxText;
            std::function<void(int)> closeBox = [&](int tries) {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    shoot("x11-search-phone.png");
                    boxText = box->text();
                    box->accept();
                } else if (tries < 500) {
                    QTimer::singleShot(10, [&closeBox, tries] { closeBox(tries + 1); });
                }
            };
            QTimer::singleShot(0, [&closeBox] { closeBox(0); });
            dialog.show();
            QTRY_VERIFY_WITH_TIMEOUT(!boxText.isEmpty(), 10000);
            QVERIFY(dialog.statusText().endsWith("COM8: Cannot open port\n"));
        }
        {
            ui::lastChosenFont().reset();
            ui::FontChooserDialog dialog({}, &frame);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
            QCOMPARE(dialog.fontDialog()->currentFont().style(), QFont::StyleNormal);
            shoot("x11-font-chooser.png");
        }
    }

    void dialogTitlesAsGiven() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&app.frame(), 5000));
        CommandFinder finder([](int) { return true; });
        FindCommandDialog dialog(finder, CommandState{}, &app.frame());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, 5000));
        QTRY_COMPARE(windowName(dialog.winId()), QString("Find Command"));
    }
};

} // namespace pixelon::app::test

QTEST_MAIN(pixelon::app::test::WindowX11Test)

#include "window_x11_test.moc"

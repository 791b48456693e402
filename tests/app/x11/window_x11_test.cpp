// The main window on a real X server with a window manager: where the frame lands, the
// caption the window system shows, and the toolbar. Run through run-under-x.sh.

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
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

// The phone windows on the offscreen platform.

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "phone/ui/PhoneWindows.h"
#include "tests/phone/PhoneRig.h"

namespace pixelon::ui {

namespace {

// Runs a function each time the watched widget is painted.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(std::function<void()> onPaint) : m_onPaint(std::move(onPaint)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_onPaint();
        return false;
    }

private:
    std::function<void()> m_onPaint;
};

} // namespace

class PhoneWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void commsLogShowsCopiesAndClears() {
        CCommsLog log;
        CAppSettings settings;
        settings.m_nDefaultCommsLogX = 40;
        settings.m_nDefaultCommsLogY = 50;
        settings.m_nDefaultCommsLogW = 300;
        settings.m_nDefaultCommsLogH = 200;
        log.LogComms(1, "Opening in overlapped mode...\r\n");
        CommsLogWindow window(log, settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* edit = window.findChild<QPlainTextEdit*>();
        QCOMPARE(edit->toPlainText(), QString("COM1: Opening in overlapped mode...\n"));
        log.LogComms(1, "Close\r\n"); // the window follows the log
        QVERIFY(edit->toPlainText().endsWith("COM1: Close\n"));

        window.findChild<QPushButton*>("copy")->click();
        QCOMPARE(QApplication::clipboard()->text(), edit->toPlainText());
        QVERIFY(!edit->textCursor().hasSelection());

        window.resize(360, 240);
        QTRY_COMPARE(settings.m_nDefaultCommsLogW, 360);
        QCOMPARE(settings.m_nDefaultCommsLogH, 240);

        window.findChild<QPushButton*>("clear")->click();
        QVERIFY(log.text().empty());
        QVERIFY(edit->toPlainText().isEmpty());
        window.panel().setShown(true);
        window.close();
        QVERIFY(!window.panel().shown());
    }

    void searchDialogSurveysAndStoresThePort() {
        test::PhoneRig rig;
        rig.attach(2, test::PhoneRig::profile(SimProfileKind::Edaw));
        CAppSettings settings;
        settings.m_nComPort = 4;
        CPortTable table;
        for (int p = 1; p <= 8; ++p)
            table.setPath(p, "/dev/sim" + std::to_string(p));
        SearchPhoneDialog dialog(rig.link, settings, table);
        dialog.survey();
        QVERIFY(dialog.statusText().contains(
            "COM2: Found Phone supporting application:\n  Kinetto  (101 x 80 - 2 clr)"));
        QVERIFY(dialog.statusText().endsWith("COM8: Cannot open port\n"));
        auto* group = dialog.findChild<QButtonGroup*>();
        QCOMPARE(group->checkedId(), 1);

        // Editing a device path reaches the model; OK stores the selection.
        auto* devices = dialog.findChild<QTableWidget*>("devices");
        devices->item(5, 0)->setText("/dev/ttyUSB9");
        QCOMPARE(dialog.model().table().path(6), std::string("/dev/ttyUSB9"));
        dialog.accept();
        QCOMPARE(settings.m_nComPort, 2);
    }

    void searchDialogShowsAtOnceAndFillsPortByPort() {
        test::PhoneRig rig;
        rig.attach(2, test::PhoneRig::profile(SimProfileKind::Edaw));
        CAppSettings settings;
        CPortTable table;
        for (int p = 1; p <= 8; ++p)
            table.setPath(p, "/dev/sim" + std::to_string(p));
        SearchPhoneDialog dialog(rig.link, settings, table);
        // What the status showed each time it was drawn.
        QStringList painted;
        PaintSpy spy([&] { painted << dialog.statusText(); });
        dialog.statusLabel()->installEventFilter(&spy);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(!dialog.model().surveying());
        QVERIFY(!painted.isEmpty());
        // Drawn before the first port was tried, then again as each port answered.
        QCOMPARE(painted.first(), QString("COM1: Checking...\n"));
        for (int port = 2; port <= 8; ++port)
            QVERIFY2(std::any_of(painted.begin(), painted.end(),
                                 [port](const QString& text) {
                                     return text.endsWith(
                                         QString("COM%1: Checking...\n").arg(port));
                                 }),
                     qPrintable(QString::number(port)));
        QVERIFY(dialog.statusText().endsWith("COM8: Cannot open port\n"));
        QCOMPARE(dialog.findChild<QButtonGroup*>()->checkedId(), 1);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void searchDialogClosedMidwayStopsAndGivesThePortsBack() {
        test::PhoneRig rig;
        CAppSettings settings;
        CPortTable table;
        for (int p = 1; p <= 8; ++p)
            table.setPath(p, "/dev/edited" + std::to_string(p));
        {
            SearchPhoneDialog dialog(rig.link, settings, table);
            dialog.show();
            QVERIFY(dialog.model().surveying()); // begun, no port tried yet
            QCOMPARE(rig.channel.devicePath(4), std::string("/dev/edited4"));
            dialog.reject();
            QTest::qWait(50);
            QVERIFY(!dialog.model().surveying());
            QCOMPARE(dialog.statusText(), QString("COM1: Checking...\n"));
            QCOMPARE(QApplication::overrideCursor(), nullptr);
            QCOMPARE(rig.channel.devicePath(4), std::string("/dev/sim4"));
        }
    }

    void searchDialogWarnsWhenNothingAnswers() {
        test::PhoneRig rig;
        CAppSettings settings;
        SearchPhoneDialog dialog(rig.link, settings, CPortTable{});
        QString seen;
        QTimer::singleShot(0, [&] { closeBox(seen, 0); });
        dialog.survey();
        QVERIFY(seen.startsWith("Can't find any phones"));
        QCOMPARE(dialog.findChild<QButtonGroup*>()->checkedId(), 0);
    }

    void choiceDialogsSelectValues() {
        RadioChoiceDialog types("Choose Phone Format Type", phoneTypeChoice(13));
        QCOMPARE(types.buttons()->buttons().size(), 12);
        QCOMPARE(types.buttons()->checkedId(), -1);
        types.buttons()->button(9)->click();
        QCOMPARE(types.choice().value(), 9);
        QCOMPARE(types.buttons()->button(9)->text(), QString("HX214 (also HX215)"));

        RadioChoiceDialog apps("Select Option", applicationChoice(2), "note");
        QCOMPARE(apps.buttons()->checkedId(), 2);
        apps.buttons()->button(0)->click();
        QCOMPARE(apps.choice().value(), 0);
        QVERIFY(apps.findChild<QLabel*>() != nullptr);
    }

private:
    // Closes the message box once it shows (bounded: about two seconds).
    void closeBox(QString& seen, int tries) {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->text();
            box->accept();
        } else if (tries < 200) {
            QTimer::singleShot(10, [this, &seen, tries] { closeBox(seen, tries + 1); });
        }
    }
};

} // namespace pixelon::ui

QTEST_MAIN(pixelon::ui::PhoneWindowsTest)
#include "phone_ui_test.moc"

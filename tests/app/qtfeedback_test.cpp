// Message boxes and the progress window over Qt.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "platform/qt/QtFeedback.h"
#include "tests/app/TestMain.h"

namespace pixelon::test {

namespace {

// Presses `button` on the message box as soon as it is shown; remembers its text and icon.
struct BoxPresser {
    QMessageBox::StandardButton button;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> offered;

    void arm() {
        QTimer::singleShot(0, [this] { press(0); });
    }
    void press(int tries) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (tries < 200) // bounded: about two seconds
                QTimer::singleShot(10, [this, tries] { press(tries + 1); });
            return;
        }
        text = box->text();
        icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            offered << box->standardButton(b);
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    }
};

// Runs `act` on the message box as soon as it is shown (bounded: about two seconds).
void onBox(const std::function<void(QMessageBox*)>& act, int tries = 0) {
    QTimer::singleShot(tries ? 10 : 0, [act, tries] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            act(box);
        else if (tries < 200)
            onBox(act, tries + 1);
    });
}

} // namespace

class QtFeedbackTest : public QObject {
    Q_OBJECT
private slots:
    void answersFollowTheButtonPressed_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("offered");
        QTest::newRow("ok") << int(MessageButtons::Ok) << int(QMessageBox::Ok) << int(Answer::Ok)
                            << 1;
        QTest::newRow("ok cancel") << int(MessageButtons::OkCancel) << int(QMessageBox::Cancel)
                                   << int(Answer::Cancel) << 2;
        QTest::newRow("yes no") << int(MessageButtons::YesNo) << int(QMessageBox::No)
                                << int(Answer::No) << 2;
        QTest::newRow("yes no cancel")
            << int(MessageButtons::YesNoCancel) << int(QMessageBox::Yes) << int(Answer::Yes) << 3;
        QTest::newRow("retry cancel") << int(MessageButtons::RetryCancel) << int(QMessageBox::Retry)
                                      << int(Answer::Retry) << 2;
    }
    void answersFollowTheButtonPressed() {
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, answer);
        QFETCH(int, offered);
        QtFeedback feedback;
        BoxPresser presser{QMessageBox::StandardButton(press), {}, {}, {}};
        presser.arm();
        Answer got = feedback.message("Portfolio has changed!\n\nSave to: x   ",
                                      MessageIcon::Exclamation, MessageButtons(buttons));
        QCOMPARE(int(got), answer);
        QCOMPARE(presser.offered.size(), offered);
        QCOMPARE(presser.text, QString("Portfolio has changed!\n\nSave to: x   "));
        QCOMPARE(presser.icon, QMessageBox::Warning);
    }

    void iconsMapToQtIcons() {
        QtFeedback feedback;
        const std::pair<MessageIcon, QMessageBox::Icon> icons[] = {
            {MessageIcon::Stop, QMessageBox::Critical},
            {MessageIcon::Information, QMessageBox::Information},
            {MessageIcon::Exclamation, QMessageBox::Warning},
        };
        for (auto [ours, qt] : icons) {
            BoxPresser presser{QMessageBox::Ok, {}, {}, {}};
            presser.arm();
            feedback.message("Failed to write font data", ours, MessageButtons::Ok);
            QCOMPARE(presser.icon, qt);
        }
    }

    void progressWindowShowsAndRestoresTheCursor() {
        QtFeedback feedback;
        ProgressWindow& progress = feedback.progress();
        QVERIFY(!feedback.progressWidget());
        progress.Open("Processing...", "ReOrdering IDs...", 0, 100);
        QWidget* window = feedback.progressWidget();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Processing..."));
        QCOMPARE(window->findChild<QLabel*>()->text(), QString("ReOrdering IDs..."));
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        auto* bar = window->findChild<QProgressBar*>();
        progress.Step(3); // within the redraw step of (100 - 0) / 25: nothing shown
        QCOMPARE(bar->value(), 0);
        progress.Step(50);
        QCOMPARE(bar->value(), 50);
        progress.SetText("Sorting...");
        QCOMPARE(window->findChild<QLabel*>()->text(), QString("Sorting..."));
        progress.SetRange(0, 1000);
        progress.Step(900);
        QCOMPARE(bar->maximum(), 1000);
        QCOMPARE(bar->value(), 900);
        progress.Close();
        QVERIFY(!feedback.progressWidget());
        QVERIFY(!QApplication::overrideCursor());
        progress.Close(); // a second close is harmless
        QVERIFY(!QApplication::overrideCursor());
    }

    // A warning listing several IDs keeps each line whole: no ID may wrap onto a line of its
    // own, though the text is wider than the width at which a message box starts wrapping.
    void messageLinesDoNotWrap() {
        QtFeedback feedback;
        const QString text =
            "WARNING!\n\n\tDuplicate Portfolio IDs defined in resource.\n\tPlease "
            "Change Portfolio ID of one of the Pictures with #: 0007 (00007)\n\t#: "
            "0041 (00065)";
        int labelHeight = 0, lineSpacing = 0, labelWidth = 0, natural = 0;
        onBox([&](QMessageBox* box) {
            auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            if (!label) {
                box->accept();
                return;
            }
            labelHeight = label->height();
            labelWidth = label->width();
            lineSpacing = label->fontMetrics().lineSpacing();
            natural = label->fontMetrics()
                          .boundingRect(QRect(0, 0, 4000, 4000), Qt::TextExpandTabs, text)
                          .width();
            box->accept();
        });
        feedback.message(text.toStdString(), MessageIcon::Exclamation, MessageButtons::Ok);
        QVERIFY(natural > 300); // wide enough that the box would wrap it
        QVERIFY2(labelWidth >= natural,
                 qPrintable(QString("%1 < %2").arg(labelWidth).arg(natural)));
        // Five lines as written: the heading, the empty line and three lines of IDs.
        QVERIFY2(labelHeight < 6 * lineSpacing,
                 qPrintable(QString("%1 >= 6 * %2").arg(labelHeight).arg(lineSpacing)));
    }

    // The progress window stands in the middle of the main window, not at the screen's corner,
    // and a long file name is shortened in its middle rather than widening the window.
    void progressWindowIsCentredOnItsParent() {
        QWidget main;
        main.setGeometry(180, 120, 500, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QtFeedback feedback(&main);
        feedback.progress().Open("Importing files...", "", 0, 3);
        QWidget* window = feedback.progressWidget();
        QVERIFY(window);
        const QPoint offset = window->frameGeometry().center() - main.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 4,
                 qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
        const int width = window->width();
        const QString longName = QString("picture-with-a-very-long-name-").repeated(6) + "end.gif";
        feedback.progress().SetText(longName.toStdString());
        auto* label = window->findChild<QLabel*>();
        QCOMPARE(window->width(), width);
        QVERIFY(label->text().startsWith("picture-with"));
        QVERIFY(label->text().endsWith("end.gif"));
        QVERIFY(label->text().size() < longName.size());
        feedback.progress().SetText("photo.gif");
        QCOMPARE(label->text(), QString("photo.gif"));
        feedback.progress().Close();
    }

    void reopeningReplacesTheWindow() {
        QtFeedback feedback;
        feedback.progress().Open("A", "a", 0, 10);
        feedback.progress().Open("B", "b", 0, 10);
        QCOMPARE(feedback.progressWidget()->windowTitle(), QString("B"));
        feedback.progress().Close();
        QVERIFY(!QApplication::overrideCursor()); // one override per open window, not two
    }
};

PIXELON_QT_TEST(QtFeedbackTest)

} // namespace pixelon::test

#include "qtfeedback_test.moc"

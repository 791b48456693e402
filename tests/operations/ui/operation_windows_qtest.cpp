// The operation dialogs and the grabber through their widgets.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "operations/ui/OperationWindows.h"
#include "platform/Feedback.h"

using namespace pixelon;
using namespace pixelon::ui;

namespace {

CPortfolio portfolioOf(std::initializer_list<int> ids, int width = 4) {
    CPortfolio p;
    for (int id : ids) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(width, 3, id);
        p.InsertSorted(std::move(picture));
    }
    return p;
}

QStringList texts(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class OperationWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void mergeButtonsFollowTheLists() {
        CPortfolio ours = portfolioOf({1, 5}), theirs = portfolioOf({5, 7}, 10);
        MergeDialog dialog(ours, theirs);
        QCOMPARE(texts(dialog.list(MergeList::Result)), QStringList({"00001", "00005"}));
        QCOMPARE(texts(dialog.list(MergeList::Theirs)), QStringList({"00005", "00007"}));
        QVERIFY(!dialog.button(MergeButton::AddFromTheirs)->isEnabled());
        QVERIFY(dialog.button(MergeButton::AddAllFromTheirs)->isEnabled());
        QVERIFY(!dialog.button(MergeButton::AddAllFromRemoved)->isEnabled());
        QVERIFY(!dialog.button(MergeButton::Remove)->isEnabled());
        QCOMPARE(dialog.button(MergeButton::RemoveDuplicatesKeepOurs)->text(),
                 QString("< Remove Duplicates"));

        // Selecting a line of the merge file enables its "Add >" and shows it enlarged.
        dialog.list(MergeList::Theirs)->item(1)->setSelected(true);
        QVERIFY(dialog.button(MergeButton::AddFromTheirs)->isEnabled());
        QCOMPARE(dialog.previewScale(), MergeDialog::PreviewSize / 10);
        QVERIFY(!dialog.preview()->pixmap().isNull());
        // ... and selecting in the result list clears it.
        dialog.list(MergeList::Result)->item(0)->setSelected(true);
        QVERIFY(dialog.list(MergeList::Theirs)->selectedItems().isEmpty());
        QVERIFY(!dialog.button(MergeButton::AddFromTheirs)->isEnabled());
        QVERIFY(dialog.button(MergeButton::Remove)->isEnabled());

        QTest::mouseClick(dialog.button(MergeButton::AddAllFromTheirs), Qt::LeftButton);
        QCOMPARE(texts(dialog.list(MergeList::Result)),
                 QStringList({"00001", "00005", "00005", "00007"}));
        QVERIFY(!dialog.button(MergeButton::AddAllFromTheirs)->isEnabled());
        QTest::mouseClick(dialog.button(MergeButton::RemoveDuplicatesKeepOurs), Qt::LeftButton);
        QCOMPARE(texts(dialog.list(MergeList::Theirs)), QStringList({"00005"}));
        QTest::mouseClick(dialog.button(MergeButton::RemoveAllOurs), Qt::LeftButton);
        QCOMPARE(texts(dialog.list(MergeList::Removed)), QStringList({"00001", "00005"}));
        QVERIFY(dialog.button(MergeButton::AddAllFromRemoved)->isEnabled());
        const MergeChoice choice = dialog.model().choice();
        QCOMPARE(choice.removedIds, (std::vector<int>{1, 5}));
        QCOMPARE(choice.addedIds, (std::vector<int>{7}));
    }

    // Each arrow points where the line goes: "Add" buttons stand between a source list on their
    // left and the result on their right; "Remove" buttons send lines back leftwards.
    void mergeArrowsPointWhereTheLinesGo() {
        CPortfolio ours = portfolioOf({1}), theirs = portfolioOf({2});
        MergeDialog dialog(ours, theirs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto rectOf = [&](QWidget* w) { return QRect(w->mapTo(&dialog, QPoint()), w->size()); };
        const QRect result = rectOf(dialog.list(MergeList::Result));
        for (MergeList source : {MergeList::Theirs, MergeList::Removed}) {
            const QRect from = rectOf(dialog.list(source));
            QVERIFY(from.right() < result.left());
        }
        for (int b = 0; b < MergeButtonCount; ++b) {
            QPushButton* button = dialog.button(MergeButton(b));
            const QRect r = rectOf(button);
            QVERIFY2(r.left() > rectOf(dialog.list(MergeList::Theirs)).right() &&
                         r.right() < result.left(),
                     qPrintable(button->text()));
            // The arrow on the side the line heads to.
            if (button->text().startsWith("Add"))
                QVERIFY(button->text().endsWith(">"));
            else
                QVERIFY(button->text().startsWith("<"));
        }
        // The preview must not cover either list.
        const QRect preview = rectOf(dialog.preview());
        QVERIFY(!preview.intersects(result));
        QVERIFY(!preview.intersects(rectOf(dialog.list(MergeList::Theirs))));
        QVERIFY(!preview.intersects(rectOf(dialog.list(MergeList::Removed))));
    }

    void slidersShowTheirValuesWhileMoving() {
        HeightDialogModel crop = HeightDialogModel::crop();
        HeightDialog dialog(crop);
        QCOMPARE(dialog.windowTitle(), QString("Crop Height of Images"));
        QCOMPARE(dialog.threshold().slider->maximum(), 40);
        dialog.top().slider->setValue(7);
        QCOMPARE(dialog.top().value->text(), QString("7"));
        QCOMPARE(crop.top.value, 7);

        ShiftDialogModel shift;
        ShiftDialog shiftDialog(shift);
        QCOMPARE(shiftDialog.row().value->text(), QString("None"));
        QCOMPARE(shiftDialog.row().slider->minimum(), -30);
        QCOMPARE(shiftDialog.row().slider->pageStep(), 5);
        QCOMPARE(shiftDialog.row().slider->tickInterval(), 5);
        shiftDialog.row().slider->setValue(-4);
        QCOMPARE(shiftDialog.row().value->text(), QString("Up 4"));
        shiftDialog.row().slider->setValue(12);
        QCOMPARE(shiftDialog.row().value->text(), QString("Down 12"));
    }

    void shiftSliderMovesTheWayItsKeysPoint() {
        ShiftDialogModel shift;
        ShiftDialog dialog(shift);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSlider* slider = dialog.row().slider;
        QLabel* label = dialog.row().value;
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Up);
        QCOMPARE(label->text(), QString("Up 1"));
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(label->text(), QString("Up 6"));
        QTest::keyClick(slider, Qt::Key_Down);
        QCOMPARE(label->text(), QString("Up 5"));
        QTest::keyClick(slider, Qt::Key_PageDown);
        QTest::keyClick(slider, Qt::Key_PageDown);
        QCOMPARE(label->text(), QString("Down 5"));
        QCOMPARE(shift.shift.value, 5);

        // The wheel turned away from the user moves up as well.
        slider->setValue(0);
        const QPoint at = slider->rect().center();
        QWheelEvent up(at, slider->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &up);
        QVERIFY(slider->value() < 0);
        QVERIFY(label->text().startsWith("Up "));

        // And what the keys call up is up on the screen: the rows that change from the middle
        // to "Up 30" reach the top, those to "Down 30" the bottom.
        auto changedRows = [slider](int value) {
            slider->setValue(0);
            const QImage middle = slider->grab().toImage();
            slider->setValue(value);
            const QImage moved = slider->grab().toImage();
            int first = -1, last = -1;
            for (int y = 0; y < moved.height(); ++y)
                for (int x = 0; x < moved.width(); ++x)
                    if (moved.pixel(x, y) != middle.pixel(x, y)) {
                        first = first < 0 ? y : first;
                        last = y;
                    }
            return std::pair{first, last};
        };
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(label->text(), QString("Up 30"));
        const int h = slider->height();
        const auto [upFirst, upLast] = changedRows(-30);
        const auto [downFirst, downLast] = changedRows(30);
        QVERIFY2(upFirst >= 0 && upFirst < h / 3, qPrintable(QString::number(upFirst)));
        QVERIFY2(downLast > 2 * h / 3, qPrintable(QString::number(downLast)));
        QVERIFY(upLast < downLast && upFirst < downFirst);
    }

    void idDialogRefusesIdsOutOfRange() {
        RecordingFeedback feedback;
        IdDialog dialog(3, feedback);
        QCOMPARE(dialog.windowTitle(), QString("Enter Portfolio ID"));
        QCOMPARE(dialog.field()->text(), QString("00003"));
        QCOMPARE(dialog.field()->maxLength(), 5);
        dialog.field()->setText("70000");
        dialog.show();
        QTest::keyClick(dialog.field(), Qt::Key_Return);
        QCOMPARE(feedback.messages().size(), std::size_t(1));
        QCOMPARE(feedback.messages()[0].text,
                 std::string("Please enter an integer between 0 and 65535."));
        QVERIFY(dialog.isVisible());
        dialog.field()->setText("00042");
        QTest::keyClick(dialog.field(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.value(), std::optional<int>(42));
    }

    void grabberDragsABandAndCanBeCancelled() {
        QImage snapshot(200, 100, QImage::Format_RGB32);
        snapshot.fill(Qt::blue);
        ImageGrabber grabber;
        grabber.start(snapshot);
        grabber.resize(200, 100); // one window point a snapshot pixel
        QTest::mousePress(&grabber, Qt::LeftButton, {}, QPoint(50, 40));
        QTest::mouseMove(&grabber, QPoint(20, 10));
        QVERIFY(!grabber.finished());
        QCOMPARE(*grabber.band(), (Rect{20, 10, 50, 40}));
        QTest::mouseRelease(&grabber, Qt::LeftButton, {}, QPoint(10, 5));
        QVERIFY(grabber.finished());
        QCOMPARE(*grabber.band(), (Rect{10, 5, 50, 40}));
        QVERIFY(!grabber.isVisible());

        // The window is reused: the next run starts afresh, and Escape gives nothing.
        QTimer::singleShot(0, &grabber, [&] { QTest::keyClick(&grabber, Qt::Key_Escape); });
        QVERIFY(!grabber.grab(snapshot));
    }

    void refusedSnapshotIsSaidNotShown() {
        RecordingFeedback feedback;
        ImageGrabber grabber;
        QVERIFY(!grabFromSnapshot(grabber, QImage(), feedback));
        QVERIFY(!grabber.isVisible());
        QCOMPARE(feedback.messages().size(), std::size_t(1));
        QCOMPARE(feedback.messages()[0].icon, MessageIcon::Stop);
        QVERIFY(feedback.messages()[0].text.find("refused") != std::string::npos);
    }
};

QTEST_MAIN(OperationWindowsTest)
#include "operation_windows_qtest.moc"

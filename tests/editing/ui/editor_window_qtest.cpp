#include <QAbstractButton>
#include <QApplication>
#include <QtTest>

#include "editing/ui/EditorWindow.h"
#include "editing/ui/PaletteButton.h"
#include "platform/Feedback.h"
#include "tests/support/TestPictures.h"

using namespace pixelon;

namespace {

// Each character is a 2 x 3 block of ink.
class BlockFont : public TextFont {
public:
    Surface renderWord(std::string_view word) const override {
        return Surface(int(word.size()) * 2, 3, 0);
    }
    int blankWidth() const override { return 1; }
    int lineHeight() const override { return 4; }
};

} // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT

private:
    // The view position of the middle of picture pixel (x, y).
    static QPoint at(ui::EditorWindow& w, int x, int y) {
        const int z = w.editor().zoom();
        return {w.editor().viewOffset() + x * z + z / 2, y * z + z / 2};
    }

    static void drawSession(ui::EditorWindow& w) {
        QWidget* view = w.view();
        // Pen: a press and a drag along row 1.
        QTest::mousePress(view, Qt::LeftButton, {}, at(w, 0, 1));
        QTest::mouseMove(view, at(w, 5, 1));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(w, 5, 1));
        // Line with Ctrl: constrained to row 3.
        w.control(1101)->click();
        QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, at(w, 0, 3));
        QTest::mouseMove(view, at(w, 9, 5));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, at(w, 9, 5));
        // Fill the bottom-right area with dark grey.
        w.findChild<QWidget*>("ctl1085")->setFocus();
        QTest::mouseClick(w.findChild<QWidget*>("ctl1085"), Qt::LeftButton);
        w.control(1103)->click();
        QTest::mouseClick(view, Qt::LeftButton, {}, at(w, 15, 8));
        // Select the pen stroke's first two pixels and move them down by one row.
        w.control(1102)->click();
        QTest::mousePress(view, Qt::LeftButton, {}, at(w, 0, 0));
        QTest::mouseMove(view, at(w, 3, 2));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(w, 3, 2));
        QTest::mousePress(view, Qt::LeftButton, {}, at(w, 1, 1));
        QTest::mouseMove(view, at(w, 1, 2));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(w, 1, 2));
        // Text at (12, 0) in a block font.
        QTest::mouseClick(view, Qt::RightButton, {}, at(w, 10, 8));          // drops the selection
        QTest::mouseClick(w.findChild<QWidget*>("ctl1084"), Qt::LeftButton); // black
        w.editor().setFont(std::make_shared<BlockFont>());
        w.control(1104)->click();
        QTest::mouseClick(view, Qt::LeftButton, {}, at(w, 12, 0));
        QTest::keyClicks(view, "ab");
    }

private slots:
    void initTestCase() {
        resetPhoneColours();
        // The EasyPalette reads default.pal from the data folder; keep the user's out of it.
        qputenv("XDG_DATA_HOME", QByteArray("/nonexistent-pixelon-test"));
    }
    void paletteButtonNotifies();
    void paletteClicksSetColours();

    void sessionEndingInOk() {
        CPicture picture = whitePicture(20, 10);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.resize(800, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.editor().zoom() >= 1);
        drawSession(window);
        QCOMPARE(window.editor().text(), std::string("ab"));
        window.control(1)->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        auto value = [&](int x, int y) { return picture.GetPixel(x, y); };
        QCOMPARE(value(4, 1), std::uint16_t(0));          // pen
        QCOMPARE(value(0, 1), toRgb565(colourDarkGrey));  // the filled pixel above, moved down
        QCOMPARE(value(0, 2), std::uint16_t(0));          // and put one row lower
        QCOMPARE(value(9, 3), std::uint16_t(0));          // the straight line
        QVERIFY(value(9, 5) != 0);                        // not on the line: Ctrl kept it straight
        QCOMPARE(value(15, 8), toRgb565(colourDarkGrey)); // fill
        QCOMPARE(value(12, 0), std::uint16_t(0));         // text, committed by OK
        QCOMPARE(value(15, 2), std::uint16_t(0));
        QCOMPARE(picture.m_nSaveDepth, 2);
    }

    void sessionEndingInCancelLeavesPicture() {
        CPicture picture = whitePicture(20, 10);
        const CPicture before = picture;
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.resize(800, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        drawSession(window);
        window.control(2)->click();
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(picture.m_pixels == before.m_pixels);
        QVERIFY(picture.m_mask == before.m_mask);
        QCOMPARE(picture.m_nDepth, before.m_nDepth);
    }

    void zoomButtonsFollowTheModel() {
        CPicture picture = whitePicture(10, 10);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.resize(800, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.control(3)->isEnabled()); // at fit and narrow
        window.control(4)->click();
        QVERIFY(window.control(3)->isEnabled());
        QCOMPARE(window.control(1064)->isEnabled(), false);
        QCOMPARE(window.control(11)->text(), QString("Fol&d&& rotate"));
    }
};

void EditorWindowTest::paletteButtonNotifies() {
    ui::PaletteButton button(1090);
    QList<std::pair<int, int>> seen;
    connect(&button, &ui::PaletteButton::notify, this, [&](int id, int code) {
        seen.append({id, code});
    });
    button.resize(20, 20);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::RightButton);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0], std::make_pair(1090, 0x201));
    QCOMPARE(seen[1], std::make_pair(1090, 0x204));
}

void EditorWindowTest::paletteClicksSetColours() {
    CPicture picture = whitePicture(10, 10);
    RecordingFeedback feedback;
    ui::EditorWindow window(picture, feedback, {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QWidget*>("ctl1092"), Qt::RightButton);
    QCOMPARE(window.editor().rightColour(), (ColourPair{colourDarkGrey, colourWhite}));
    window.toggleEasyPalette();
    QVERIFY(window.easyPalette());
    // Cell 33 of the colour cube, second row: a left release there sets the left colour.
    QTest::mouseClick(window.easyPalette(), Qt::LeftButton, {}, QPoint(16 + 8, 16 + 8));
    QCOMPARE(window.editor().leftColour(),
             ColourPair::plain(window.easyPalette()->model().colour(33)));
    window.reject();
}

QTEST_MAIN(EditorWindowTest)
#include "editor_window_qtest.moc"

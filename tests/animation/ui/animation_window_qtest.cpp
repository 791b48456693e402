#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QtTest>

#include "animation/ui/AnimationEditorWindow.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/animation/AnimationTestUtil.h"

using namespace pixelon;

namespace {

CPortfolio samplePortfolio() {
    CPortfolio folio;
    folio.m_pictures.push_back(test::solidPicture(1, 20, 20, test::Red565));
    folio.m_pictures.push_back(test::solidPicture(2, 20, 20, test::Blue565));
    auto ring = test::solidPicture(3, 20, 20, test::White565);
    for (int i = 0; i < 20; ++i) {
        ring->SetPixel(i, 0, test::Black565);
        ring->SetPixel(i, 19, test::Black565);
        ring->SetPixel(0, i, test::Black565);
        ring->SetPixel(19, i, test::Black565);
    }
    folio.m_pictures.push_back(std::move(ring));
    Animation existing;
    existing.name = "Existing";
    existing.frames = {test::frameOf(2)};
    folio.m_animations.push_back(existing);
    return folio;
}

} // namespace

class AnimationWindowTest : public QObject {
    Q_OBJECT

private:
    RecordingFeedback feedback;
    std::vector<std::string> names;

    AnimationEditorServices services() {
        AnimationEditorServices s;
        s.feedback = &feedback;
        s.askText = [this](std::string_view, std::string_view,
                           std::string_view) -> std::optional<std::string> {
            if (names.empty())
                return std::nullopt;
            std::string n = names.front();
            names.erase(names.begin());
            return n;
        };
        return s;
    }

    static void click(ui::AnimationEditorWindow& w, int id) {
        auto* b = qobject_cast<QAbstractButton*>(w.control(id));
        QVERIFY(b);
        QVERIFY(b->isEnabled());
        b->click();
    }
    static QListWidget* list(ui::AnimationEditorWindow& w, int id) {
        return qobject_cast<QListWidget*>(w.control(id));
    }
    static void type(ui::AnimationEditorWindow& w, int id, const QString& text) {
        auto* field = qobject_cast<QLineEdit*>(w.control(id));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // New animation "Blink" with frames 1, 3 (transparent, 30 ms) and 2, sized by Calc.
    void buildBlink(ui::AnimationEditorWindow& w) {
        names = {"Blink"};
        click(w, 900);
        QCOMPARE(w.windowTitle(), QString("Animation Editor - Blink"));
        QListWidget* images = list(w, 90002);
        images->item(0)->setSelected(true);
        images->item(2)->setSelected(true);
        click(w, 3); // Add >
        images->clearSelection();
        images->item(1)->setSelected(true);
        click(w, 3);
        QListWidget* frames = list(w, 90003);
        QCOMPARE(frames->count(), 3);
        QCOMPARE(frames->item(1)->text(), QString("00003"));
        frames->setCurrentRow(1);
        type(w, 1171, "30");
        click(w, 1170); // Transparent
        type(w, 1168, "5");
        QVERIFY(w.isVisible()); // Return applied the fields and left the window open
        click(w, 1188);         // Calc
        QCOMPARE(qobject_cast<QLineEdit*>(w.control(1003))->text(), QString("25"));
        QCOMPARE(list(w, 90004)->count(), 3);
    }

private slots:
    void buildsPlaysAndHandsBackOnOk() {
        CPortfolio folio = samplePortfolio();
        ui::AnimationEditorWindow w(folio, services(), false, 1.0);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QString("Animation Editor"));
        buildBlink(w);
        if (QTest::currentTestFailed())
            return;
        const Animation& blink = w.editor().animations().back();
        QCOMPARE(blink.frames[1], (AnimationFrame{3, 5, 0, 1, 30}));

        // "Times" below 2 shows 2.
        click(w, 1173);
        type(w, 1177, "1");
        QCOMPARE(qobject_cast<QLineEdit*>(w.control(1177))->text(), QString("2"));
        click(w, 1172); // Play once

        // Play it with the real timer: every frame once, then Animate clears itself.
        std::vector<int> shown;
        // The window steps playback first; a frame counts as shown while playback goes on.
        connect(&w.timer(), &ui::QtPreviewTimer::fired, this, [&] {
            if (w.editor().animating())
                shown.push_back(w.editor().framePosition());
        });
        auto* animate = qobject_cast<QAbstractButton*>(w.control(1180));
        animate->click();
        QVERIFY(animate->isChecked());
        shown.push_back(w.editor().framePosition());
        QTRY_VERIFY_WITH_TIMEOUT(!animate->isChecked(), 5000);
        QCOMPARE(shown, (std::vector<int>{0, 1, 2}));
        QVERIFY(!w.timer().isActive());

        // Look at the preview after the last frame, and save the whole window.
        w.editor().scrollTo(0);
        w.editor().scrollTo(1);
        QApplication::processEvents();
        QCOMPARE(qobject_cast<QScrollBar*>(w.control(90005))->value(), 1);
        const QImage shot = w.grab().toImage();
        QVERIFY(!shot.isNull());
        shot.save(QString(PIXELON_TEST_BINARY_DIR) + "/animation-editor.png");

        click(w, 1); // OK
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(folio.m_animations.size(), std::size_t(2));
        QCOMPARE(folio.m_animations[1].name, std::string("Blink"));
        QCOMPARE(folio.m_animations[1].width, 25);
        QCOMPARE(folio.m_animations[1].frames.size(), std::size_t(3));
        QVERIFY(w.animationsChanged());
    }

    void cancelDropsTheWorkingCopies() {
        CPortfolio folio = samplePortfolio();
        ui::AnimationEditorWindow w(folio, services(), true, 1.0);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        buildBlink(w);
        if (QTest::currentTestFailed())
            return;
        w.editor().scrollTo(0);
        w.editor().scrollTo(1);
        QApplication::processEvents();
        QVERIFY(w.grab().toImage().save(QString(PIXELON_TEST_BINARY_DIR) +
                                        "/animation-editor-zoom.png"));
        list(w, 90001)->setCurrentRow(0);
        QCOMPARE(w.windowTitle(), QString("Animation Editor - Existing"));
        click(w, 6); // << Remove All
        QCOMPARE(list(w, 90003)->count(), 0);
        click(w, 2); // Cancel
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(folio.m_animations.size(), std::size_t(1));
        QCOMPARE(folio.m_animations[0].frames.size(), std::size_t(1));
    }

    void deleteImageActsAtOnceEvenOnCancel() {
        CPortfolio folio = samplePortfolio();
        ui::AnimationEditorWindow w(folio, services(), false, 1.0);
        w.show();
        list(w, 90002)->item(1)->setSelected(true);
        click(w, 906); // Delete Image
        QCOMPARE(list(w, 90002)->count(), 2);
        click(w, 2);
        QCOMPARE(folio.Count(), 2);
        QVERIFY(folio.m_animations[0].frames.empty());
    }

    void everyButtonHasItsTooltip() {
        CPortfolio folio = samplePortfolio();
        ui::AnimationEditorWindow w(folio, services(), false, 1.0);
        const std::pair<int, const char*> tips[] = {
            {900, "New Animation"},    {901, "Rename Animation"},
            {902, "Delete Animation"}, {903, "Export Animation"},
            {904, "New Image"},        {905, "Duplicate Image"},
            {906, "Delete Image"},     {1084, "Import Image/Animation"},
            {32852, "Duplicate Frame"}};
        for (auto [id, tip] : tips)
            QCOMPARE(w.control(id)->toolTip(), QString(tip));
    }
};

QTEST_MAIN(AnimationWindowTest)
#include "animation_window_qtest.moc"

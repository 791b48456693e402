// The picture list's selection as the commands see it: after Ctrl+clicks that split and join
// ranges, Shift+click ranges and Ctrl+A, selectedIndices names exactly the rows the list shows
// as selected, in ascending order, and the status line counts them.
#include <QListWidget>

#include <algorithm>
#include <numeric>
#include <random>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

class SelectionTest : public QObject {
    Q_OBJECT

    // Asks every row, the way the list itself answers.
    static std::vector<int> rowsShownSelected(QListWidget* list) {
        std::vector<int> rows;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected())
                rows.push_back(i);
        return rows;
    }

    static void click(QListWidget* list, int row, Qt::KeyboardModifiers modifiers) {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(item).center());
    }

    static std::string portfolioOf(AppFixture& f, int count) {
        CPortfolio p;
        p.m_strName = "Many";
        for (int id = 1; id <= count; ++id) {
            auto picture = std::make_unique<CPicture>();
            picture->Create(2, 2, id);
            p.m_pictures.push_back(std::move(picture));
        }
        RecordingFeedback quiet;
        p.WriteFile(f.path("many.pfo"), quiet);
        return f.path("many.pfo");
    }

private slots:
    void clicksKeepTheListsOwnSelection() {
        AppFixture f;
        CGlyphonApp& app = f.start(portfolioOf(f, 400));
        app.frame().show();
        QListWidget* list = app.view().list();
        QCOMPARE(list->count(), 400);

        std::mt19937 random(7);
        click(list, 10, Qt::NoModifier);
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{10});
        for (int n = 0; n < 120; ++n) {
            const int row = int(random() % 400);
            // Mostly Ctrl+clicks, which split ranges and join them; now and then a Shift range
            // from the caret.
            const auto modifiers = n % 17 == 16 ? Qt::ShiftModifier : Qt::ControlModifier;
            click(list, row, modifiers);
            const std::vector<int> shown = rowsShownSelected(list);
            QCOMPARE(app.view().selectedIndices(), shown);
        }
        // A second Ctrl+click on a row takes it out again.
        const std::vector<int> before = app.view().selectedIndices();
        click(list, 5, Qt::ControlModifier);
        click(list, 5, Qt::ControlModifier);
        QCOMPARE(app.view().selectedIndices(), before);

        app.view().selectAll();
        QCOMPARE(app.view().selectedIndices().size(), std::size_t(400));
        QCOMPARE(app.view().selectedIndices().back(), 399);

        click(list, 390, Qt::NoModifier);
        click(list, 20, Qt::ShiftModifier);
        std::vector<int> range(371);
        std::iota(range.begin(), range.end(), 20);
        QCOMPARE(app.view().selectedIndices(), range);
        QCOMPARE(rowsShownSelected(list), range);

        app.view().selectOnly(3);
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{3});
        list->clearSelection();
        QVERIFY(app.view().selectedIndices().empty());
    }
};

PIXELON_QT_TEST(SelectionTest)

} // namespace pixelon::app::test

#include "selection_test.moc"

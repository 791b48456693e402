// The output commands in the window: the contact sheet through the scripted save dialog, and
// the print, viewer and About commands present and enabled by their rules.

#include <QAction>

#include <fstream>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

class OutputCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void contactSheetIsWrittenInTheChosenFormat() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {1, 2}));
        QAction* sheet = app.frame().action(ID_EXPORT_CONTACT_SHEET);
        QVERIFY(sheet);
        QVERIFY(sheet->isEnabled());
        f.chooser.queuePath(f.path("sheet.bmp"));
        f.chooser.answers.back()->filterIndex = 2;
        sheet->trigger();
        QCOMPARE(f.chooser.asked.back().defaultName, std::string("set Contact Sheet"));
        std::ifstream in(f.path("sheet.bmp"), std::ios::binary);
        char magic[2] = {};
        in.read(magic, 2);
        QCOMPARE(std::string(magic, 2), std::string("BM"));
        QVERIFY(f.feedback.messages().empty());

        sheet->trigger(); // cancelled: nothing more is asked or written
        QCOMPARE(int(f.chooser.asked.size()), 2);
        QVERIFY(f.feedback.messages().empty());
    }

    void printViewerAndAboutCommandsFollowTheirRules() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        for (int id : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP,
                       ID_PICTURE_PORTFOLIO, ID_APP_ABOUT})
            QVERIFY2(app.view().hasCommand(id), qPrintable(QString::number(id)));
        QVERIFY(!app.frame().action(ID_FILE_PRINT)->isEnabled());
        QVERIFY(!app.frame().action(ID_PICTURE_PORTFOLIO)->isEnabled());
        QVERIFY(app.frame().action(ID_APP_ABOUT)->isEnabled());
    }
};

PIXELON_QT_TEST(OutputCommandsTest)

} // namespace pixelon::app::test

#include "outputcommands_test.moc"

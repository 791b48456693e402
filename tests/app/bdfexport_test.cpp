// File > Export to BDF Font in the window: the scripted save dialog chooses the file, the
// command is enabled only with pictures.

#include <QAction>

#include <fstream>
#include <iterator>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

class BdfExportTest : public QObject {
    Q_OBJECT
private slots:
    void fontIsWrittenToTheChosenFile() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {0x41, 0x42}, "Glyphs"));
        QAction* action = app.frame().action(ID_EXPORT_BDF_FONT);
        QVERIFY(action);
        QVERIFY(action->isEnabled());
        f.chooser.queuePath(f.path("glyphs.bdf"));
        action->trigger();
        QCOMPARE(f.chooser.asked.back().defaultName, f.path("set.bdf"));
        QVERIFY(f.feedback.messages().empty());
        std::ifstream in(f.path("glyphs.bdf"));
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        QVERIFY(text.rfind("STARTFONT 2.1\n", 0) == 0);
        QVERIFY(text.find("FAMILY_NAME \"Glyphs\"") != std::string::npos);
        QVERIFY(text.find("ENCODING 66\n") != std::string::npos);

        action->trigger(); // cancelled: nothing more is asked or reported
        QCOMPARE(int(f.chooser.asked.size()), 2);
        QVERIFY(f.feedback.messages().empty());
    }

    void disabledWithoutPictures() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("empty.pfo", {}));
        QVERIFY(!app.frame().action(ID_EXPORT_BDF_FONT)->isEnabled());
    }
};

PIXELON_QT_TEST(BdfExportTest)

} // namespace pixelon::app::test

#include "bdfexport_test.moc"

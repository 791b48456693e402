// The phone windows opened from the main window.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QTimer>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

#if PIXELON_HAVE_PHONE_UI
#include "phone/ui/PhoneWindows.h"
#endif

namespace pixelon::app::test {

namespace {

// Clicks choice `id` of the radio dialog once it is shown and presses OK; bounded to ~2 s.
void chooseInNextDialog(int id, int tries = 0) {
    QTimer::singleShot(10, [id, tries] {
#if PIXELON_HAVE_PHONE_UI
        auto* dialog = qobject_cast<ui::RadioChoiceDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries < 200)
                chooseInNextDialog(id, tries + 1);
            return;
        }
        if (QAbstractButton* b = dialog->buttons()->button(id))
            b->click();
        dialog->accept();
#endif
    });
}

} // namespace

class PhoneWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void phoneFormatTypeDialogSetsTheType() {
#if !PIXELON_HAVE_PHONE_UI
        QSKIP("phone windows are not built");
#else
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        CGlyphonApp& app = f.start(file);
        chooseInNextDialog(8);
        app.frame().action(ID_PHONE_FORMAT_TYPE)->trigger();
        QCOMPARE(app.settings().m_nPhoneType, 8);
        QVERIFY(app.frame().statusSummary().contains("Phone: HX213"));
#endif
    }

    void applicationTypeDialogSetsTheApplication() {
#if !PIXELON_HAVE_PHONE_UI
        QSKIP("phone windows are not built");
#else
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.settings().m_nPhoneType = 4;
        app.frame().updateCommands();
        QVERIFY(app.frame().action(ID_APPLICATION_TYPE)->isEnabled());
        chooseInNextDialog(2);
        app.frame().action(ID_APPLICATION_TYPE)->trigger();
        QCOMPARE(app.view().applicationType(), ApplicationType::VistrelEms);
        QCOMPARE(app.view().previewSize(), (PreviewSize{96, 32}));
#endif
    }

    void commsLogOpensBesideTheWindow() {
#if !PIXELON_HAVE_PHONE_UI
        QSKIP("phone windows are not built");
#else
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.frame().action(ID_COMMS_LOG)->trigger();
        ui::CommsLogWindow& log = ui::showCommsLog(app.settings(), false);
        QVERIFY(!log.isVisible());
        app.frame().action(ID_COMMS_LOG)->trigger();
        QVERIFY(log.isVisible());
        log.close();
#endif
    }
};

PIXELON_QT_TEST(PhoneWindowsTest)

} // namespace pixelon::app::test

#include "phonewindows_test.moc"

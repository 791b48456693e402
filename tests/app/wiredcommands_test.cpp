// Commands of other modules as the window runs them: picture import and export, phone and
// application types, sending, file associations.

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QListWidget>

#include <fstream>

#include "app/ExportCommand.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/ObexCommands.h"
#include "core/FileTypes.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

// A 2 x 2 24-bit BMP: black, white / red, blue.
void writeTinyBmp(const std::string& path) {
    const unsigned char header[54] = {
        'B', 'M', 70, 0, 0,    0,    0, 0, 0,    0,    54, 0, 0, 0, // file header
        40,  0,   0,  0, 2,    0,    0, 0, 2,    0,    0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
        16,  0,   0,  0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0};
    // Bottom row first, blue-green-red, rows padded to 4 bytes.
    const unsigned char pixels[16] = {0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(pixels), sizeof pixels);
}

} // namespace

class WiredCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void exportShowsOneDialogPerPictureAndSkipsCancelled() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {12, 13, 14}, "Icons");
        CGlyphonApp& app = f.start(file);
        app.settings().m_nPhoneType = 12; // the picture itself is written
        app.view().selectAll();
        FileAnswer first;
        first.paths = {f.path("first.gif")};
        first.filterIndex = 1;
        f.chooser.answers.push_back(first);
        f.chooser.answers.push_back(std::nullopt); // the second is cancelled
        FileAnswer third;
        third.paths = {f.path("third")};
        third.filterIndex = 3;
        f.chooser.answers.push_back(third);
        app.frame().action(ID_EXPORT_PICTURE)->trigger();

        QCOMPARE(f.chooser.asked.size(), std::size_t(3));
        QCOMPARE(f.chooser.asked[0].defaultName, f.path("Icons_00012"));
        QCOMPARE(f.chooser.asked[2].defaultName, f.path("Icons_00014"));
        QVERIFY(QFile::exists(QString::fromStdString(f.path("first.gif"))));
        QVERIFY(QFile::exists(QString::fromStdString(f.path("third.wbmp"))));
        QCOMPARE(app.settings().m_nDefaultExportType, 3);
        int saved = 0;
        for (const auto& m : f.feedback.messages())
            saved += m.text.rfind("Picture Saved to file:", 0) == 0 ? 1 : 0;
        QCOMPARE(saved, 2);
        QCOMPARE(f.chooser.asked.back().filterIndex, 1); // preset from the previous export
    }

    void copyThenPasteMakesANewPictureWithTheNextId() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        app.doc().m_portfolio.Picture(1).m_nDepth = 16;
        app.doc().m_portfolio.Picture(1).SetPixel(0, 0, toRgb565(rgb(255, 0, 0)));
        app.view().selectOnly(1);
        app.frame().action(ID_EDIT_COPY)->trigger();
        QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(4, 3));
        QCOMPARE(QColor(copied.pixel(0, 0)), QColor(255, 0, 0));

        f.editor = [](CPicture&) { return false; }; // cancelled: the picture stays
        app.frame().action(ID_PASTE_NEW_PICTURE)->trigger();
        QCOMPARE(app.view().list()->count(), 3);
        QCOMPARE(app.view().list()->item(2)->text(), QString("00003"));
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{2});
        QCOMPARE(f.editorRuns, 1);
        const CPicture& pasted = app.doc().m_portfolio.Picture(2);
        QCOMPARE(pasted.m_nWidth, 4);
        QCOMPARE(pasted.PixelColour(0, 0), rgb(255, 0, 0));
        QVERIFY(app.doc().IsModified());

        QGuiApplication::clipboard()->clear();
        app.frame().action(ID_PASTE_NEW_PICTURE)->trigger(); // nothing to paste
        QCOMPARE(app.view().list()->count(), 3);
    }

    void exportPathGetsTheChosenFormatsExtension() {
        QCOMPARE(exportPathFor("/a.b/pic", 1), std::string("/a.b/pic.gif"));
        QCOMPARE(exportPathFor("/a.b/pic", 2), std::string("/a.b/pic.jpg"));
        QCOMPARE(exportPathFor("/a/pic.jpeg", 1), std::string("/a/pic.jpeg"));
    }

    void pictureOnTheCommandLineIsImportedIntoANewPortfolio() {
        AppFixture f;
        std::string bmp = f.path("tiny.bmp");
        writeTinyBmp(bmp);
        CGlyphonApp& app = f.start(bmp);
        QVERIFY(app.doc().m_bActive);
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
        QCOMPARE(app.view().list()->item(0)->text(), QString("00001"));
        QCOMPARE(app.doc().m_portfolio.Picture(0).m_nWidth, 2);
        QVERIFY(app.doc().IsModified());
        QCOMPARE(app.doc().GetPathName(), std::string()); // a picture never becomes the path
        QCOMPARE(app.view().selectedIndices(), std::vector<int>{0});

        // A second picture goes into the open portfolio with the next ID.
        f.chooser.queuePath(bmp);
        app.frame().action(ID_FILE_OPEN)->trigger();
        QCOMPARE(app.view().list()->count(), 2);
        QCOMPARE(app.view().list()->item(1)->text(), QString("00002"));
    }

    void brokenPictureAddsNothing() {
        AppFixture f;
        std::string bad = f.path("bad.bmp");
        std::ofstream(bad) << "not a bitmap";
        CGlyphonApp& app = f.start(bad);
        QCOMPARE(app.doc().m_portfolio.Count(), 0);
        QVERIFY(!app.doc().IsModified());
        QVERIFY(!f.feedback.messages().empty());
        QCOMPARE(f.feedback.messages().back().icon, MessageIcon::Stop);
    }

    void phoneTypeCyclingAndApplicationButtons() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        CGlyphonApp& app = f.start(file);
        app.settings().m_nPhoneType = 0;
        app.view().setApplicationType(ApplicationType::VistrelEms);
        app.frame().action(ID_PREV_PHONE_TYPE)->trigger();
        QCOMPARE(app.settings().m_nPhoneType, 3);
        QCOMPARE(app.view().applicationType(), ApplicationType::BackgroundPicture);
        QCOMPARE(app.view().m_newPictureSize, (PreviewSize{128, 110}));
        QCOMPARE(app.view().previewSize(), (PreviewSize{128, 110}));
        QVERIFY(app.frame().statusSummary().contains("Phone: HX204"));

        app.frame().action(ID_NEXT_PHONE_TYPE)->trigger();
        QCOMPARE(app.settings().m_nPhoneType, 4);
        app.view().selectOnly(0);
        app.frame().updateCommands();
        QVERIFY(app.frame().action(ID_APP_EMS)->isEnabled());
        app.frame().action(ID_APP_EMS)->trigger();
        QVERIFY(app.frame().statusSummary().endsWith("App: EMS"));
        QCOMPARE(app.view().previewSize(), (PreviewSize{96, 32}));

        app.settings().m_nPhoneType = 10; // no Vistrel for EMS on this type
        app.frame().updateCommands();
        QVERIFY(!app.frame().action(ID_APP_EMS)->isEnabled());
        QVERIFY(app.frame().action(ID_RECEIVE_PICTURE)->isEnabled() == false);
    }

    void sendToAFilePhoneOpensTheFileSend() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        CGlyphonApp& app = f.start(file);
        app.settings().m_nPhoneType = 1; // takes GIF files over OBEX
        app.view().selectOnly(0);
        int pictures = -1;
        setSendFileRunner([&](obex::SendFileLogic::Setup s) { pictures = int(s.pictures.size()); });
        app.frame().action(ID_SEND_PICTURE)->trigger();
        setSendFileRunner(nullptr);
        QCOMPARE(pictures, 1);
        QVERIFY(f.feedback.messages().empty());
    }

    void restoreFileAssociations() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        QCOMPARE(f.registry.readString(Hive::LocalMachine, "SOFTWARE\\Classes\\r_auto_file", ""),
                 std::optional<std::string>("Vistrel Portfolio File"));
        app.view().runCommand(ID_RESTORE_ASSOCIATIONS);
        QCOMPARE(QString::fromStdString(f.feedback.messages().back().text),
                 QString("File associations restored.\n\nDouble-clicking on .PFO files from\n"
                         "Explorer should now work"));
        QCOMPARE(f.feedback.messages().back().icon, MessageIcon::Information);
        QCOMPARE(f.registry.readString(Hive::LocalMachine, "SOFTWARE\\Classes\\r_auto_file", ""),
                 std::optional<std::string>("Kinetto Portfolio File"));
    }
};

PIXELON_QT_TEST(WiredCommandsTest)

} // namespace pixelon::app::test

#include "wiredcommands_test.moc"

// Send File to Phone, Send Picture for the phone types that take files, and the Handset
// Gateway panel as the window's commands open them.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include <fstream>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/ObexCommands.h"
#include "phone/obex/ObexReceiver.h"
#include "phone/ui/GatewayWindow.h"
#include "phone/ui/SendFileWindow.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"
#include "tests/phone/obex/ObexStreams.h"

namespace pixelon::app::test {

class ObexCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setSendFileRunner(nullptr); }

    void sendFileOpensThePlainFileSend() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {12}, "Set"));
        std::vector<obex::SendFileLogic::Setup> opened;
        setSendFileRunner([&](obex::SendFileLogic::Setup s) { opened.push_back(std::move(s)); });
        app.view().selectOnly(0);
        app.frame().action(ID_SEND_FILE)->trigger();
        QCOMPARE(opened.size(), std::size_t(1));
        QVERIFY(opened[0].pictures.empty());
        QVERIFY(opened[0].createGateway != nullptr);
    }

    void sendPictureForAFilePhoneOpensThePictureSend() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {12}, "Set"));
        std::vector<obex::SendFileLogic::Setup> opened;
        setSendFileRunner([&](obex::SendFileLogic::Setup s) { opened.push_back(std::move(s)); });
        app.settings().m_nPhoneType = 1;
        app.view().selectOnly(0);
        app.frame().action(ID_SEND_PICTURE)->trigger();
        QCOMPARE(opened.size(), std::size_t(1));
        QCOMPARE(opened[0].pictures.size(), std::size_t(1));
        QCOMPARE(opened[0].phoneType, 1);
        QVERIFY(f.feedback.messages().empty());
    }

    void sendPictureWithNothingSelectedOpensAPlainFileSend() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {12}, "Set"));
        std::vector<obex::SendFileLogic::Setup> opened;
        setSendFileRunner([&](obex::SendFileLogic::Setup s) { opened.push_back(std::move(s)); });
        app.view().list()->clearSelection();
        QVERIFY(app.frame().action(ID_SEND_PICTURE)->isEnabled());
        app.frame().action(ID_SEND_PICTURE)->trigger();
        QCOMPARE(opened.size(), std::size_t(1));
        QVERIFY(opened[0].pictures.empty());
    }

    void sendFileWindowSendsTheChosenFile() {
        QTemporaryDir dir;
        std::string file = dir.filePath("ring.imy").toStdString();
        std::ofstream(file) << "BEGIN:IMELODY\r\nEND:IMELODY\r\n";
        std::vector<std::string> names;
        // The receiver and the names outlive the stream, which the gateway drops after the
        // session.
        obex::ObexReceiver receiver;
        receiver.setObjectListener(
            [&names](const std::string& name, const obex::Bytes&) { names.push_back(name); });
        std::unique_ptr<obex::ObexStream> owned = std::make_unique<obex::test::ScriptedStream>(
            [&receiver](std::span<const std::uint8_t> bytes) { return receiver.receive(bytes); });
        obex::SendFileLogic::Setup setup;
        setup.createGateway = [&owned] {
            obex::GatewayOptions o;
            o.responseTimeoutMs = 100;
            o.open = [&owned](const obex::ObexAddress&, std::string&) { return std::move(owned); };
            return std::make_unique<obex::CHandsetGateway>(
                std::vector<obex::PhoneConnection>{{"Desk", "tcp:127.0.0.1", "Maker", "M"}}, o);
        };
        obex::SendFileLogic::nextPhoneIndex() = 0;
        pixelon::test::ScriptedChooser chooser;
        chooser.queuePath(file);
        ui::SendFileWindow window(std::move(setup), chooser);
        QCOMPARE(window.windowTitle(), QString("Send File to Phone"));
        QVERIFY(window.sendButton()->isHidden());
        QVERIFY(window.logText().contains("Maker,M is connected."));
        window.chooseButton()->click();
        QCOMPARE(chooser.asked.size(), std::size_t(1));
        QVERIFY(chooser.asked[0].filter.starts_with("Send files (*.gif;*.jpg;*.wbmp;"));
        QCOMPARE(window.windowTitle(), QString("Send ring.imy to phone"));
        QVERIFY(!window.sendButton()->isHidden());
        window.sendButton()->click();
        QVERIFY(window.logText().contains("Finished sending file\nOBEX disconnected successfully"));
        QCOMPARE(names, std::vector<std::string>{"ring.imy"});
    }

    void sendFileWindowLooksOnceASecondWithoutAPhone() {
        obex::SendFileLogic::Setup setup;
        setup.createGateway = [] {
            return std::make_unique<obex::CHandsetGateway>(std::vector<obex::PhoneConnection>{});
        };
        pixelon::test::ScriptedChooser chooser;
        ui::SendFileWindow window(std::move(setup), chooser);
        QVERIFY(window.timerActive());
        QVERIFY(window.logText().contains("Phones in HGW usage list: 0\n\nLooking for Phone"));
    }

    void gatewayPanelAddsTestsAndRemovesConnections() {
        AppFixture f;
        int opened = 0;
        ui::GatewayWindow window(f.registry, [&](const obex::ObexAddress&, std::string& error) {
            ++opened;
            error = "Cannot connect";
            return std::unique_ptr<obex::ObexStream>();
        });
        QVERIFY(!window.addConnection("Desk", "tcp:", "OBEX", ""));
        QVERIFY(window.statusText().contains("No host"));
        QVERIFY(window.addConnection("Desk", "tcp:192.168.1.5", "OBEX", ""));
        QVERIFY(!window.addConnection("Desk", "serial:/dev/ttyUSB0", "OBEX", ""));
        QVERIFY(window.addConnection("Cable", "serial:/dev/ttyUSB0", "Kivo", "HX224"));
        QCOMPARE(window.table()->rowCount(), 2);
        auto stored = obex::LoadConnections(f.registry);
        QCOMPARE(stored.size(), std::size_t(2));
        QCOMPARE(stored[0].address, std::string("tcp:192.168.1.5:650"));
        QCOMPARE(stored[1].model, std::string("HX224"));
        window.table()->selectRow(0);
        window.testSelected();
        QCOMPARE(opened, 1);
        QCOMPARE(window.statusText(), QString("Cannot connect"));
        window.removeSelected();
        QCOMPARE(obex::LoadConnections(f.registry).size(), std::size_t(1));
        QCOMPARE(obex::LoadConnections(f.registry)[0].name, std::string("Cable"));
    }

    // Add empties every field; the window is as wide as its longest address and model and its
    // address placeholder, so nothing is cut or wrapped.
    void gatewayPanelFitsItsContentAndClearsAfterAdd() {
        AppFixture f;
        ui::GatewayWindow window(f.registry, [](const obex::ObexAddress&, std::string&) {
            return std::unique_ptr<obex::ObexStream>();
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPushButton* add = nullptr;
        for (auto* b : window.findChildren<QPushButton*>())
            if (b->text() == "&Add")
                add = b;
        QVERIFY(add);
        const auto fields = window.fields();
        const QStringList typed = {"Desk phone", "tcp:127.0.0.1:43210", "Kivo", "HX224 Deluxe"};
        for (int i = 0; i < 4; ++i)
            fields[std::size_t(i)]->setText(typed[i]);
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(window.table()->rowCount(), 1);
        for (QLineEdit* field : fields)
            QVERIFY2(field->text().isEmpty(), qPrintable(field->text()));
        QCOMPARE(obex::LoadConnections(f.registry).at(0).maker, std::string("Kivo"));
        // An empty maker is the default one its placeholder shows.
        fields[0]->setText("Cable");
        fields[1]->setText("serial:/dev/ttyUSB0");
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(obex::LoadConnections(f.registry).at(1).maker, std::string("OBEX"));
        QCOMPARE(fields[2]->placeholderText(), QString("OBEX"));
        QApplication::processEvents();

        QTableWidget* table = window.table();
        int columns = 0;
        for (int col = 0; col < table->columnCount(); ++col) {
            for (int row = 0; row < table->rowCount(); ++row) {
                const QString text = table->item(row, col)->text();
                const int needed = table->fontMetrics().horizontalAdvance(text);
                QVERIFY2(table->columnWidth(col) > needed,
                         qPrintable(QString("%1: %2 <= %3")
                                        .arg(text)
                                        .arg(table->columnWidth(col))
                                        .arg(needed)));
            }
            columns += table->columnWidth(col);
        }
        QVERIFY(columns <= table->viewport()->width());
        QVERIFY(!table->horizontalScrollBar()->isVisible());
        QLineEdit* address = fields[1];
        QVERIFY(address->width() >=
                address->fontMetrics().horizontalAdvance(address->placeholderText()));
    }

    void handsetGatewayCommandOpensThePanel() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* panel = qobject_cast<ui::GatewayWindow*>(w)) {
                    seen = true;
                    panel->accept();
                }
        });
        app.frame().action(ID_HANDSET_GATEWAY)->trigger();
        QVERIFY(seen);
        QVERIFY(f.feedback.messages().empty());
    }
};

PIXELON_QT_TEST(ObexCommandsTest)

} // namespace pixelon::app::test

#include "obexcommands_test.moc"

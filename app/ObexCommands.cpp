// File send over OBEX and the handset gateway's control panel.

#include "app/ObexCommands.h"

#include "app/GlyphonApp.h"
#include "app/GlyphonDoc.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/WiredCommands.h"
#include "operations/PictureExport.h"
#include "operations/SendPictures.h"
#include "phone/CommsLog.h"
#include "phone/obex/GatewayPanel.h"
#if PIXELON_HAVE_PHONE_UI
#include "phone/ui/GatewayWindow.h"
#include "phone/ui/SendFileWindow.h"
#endif

namespace pixelon::app {

namespace {

// Opening a line happens on the window's thread, once a second while looking for a phone, so
// it gets a shorter wait than the OBEX answers.
constexpr int OpenTimeoutMs = 2000;
constexpr int AnswerTimeoutMs = 10000;

std::function<void(obex::SendFileLogic::Setup)>& sendFileRunner() {
    static std::function<void(obex::SendFileLogic::Setup)> runner;
    return runner;
}

obex::TransportOpener transportOpener() {
    return obex::SystemTransportOpener({OpenTimeoutMs, &commsLog()});
}

} // namespace

void setSendFileRunner(std::function<void(obex::SendFileLogic::Setup)> runner) {
    sendFileRunner() = std::move(runner);
}

void openSendFile(CGlyphonApp& app, std::vector<CPicture> pictures) {
    obex::SendFileLogic::Setup setup;
    setup.pictures = std::move(pictures);
    setup.phoneType = app.settings().m_nPhoneType;
    setup.app = app.view().applicationType();
    setup.lastExportKind = LastExportKind();
    setup.writers = obex::DefaultPictureWriters(setup.phoneType);
    Registry* registry = &app.registry();
    setup.createGateway = [registry] {
        obex::GatewayOptions options;
        options.responseTimeoutMs = AnswerTimeoutMs;
        options.open = transportOpener();
        return std::make_unique<obex::CHandsetGateway>(obex::LoadConnections(*registry),
                                                       std::move(options));
    };
    if (sendFileRunner()) {
        sendFileRunner()(std::move(setup));
        return;
    }
#if PIXELON_HAVE_PHONE_UI
    ui::SendFileWindow window(std::move(setup), app.doc().chooser(), &app.frame());
    window.exec();
#endif
}

void registerObexCommands(CGlyphonApp& app) {
    CGlyphonView& view = app.view();
    view.addCommand(ID_SEND_FILE, [&app] { openSendFile(app, {}); });
    view.addCommand(ID_HANDSET_GATEWAY, [&app] {
        obex::openGatewayPanel(
            [&app] {
#if PIXELON_HAVE_PHONE_UI
                ui::GatewayWindow window(app.registry(), transportOpener(), &app.frame());
                window.exec();
                return true;
#else
                (void)app;
                return false;
#endif
            },
            app.feedback());
    });
}

} // namespace pixelon::app

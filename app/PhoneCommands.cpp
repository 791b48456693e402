// The phone commands of the window: phone format and application types, send and receive.

#include "app/GlyphonApp.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/ObexCommands.h"
#include "app/WiredCommands.h"
#include "operations/PictureExport.h"
#include "operations/SendPictures.h"
#include "phone/Commands.h"
#include "phone/PhoneDetect.h"
#if PIXELON_HAVE_PHONE_UI
#include "phone/ui/PhoneWindows.h"
#endif

namespace pixelon::app {

namespace {

void applyCycle(CGlyphonApp& app, const CycleResult& result) {
    app.settings().m_nPhoneType = result.type;
    app.view().setApplicationType(result.app);
    if (result.newPictureSize)
        app.view().m_newPictureSize = *result.newPictureSize;
}

AskPictureNumber askNumber(CGlyphonApp& app) {
    return [&app](std::string_view label, int proposal, int maximum) {
        return app.dialogs().askPictureNumber(std::string(label), proposal, maximum);
    };
}

void sendPicture(CGlyphonApp& app, PhoneViewState& state) {
    std::vector<int> selected = app.view().selectedIndices();
    if (selected.empty() || selected.front() >= app.doc().m_portfolio.Count()) {
        openSendFile(app, {}); // nothing selected: send a file instead
        return;
    }
    const CPicture& picture = app.doc().m_portfolio.Picture(selected.front());
    PhoneLink link{serialChannel(), applicationSizes(), app.feedback()};
    SendOutcome outcome = sendPictureToPhone(link, picture, app.settings(), state, askNumber(app));
    if (outcome == SendOutcome::SendAsFile)
        openSendFile(app, obex::PicturesForSending(picture, app.settings().m_nPhoneType,
                                                   app.view().applicationType(), LastExportKind()));
}

void receivePicture(CGlyphonApp& app) {
    PhoneLink link{serialChannel(), applicationSizes(), app.feedback()};
    std::optional<Surface> received = receivePictureFromPhone(link, app.settings(), askNumber(app));
    if (!received)
        return;
    CGlyphonDoc& doc = app.doc();
    if (!doc.m_bActive)
        doc.OnNewDocument();
    int index = addReceivedPicture(doc.m_portfolio, *received);
    doc.SetModifiedFlag();
    app.view().documentChanged();
    app.view().selectOnly(index);
}

} // namespace

void registerPhoneCommands(CGlyphonApp& app) {
    CGlyphonView& view = app.view();
    view.addCommand(ID_APP_KINETTO, [&view] { view.setApplicationType(ApplicationType::Kinetto); });
    view.addCommand(ID_APP_BACKGROUND,
                    [&view] { view.setApplicationType(ApplicationType::BackgroundPicture); });
    view.addCommand(ID_APP_EMS, [&view] { view.setApplicationType(ApplicationType::VistrelEms); });
    view.addCommand(ID_PREV_PHONE_TYPE, [&app] {
        applyCycle(app,
                   cycleColourPhoneType(app.settings().m_nPhoneType, app.view().applicationType()));
    });
    view.addCommand(ID_NEXT_PHONE_TYPE, [&app] {
        applyCycle(app,
                   cycleGreyPhoneType(app.settings().m_nPhoneType, app.view().applicationType()));
    });
    auto state = std::make_shared<PhoneViewState>();
    view.addCommand(ID_SEND_PICTURE, [&app, state] { sendPicture(app, *state); });
    view.addCommand(ID_RECEIVE_PICTURE, [&app] { receivePicture(app); });
#if PIXELON_HAVE_PHONE_UI
    view.addCommand(ID_SEARCH_PHONE, [&app] {
        ui::searchForPhone(app.settings(), app.feedback(), &app.frame());
        app.view().documentChanged();
    });
    view.addCommand(ID_PHONE_FORMAT_TYPE, [&app] {
        if (auto type = ui::choosePhoneFormatType(app.settings().m_nPhoneType, &app.frame())) {
            app.settings().m_nPhoneType = *type;
            app.view().layoutForPhoneType();
            app.view().documentChanged();
        }
    });
    view.addCommand(ID_APPLICATION_TYPE, [&app] {
        if (auto type = ui::chooseApplicationType(app.settings().m_nApplicationType, &app.frame()))
            if (auto chosen = applicationTypeFromInt(*type))
                app.view().setApplicationType(*chosen);
    });
#endif
}

} // namespace pixelon::app

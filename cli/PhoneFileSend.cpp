// pixelon phone send --to: a picture to a phone type that takes files, over OBEX.

#include <string>

#include "cli/Args.h"
#include "cli/ObexSend.h"
#include "cli/PictureArgument.h"
#include "cli/Report.h"
#include "core/AppSettings.h"
#include "core/Portfolio.h"
#include "operations/PictureExport.h"
#include "operations/SendPictures.h"
#include "platform/Feedback.h"
#include "platform/Registry.h"

namespace pixelon::cli {

int sendPictureAsFile(const Args& a, ApplicationType app) {
    if (a.positional().size() != 1)
        throw UsageError("phone send takes one portfolio (see --help)");
    int id = a.requiredInteger("--id");
    CAppSettings settings;
    settings.load(Registry::instance(), ScreenSize{1 << 16, 1 << 16});
    int type = a.integer("--phone-type", settings.m_nPhoneType);
    if (type < 0 || type > PhoneFormatTypeMaxSetting)
        throw UsageError("--phone-type must be 0..14");
    if (!sendsFiles(type))
        throw UsageError("phone type " + std::to_string(type) +
                         " takes pictures over the AT download, not as files (leave out --to)");
    CliFeedback feedback{false};
    CPortfolio portfolio;
    if (!readPortfolio(portfolio, a.positional()[0], feedback))
        return 1;
    const CPicture& picture = pictureById(portfolio, id, a.positional()[0]);

    obex::SendFileLogic::Setup setup;
    setup.phoneType = type;
    setup.app = app;
    setup.lastExportKind = LastExportKind();
    setup.pictures = obex::PicturesForSending(picture, type, app, setup.lastExportKind);
    setup.writers = obex::DefaultPictureWriters(type);
    ObexSendOptions options;
    options.to = *a.value("--to");
    options.logFile = a.value("--log");
    return runObexSend(std::move(setup), options);
}

} // namespace pixelon::cli

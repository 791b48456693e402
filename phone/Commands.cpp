#include "phone/Commands.h"

#include <algorithm>

namespace pixelon {

namespace {

constexpr int EmsPieceWidth = 32;

ApplicationType appOf(const CAppSettings& settings) {
    return applicationTypeFromInt(settings.m_nApplicationType).value_or(ApplicationType::Kinetto);
}

int clampedPort(int port) {
    return port >= 1 && port <= SearchPortCount ? port : 1;
}

} // namespace

Surface makePhonePreview(const CPicture& picture, int phoneType, ApplicationType app) {
    auto size = phoneFormatInfo(phoneType).previewFor(app);
    int w = size ? size->width : picture.m_nWidth;
    int h = size ? size->height : picture.m_nHeight;
    Surface preview(std::max(w, 1), std::max(h, 1), 0x00FFFFFF);
    picture.Draw(preview, 0, 0);
    return preview;
}

SendOutcome sendPictureToPhone(PhoneLink& link, const CPicture& picture, CAppSettings& settings,
                               PhoneViewState& state, const AskPictureNumber& ask) {
    const int type = settings.m_nPhoneType;
    if (!usesAtDownload(type))
        return SendOutcome::SendAsFile;
    const ApplicationType app = appOf(settings);
    Surface preview = makePhonePreview(picture, type, app);
    DownloadRequest request{preview, preview.bounds(), preview.width(), preview.height(), 0, 0,
                            app};

    if (app == ApplicationType::VistrelEms) {
        int number = (state.rememberedNumber > 30 ? 1 : state.rememberedNumber) + 1;
        int width = std::min(picture.m_nWidth, preview.width());
        std::vector<int> offsets;
        if (width > EmsPieceWidth)
            offsets.push_back(EmsPieceWidth);
        if (width > 2 * EmsPieceWidth)
            offsets.push_back(2 * EmsPieceWidth);
        offsets.push_back(0);
        for (int offset : offsets) {
            request.widthLimit = EmsPieceWidth;
            request.xOffset = offset;
            request.pictureNumber = number;
            int port = DownloadPicture(link, clampedPort(settings.m_nComPort), request);
            if (port == -1)
                return SendOutcome::Failed;
            settings.m_nComPort = port;
            state.rememberedNumber = number++;
        }
        link.feedback.message(EmsSentText, MessageIcon::Information);
        return SendOutcome::Sent;
    }

    if (type == 4 && app == ApplicationType::BackgroundPicture) {
        auto number = ask ? ask("Send Background #", std::min(state.rememberedNumber, 6), 6)
                          : std::optional<int>(std::min(state.rememberedNumber, 6));
        if (!number)
            return SendOutcome::Cancelled;
        request.pictureNumber = *number;
        state.rememberedNumber = *number;
    }
    int port = DownloadPicture(link, clampedPort(settings.m_nComPort), request);
    if (port == -1)
        return SendOutcome::Failed;
    settings.m_nComPort = port;
    return SendOutcome::Sent;
}

std::optional<Surface> receivePictureFromPhone(PhoneLink& link, const CAppSettings& settings,
                                               const AskPictureNumber& ask) {
    const ApplicationType app = appOf(settings);
    int number = 0;
    if (app == ApplicationType::VistrelEms) {
        auto asked = ask ? ask("Vistrel #:", 1, 99) : std::optional<int>(1);
        if (!asked)
            return std::nullopt;
        number = *asked;
    }
    return UploadPicture(link, clampedPort(settings.m_nComPort), app, number);
}

int addReceivedPicture(CPortfolio& portfolio, const Surface& picture) {
    int id = 1;
    if (portfolio.Count() > 0) {
        // The first ID after the last one that is not taken yet.
        int start = portfolio.Picture(portfolio.Count() - 1).m_nId;
        id = start;
        for (int tries = 1; tries <= 5000; ++tries) {
            int candidate = (start + tries) & 0xFFFF;
            bool taken = std::any_of(portfolio.m_pictures.begin(), portfolio.m_pictures.end(),
                                     [&](const auto& p) { return p->m_nId == candidate; });
            if (!taken) {
                id = candidate;
                break;
            }
        }
    }
    auto record = std::make_unique<CPicture>();
    record->Create(picture.width(), picture.height(), id);
    record->GrabFrom(picture, DirectMap);
    return portfolio.InsertSorted(std::move(record));
}

namespace {

struct ProcessChannel {
    PosixSerialDevice device;
    CPortTable table = CPortTable::load(Registry::instance(), CPortTable::defaults());
    CSerialChannel channel{device, systemClock(), commsLog(),
                           [this](int port) { return table.path(port); }};
};

ProcessChannel& processChannel() {
    static ProcessChannel instance;
    return instance;
}

} // namespace

CSerialChannel& serialChannel() {
    return processChannel().channel;
}

void reloadPortTable() {
    processChannel().table = CPortTable::load(Registry::instance(), CPortTable::defaults());
}

CPortTable currentPortTable() {
    return processChannel().table;
}

} // namespace pixelon

#include "phone/obex/SendFile.h"

#include <stdlib.h>

#include <fstream>
#include <system_error>
#include <utility>

#include "phone/CommsLog.h"

namespace pixelon::obex {

namespace {

constexpr std::size_t BodyBlock = 249;
constexpr long long AssumedFileSize = 600;
constexpr int SearchLineEvery = 20;

bool oneOf(int value, std::initializer_list<int> values) {
    for (int v : values)
        if (v == value)
            return true;
    return false;
}

bool isYesType(int type) {
    return type >= 12 && type <= 14;
}

} // namespace

std::string AnnouncedName(SendKind kind, const std::filesystem::path& path) {
    switch (kind) {
    case SendKind::Gif:
        return "picture.gif";
    case SendKind::Jpeg:
        return "picture.jpg";
    case SendKind::Ems1:
        return "EMS1.wbmp";
    case SendKind::Ems2:
        return "EMS2.wbmp";
    case SendKind::Ems3:
        return "EMS3.wbmp";
    case SendKind::File:
        break;
    }
    return path.filename().string();
}

PictureFileKind PictureFileKindFor(int type, ApplicationType app, int lastExportKind) {
    bool takesEms = oneOf(type, {0, 2, 3}) || isYesType(type);
    if (takesEms && (app == ApplicationType::VistrelEms || lastExportKind == 2))
        return PictureFileKind::Wbmp;
    if (oneOf(type, {0, 2, 3}) || (isYesType(type) && lastExportKind == 1))
        return PictureFileKind::Jpeg;
    return PictureFileKind::Gif;
}

TemporaryFolder::TemporaryFolder() {
    std::error_code ec;
    std::string pattern =
        (std::filesystem::temp_directory_path(ec) / "pixelon-send-XXXXXX").string();
    if (ec)
        pattern = "/tmp/pixelon-send-XXXXXX";
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ec;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ec);
}

SendFileLogic::SendFileLogic(Setup setup) : m_setup(std::move(setup)) {
    if (m_setup.pictures.size() > 3)
        m_setup.pictures.resize(3);
    m_title = pictureSend() ? "Send Picture to Phone" : "Send File to Phone";
}

SendFileLogic::~SendFileLogic() {
    m_link.reset();
    if (m_gateway && m_advised)
        m_gateway->Unadvise();
}

int& SendFileLogic::nextPhoneIndex() {
    static int index = 0;
    return index;
}

void SendFileLogic::append(std::string_view text) {
    m_log += text;
    if (m_log.ends_with("\r\n"))
        for (std::string& trace : std::exchange(m_pendingTraces, {}))
            m_log += trace + "\r\n";
    if (onChanged)
        onChanged();
}

void SendFileLogic::clearCurrentLine() {
    auto end = m_log.rfind("\r\n");
    m_log.erase(end == std::string::npos ? 0 : end + 2);
}

void SendFileLogic::OnGatewayEvent(GatewayEvent event, std::string_view text) {
    // Failures inside the gateway (refused requests with their codes, lost lines) are shown
    // in the log so the user sees why a step failed.
    if (event != GatewayEvent::Trace)
        return;
    if (m_log.empty() || m_log.ends_with("\r\n"))
        line(text);
    else
        m_pendingTraces.emplace_back(text);
}

void SendFileLogic::start() {
    if (pictureSend()) {
        m_chooseVisible = false;
    } else {
        append("Choose File to Send to Phone, or press Done\r\n  to return to your Picture "
               "Portfolio.\r\n");
        m_sendVisible = false;
    }
    line("Starting communications");
    line("...");
    m_gateway = m_setup.createGateway ? m_setup.createGateway() : nullptr;
    if (!m_gateway) {
        m_sendVisible = m_chooseVisible = false;
        line("The Handset Gateway software does not seem to be installed.");
        line("Please obtain the Handset Gateway (HGW) software from the phone's maker");
        line("and install it, then try again.");
        return;
    }
    m_advised = m_gateway->Advise(this);
    line("Handset Gateway initialized");
    if (!m_advised) {
        line("OBEX handler: Advice error");
        return;
    }
    lookForPhone(true);
}

void SendFileLogic::onTimer() {
    if (!m_gateway)
        return;
    if (lookForPhone(false))
        m_timerRunning = false;
}

bool SendFileLogic::lookForPhone(bool countLine) {
    const CPhonesInUse& phones = m_gateway->PhonesInUse();
    int count = phones.Count();
    if (countLine)
        line(formatText("Phones in HGW usage list: %d", count));
    append(m_searchCalls++ % SearchLineEvery == 0 ? "\r\nLooking for Phone" : ".");
    int& index = nextPhoneIndex();
    for (int i = std::max(index, 0); i < count; ++i) {
        auto phone = phones.Item(i);
        if (phone->Available() != GwYes)
            continue;
        index = i;
        m_phone = phone;
        clearCurrentLine();
        std::string a = phone->Maker(), b = phone->Model(), c = phone->ConnectionName(),
                    d = phone->Address();
        if (pictureSend())
            line(formatText("%s,%s is connected: Push SEND button below.\r\n[%s] #%s", a.c_str(),
                            b.c_str(), c.c_str(), d.c_str()));
        else
            line(formatText("%s,%s is connected.", a.c_str(), b.c_str()));
        return true;
    }
    index = 0;
    m_phone.reset();
    m_timerRunning = true;
    if (onChanged)
        onChanged();
    return false;
}

bool SendFileLogic::connect() {
    append("OBEX connect:  ");
    m_link.reset();
    try {
        m_link = m_phone->ObexLink();
        bool ok = m_link->Connect("", "") == GwYes;
        line(ok ? "succeeded!" : "failed.");
        return ok;
    } catch (const GatewayError&) {
        line("OBEX connect failed");
        return false;
    }
}

void SendFileLogic::disconnect() {
    try {
        if (m_link && m_link->Disconnect("", "") == GwYes) {
            line("OBEX disconnected successfully");
            return;
        }
    } catch (const GatewayError&) {
    }
    line("OBEX disconnect failed");
}

bool SendFileLogic::sendOneFile(const std::filesystem::path& path, SendKind kind) {
    std::ifstream in(path, std::ios::binary);
    if (!in || !m_link) {
        line("Unable to open file for sending");
        return false;
    }
    line(isYesType(m_setup.phoneType) ? "Beginning to Send...Press YES on phone:"
                                      : "Beginning to Send file to phone...");
    const bool plain = kind == SendKind::File;
    std::string announced =
        plain && !m_announcedName.empty() ? m_announcedName : AnnouncedName(kind, path);
    Bytes name = NameHeader(Utf16FromUtf8(announced));
    m_lastResponse = 0;
    bool named = m_link->Put(ToGatewayString(name), false) == GwYes;
    m_lastResponse = m_link->LastResponse();
    if (!named) {
        line(plain ? "Obex Header failed. Phone might not support FileType."
                   : "Obex Header failed. Try again to Send.");
        return false;
    }
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    long long fileSize = ec ? AssumedFileSize : static_cast<long long>(size);
    if (!plain) {
        if (fileSize > AssumedFileSize)
            line(formatText("Some Phones limited to: %d max GIF size", int(AssumedFileSize)));
        line(formatText("Sending Picture file: size is %lld bytes", fileSize));
    } else {
        line(formatText("Sending %s\r\nfile size: %lld", path.string().c_str(), fileSize));
    }
    bool ok = false;
    std::vector<std::uint8_t> block(BodyBlock);
    long long sent = 0;
    for (;;) {
        in.read(reinterpret_cast<char*>(block.data()), std::streamsize(BodyBlock));
        std::size_t got = std::size_t(in.gcount());
        bool last = got < BodyBlock;
        Bytes body = BodyHeader(std::span(block).first(got), last);
        ok = m_link->Put(ToGatewayString(body), last) == GwYes;
        m_lastResponse = m_link->LastResponse();
        if (!ok) {
            line("Obex Put Failed");
            break;
        }
        sent += static_cast<long long>(got);
        if (onBodySent)
            onBodySent(sent, fileSize);
        if (last) {
            line("Finished sending file");
            break;
        }
    }
    return ok;
}

bool SendFileLogic::onSend() {
    if (!m_gateway)
        return false;
    if (!pictureSend()) {
        if (!lookForPhone(false)) {
            line("\r\nWait a few seconds...then try again to send.");
            return false;
        }
        if (m_file.empty() || !connect())
            return false;
        bool ok = sendOneFile(m_file, SendKind::File);
        disconnect();
        return ok;
    }
    if (!lookForPhone(false)) {
        line("\r\nWait a few seconds...then try again to send picture.");
        return false;
    }
    return sendPictures();
}

bool SendFileLogic::sendPictures() {
    // The picture files go to a private folder (under the names the phone is told) that is
    // removed afterwards, so no file of the user's is overwritten or deleted.
    TemporaryFolder folder;
    if (!folder.valid()) {
        line("Failed to create a temporary folder for the picture");
        return false;
    }
    switch (PictureFileKindFor(m_setup.phoneType, m_setup.app, m_setup.lastExportKind)) {
    case PictureFileKind::Wbmp:
        return sendEms(folder.path());
    case PictureFileKind::Jpeg:
        return sendJpeg(folder.path());
    case PictureFileKind::Gif:
        return sendGif(folder.path());
    }
    return false;
}

bool SendFileLogic::sendEms(const std::filesystem::path& folder) {
    const auto& pictures = m_setup.pictures;
    auto write = [&](std::size_t i, const std::filesystem::path& p) {
        return m_setup.writers.wbmp && m_setup.writers.wbmp(pictures[i], p);
    };
    std::filesystem::path first = folder / "picture1.wbmp";
    if (!write(0, first)) {
        line("Failed to create temporary WBMP file1");
        return false;
    }
    line("Creating WBMP files for sending EMS Picture");
    bool ok = false;
    if (connect()) {
        ok = true;
        struct Part {
            std::size_t index;
            const char* file;
            SendKind kind;
            const char* sent;
            const char* failed;
        };
        const Part parts[] = {
            {2, "picture3.wbmp", SendKind::Ems3, "Part3 of Picture sent!\r\n",
             "Failed to create temporary WBMP file3"},
            {1, "picture2.wbmp", SendKind::Ems2, "Picture part2 sent!\r\n",
             "Failed to create temporary WBMP file2"},
        };
        for (const Part& part : parts) {
            if (pictures.size() <= part.index)
                continue;
            std::filesystem::path p = folder / part.file;
            if (!write(part.index, p)) {
                line(part.failed);
                ok = false;
                continue;
            }
            line("Creating WBMP file for sending EMS Picture");
            if (sendOneFile(p, part.kind))
                line(part.sent);
            else
                ok = false;
            std::error_code ec;
            std::filesystem::remove(p, ec);
        }
        if (sendOneFile(first, SendKind::Ems1))
            line("EMS picture sent!\r\nWrite a new Message & Insert all 3 parts\r\n");
        else
            ok = false;
        disconnect();
    }
    line("Removed temporary WBMP file\r\n");
    std::error_code ec;
    std::filesystem::remove(first, ec);
    return ok;
}

bool SendFileLogic::sendJpeg(const std::filesystem::path& folder) {
    std::filesystem::path file = folder / "picture.jpg";
    if (!m_setup.writers.jpeg || !m_setup.writers.jpeg(m_setup.pictures[0], file)) {
        line("Failed to create temporary JPG file");
        return false;
    }
    line("Creating JPG file for sending Picture");
    line("  to instead Send as GIF, select HX201 type");
    bool ok = false;
    if (connect()) {
        ok = sendOneFile(file, SendKind::Jpeg);
        if (ok)
            line("Removed temporary JPG file, picture sent!\r\n");
        disconnect();
    } else {
        line("Removed temporary JPG file\r\n");
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return ok;
}

bool SendFileLogic::sendGif(const std::filesystem::path& folder) {
    std::filesystem::path file = folder / "picture.gif";
    if (!m_setup.writers.gif || !m_setup.writers.gif(m_setup.pictures[0], file)) {
        line("Failed to create temporary GIF file");
        return false;
    }
    line("Creating GIF file for sending Picture");
    bool ok = false;
    if (connect()) {
        ok = sendOneFile(file, SendKind::Gif);
        disconnect();
    }
    // Only a picture that arrived is reported as sent.
    line(ok ? "Removed temporary GIF file, picture sent!\r\n" : "Removed temporary GIF file\r\n");
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return ok;
}

void SendFileLogic::fileChosen(const std::filesystem::path& path, std::string announcedName) {
    std::string full = path.string(), name = path.filename().string();
    if (full.size() > 256 || name.size() > 256) {
        line("The file's path is too long to send");
        return;
    }
    m_file = path;
    m_announcedName = std::move(announcedName);
    m_title = formatText("Send %s to phone", name.c_str());
    m_sendVisible = true;
    if (onChanged)
        onChanged();
}

} // namespace pixelon::obex

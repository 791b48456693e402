#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Picture.h"
#include "phone/PhoneTypes.h"
#include "phone/obex/HandsetGateway.h"

namespace pixelon::obex {

inline constexpr std::string_view SendFileFilter =
    "Send files (*.gif;*.jpg;*.wbmp;*.emy;*.imy;*.vcf;*.vcs;*.vnt;*.amr;*.mid;*.thm;*.url)|"
    "*.gif;*.jpg;*.wbmp;*.emy;*.imy;*.vcf;*.vcs;*.vnt;*.amr;*.mid;*.thm;*.url|"
    "GIF (*.gif)|*.gif|JPG (*.jpg)|*.jpg|WBMP (*.wbmp)|*.wbmp|eMelody (*.emy)|*.emy|"
    "iMelody (*.imy)|*.imy|vCard (*.vcf)|*.vcf|Calendar (*.vcs)|*.vcs|vNote (*.vnt)|*.vnt|"
    "AMR speech (*.amr)|*.amr|MIDI (*.mid)|*.mid|Themes (*.thm)|*.thm|Bookmarks (*.url)|*.url|";

inline constexpr std::string_view SendFileNote =
    "Sends as file via OBEX over COM port connecting PC to Phone.  HandsetGateway (HGW) Software "
    "must first be installed before sending.";

// What a file is announced as: 0 its own name, 1 picture.gif, 2 picture.jpg, 3-5 EMS1-3.wbmp.
enum class SendKind { File = 0, Gif = 1, Jpeg = 2, Ems1 = 3, Ems2 = 4, Ems3 = 5 };
std::string AnnouncedName(SendKind kind, const std::filesystem::path& path);

// Writers of the temporary picture files.
struct PictureWriters {
    std::function<bool(const CPicture&, const std::filesystem::path&)> gif, jpeg, wbmp;
};

// Which file a picture send makes for a phone format type.
enum class PictureFileKind { Wbmp, Jpeg, Gif };
PictureFileKind PictureFileKindFor(int phoneType, ApplicationType app, int lastExportKind);

// A private folder for temporary files, removed with its contents at the end of the scope.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    bool valid() const { return !m_path.empty(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The logic of the "Send File to Phone" dialog: the status log, the search for a phone, and
// the sends, without a window. The window shows log(), title() and the buttons' visibility,
// runs a one-second timer while timerRunning() and calls the handlers.
class SendFileLogic : private IGatewayEvents {
public:
    struct Setup {
        std::vector<CPicture> pictures; // none for a plain file send; at most three
        int phoneType = 0;
        ApplicationType app = ApplicationType::Kinetto;
        int lastExportKind = 0;
        GatewayFactory createGateway;
        PictureWriters writers;
    };

    explicit SendFileLogic(Setup setup);
    ~SendFileLogic() override;
    SendFileLogic(const SendFileLogic&) = delete;
    SendFileLogic& operator=(const SendFileLogic&) = delete;

    void start();
    void onTimer();
    // Returns whether the last send succeeded.
    bool onSend();
    // The file chosen in the file dialog; `announcedName` replaces its own name on the phone.
    void fileChosen(const std::filesystem::path& path, std::string announcedName = {});
    // The receiver's answer to the last PUT (0 when none came).
    std::uint8_t lastResponse() const { return m_lastResponse; }
    // The phone the search found last, if any.
    const std::shared_ptr<CPhoneInUse>& currentPhone() const { return m_phone; }
    const CHandsetGateway* gateway() const { return m_gateway.get(); }

    const std::string& log() const { return m_log; }
    const std::string& title() const { return m_title; }
    bool sendVisible() const { return m_sendVisible; }
    bool chooseVisible() const { return m_chooseVisible; }
    bool timerRunning() const { return m_timerRunning; }
    bool pictureSend() const { return !m_setup.pictures.empty(); }
    // Called whenever the log or the window's state changed.
    std::function<void()> onChanged;
    // Called after each Body block the receiver accepted: bytes of the file sent, of how many.
    std::function<void(long long sent, long long total)> onBodySent;

    // The next phone to examine, shared by every dialog of the process.
    static int& nextPhoneIndex();

private:
    void OnGatewayEvent(GatewayEvent event, std::string_view text) override;
    void append(std::string_view text);
    void line(std::string_view text) { append(std::string(text) + "\r\n"); }
    void clearCurrentLine();
    bool lookForPhone(bool countLine);
    bool connect();
    bool sendOneFile(const std::filesystem::path& path, SendKind kind);
    void disconnect();
    bool sendPictures();
    bool sendEms(const std::filesystem::path& folder);
    bool sendJpeg(const std::filesystem::path& folder);
    bool sendGif(const std::filesystem::path& folder);

    Setup m_setup;
    std::string m_log;
    std::vector<std::string> m_pendingTraces; // shown once the current line is complete
    std::string m_title;
    bool m_sendVisible = true;
    bool m_chooseVisible = true;
    bool m_timerRunning = false;
    bool m_advised = false;
    int m_searchCalls = 0;
    std::filesystem::path m_file;
    std::string m_announcedName;
    std::uint8_t m_lastResponse = 0;
    std::unique_ptr<CHandsetGateway> m_gateway;
    std::shared_ptr<CPhoneInUse> m_phone;
    std::unique_ptr<CObexLink> m_link;
};

} // namespace pixelon::obex

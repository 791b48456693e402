#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phone/PhoneTypes.h"
#include "platform/Surface.h"

namespace pixelon {

// The kinds of phone the simulator can play.
enum class SimProfileKind {
    Edaw,      // answers AT*EDAW=? with its buffer size, one application
    Wallpaper, // answers AT*EWSPL=? with type 102
    ThreeApps, // answers AT*ESUP=? in the three-application form
    ErrorOnly, // answers "ERROR" to everything
    Silent,    // answers nothing at all
};

// Deliberate misbehaviour, for trying the program's fault handling.
enum class SimFault {
    None,
    NoBufferSize, // "*EDAW:" without a number
    Garbage,      // answers every command with noise
    Flood,        // answers AT*EDAW=? with several kilobytes of text
};

struct SimProfile {
    SimProfileKind kind = SimProfileKind::Edaw;
    SimFault fault = SimFault::None;
    int bufferSize = 1024;
    std::string model = "HX224"; // the AT+CGMM answer
    AppSize kinetto{101, 80, 2};
    AppSize background{73, 39, 4};
    AppSize vistrel{32, 32, 4};
    int uploadChunk = 240;       // bytes per AT*EDAR answer
    int stallAfterCommands = -1; // stop answering after this many commands (-1: never)
    bool echo = true;

    static std::optional<SimProfileKind> kindFromName(std::string_view name);
    // The Kinetto size a wallpaper phone of this model shows.
    AppSize wallpaperKinetto() const;
};

// A picture the phone assembled from downloads.
struct SimPicture {
    int application = 0;
    int slot = 0;
    int width = 0;
    int height = 0;
    int bits = 0;                   // 0 while the bytes match no depth
    std::vector<std::uint8_t> wire; // as the phone keeps them: all ones is black
    Surface image() const;
};

// The phone's side of the AT exchange: bytes in, bytes out. It echoes commands, answers them
// as a phone of its profile would, assembles downloaded pictures and serves one for uploads.
class CSimulatedPhone {
public:
    explicit CSimulatedPhone(SimProfile profile);

    // Feeds bytes from the line; returns what the phone sends back.
    std::string receive(std::string_view bytes);

    // The picture served to AT*EDAR (white when none is set).
    void setUploadPicture(Surface picture) { m_upload = std::move(picture); }
    // Called after every chunk that extended a downloaded picture.
    void setPictureListener(std::function<void(const SimPicture&)> listener) {
        m_onPicture = std::move(listener);
    }
    // Called when a downloaded picture is complete; a picture it cannot store (false) makes
    // the phone answer the last chunk with ERROR instead of OK.
    void setPictureStore(std::function<bool(const SimPicture&)> store) {
        m_store = std::move(store);
    }

    // After AT*EOBEX or AT+CPROT=0 the phone answered "CONNECT" and the line carries OBEX:
    // returns the bytes that followed the command (once), else nothing. The caller feeds the
    // line to an OBEX receiver until it disconnects, then to this phone again.
    std::optional<std::string> takeObexSwitch();

    const SimProfile& profile() const { return m_profile; }
    const std::vector<std::string>& commands() const { return m_commands; }
    const SimPicture& lastPicture() const { return m_picture; }

private:
    std::string command(const std::string& line);
    std::string finishData();
    std::string edawQuery() const;
    std::string esupQuery() const;
    std::string download(const std::string& args);
    std::string wallpaper(const std::string& args);
    std::string upload(const std::string& args);
    bool appendPicture(std::span<const std::uint8_t> bytes, int index, int app, int slot, int w,
                       int h);

    SimProfile m_profile;
    std::string m_line;
    bool m_dataMode = false;
    std::string m_data;
    std::size_t m_dataLength = 0;
    struct Pending {
        int index, app, slot, width, height;
    } m_pending{};
    SimPicture m_picture;
    Surface m_upload;
    std::vector<std::string> m_commands;
    std::function<void(const SimPicture&)> m_onPicture;
    std::function<bool(const SimPicture&)> m_store;
    unsigned m_noise = 12345;
    bool m_obexSwitch = false;
    std::string m_obexLeftover;
};

} // namespace pixelon

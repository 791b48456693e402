#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <type_traits>

#include "phone/obex/ObexPacket.h"

namespace pixelon::obex {

// The receiving side of OBEX pushes, for the simulated phone and tests: bytes in, answers out.
// It accepts CONNECT, PUT (Name, Length, Body, End-of-Body) and DISCONNECT, and hands every
// complete object to the listener, whose answer code goes back to the sender.
class ObexReceiver {
public:
    using ObjectListener = std::function<std::uint8_t(const std::string& name, const Bytes& body)>;

    static constexpr std::uint16_t OwnMaxPacket = 0x2000;
    static constexpr std::size_t MaxObjectSize = 64u << 20;

    // A listener that returns nothing keeps the object itself and has it answered Success; one
    // that returns a response code (RspSuccess, or an error when it could not keep the object)
    // decides the answer.
    template <typename F> void setObjectListener(F listener) {
        if constexpr (std::is_void_v<std::invoke_result_t<F&, const std::string&, const Bytes&>>)
            m_onObject = [f = std::move(listener)](const std::string& name, const Bytes& body) {
                f(name, body);
                return RspSuccess;
            };
        else
            m_onObject = std::move(listener);
    }

    // Feeds bytes from the line; returns the answers to send back.
    Bytes receive(std::span<const std::uint8_t> bytes);

    bool connected() const { return m_connected; }
    // True once a DISCONNECT was answered; the line then returns to its previous mode.
    bool disconnected() const { return m_disconnected; }
    // Objects the listener accepted.
    int objectsReceived() const { return m_objects; }

private:
    Bytes handle(const Bytes& packet);
    void resetObject();

    ObjectListener m_onObject;
    Bytes m_pending;
    bool m_connected = false;
    bool m_disconnected = false;
    bool m_inPut = false;
    std::string m_name;
    Bytes m_body;
    bool m_tooBig = false;
    int m_objects = 0;
};

// The name a receiver stores a pushed object under, and shows in its logs: the last path
// component, with control characters (newline, NUL, ...) written as \xNN, "." and ".." as
// \x2E and \x2E\x2E, and "object" for an empty name. Other distinct components stay
// distinct (a sender cannot send a backslash within one), and no result leaves the folder.
std::string SafeObjectName(std::string_view name);

// What became of an object handed to StoreObject.
struct StoreResult {
    std::string storedName;         // SafeObjectName of the announced name
    std::uint8_t code = RspSuccess; // the answer for the sender
    std::string error;              // why it was not stored; empty on success
    bool stored() const { return code == RspSuccess; }
};

// Stores an object in `folder` under its safe name, replacing an older one atomically. It
// never follows a symbolic link inside the folder: a link of that name is replaced by the
// object, and nothing is written where the link points. A failure (a full disk, a name too
// long for the file system, a folder in the way) leaves the folder as it was and gives an
// error code: Database Full for a full disk, Bad Request for an unusable name, Conflict for a
// folder in the way, Forbidden when writing is not permitted, else Internal Server Error.
StoreResult StoreObject(const std::filesystem::path& folder, const std::string& name,
                        const Bytes& body);

} // namespace pixelon::obex

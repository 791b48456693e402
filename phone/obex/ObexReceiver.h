#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "phone/obex/ObexPacket.h"

namespace pixelon::obex {

// The receiving side of OBEX pushes, for the simulated phone and tests: bytes in, answers out.
// It accepts CONNECT, PUT (Name, Length, Body, End-of-Body) and DISCONNECT, and hands every
// complete object to the listener.
class ObexReceiver {
public:
    using ObjectListener = std::function<void(const std::string& name, const Bytes& body)>;

    static constexpr std::uint16_t OwnMaxPacket = 0x2000;
    static constexpr std::size_t MaxObjectSize = 64u << 20;

    void setObjectListener(ObjectListener listener) { m_onObject = std::move(listener); }

    // Feeds bytes from the line; returns the answers to send back.
    Bytes receive(std::span<const std::uint8_t> bytes);

    bool connected() const { return m_connected; }
    // True once a DISCONNECT was answered; the line then returns to its previous mode.
    bool disconnected() const { return m_disconnected; }
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

// A name a receiver may store a pushed object under: the last path component, without
// control characters; "object" when nothing usable is left.
std::string SafeObjectName(std::string_view name);

// Stores an object in `folder` under its safe name, replacing an older one atomically.
bool StoreObject(const std::filesystem::path& folder, const std::string& name, const Bytes& body);

} // namespace pixelon::obex

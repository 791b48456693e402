#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "phone/obex/ObexPacket.h"

namespace pixelon::sim {

struct ObexTcpOptions {
    int port = 0; // 0: any free port
    std::filesystem::path saveDir = ".";
    long unplugAfter = -1; // close a connection after receiving this many bytes
    long timeoutSeconds = 0;
    // A connection that sends nothing for this long is closed, so a silent client cannot hold
    // the receiver.
    long idleSeconds = 30;
    // Connections served at the same time; more wait in the listen queue.
    int maxConnections = 8;
    std::FILE* log = nullptr;
};

// Serves OBEX pushes on 127.0.0.1, several connections at a time, storing every object in the
// save folder, until `stop` is set or the time-out passes. Prints the port it listens on.
int serveObexTcp(const ObexTcpOptions& options, volatile std::sig_atomic_t& stop);

// Stores a received object in `folder` and reports it on standard error and in `log` (when
// set) under the name it was stored as; returns the answer for the sender.
std::uint8_t storeAndReport(const std::filesystem::path& folder, const std::string& name,
                            const obex::Bytes& body, std::FILE* log, const std::string& logPrefix);

} // namespace pixelon::sim

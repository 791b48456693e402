#pragma once

#include <csignal>
#include <cstdio>
#include <filesystem>

namespace pixelon::sim {

struct ObexTcpOptions {
    int port = 0; // 0: any free port
    std::filesystem::path saveDir = ".";
    long unplugAfter = -1; // close a connection after receiving this many bytes
    long timeoutSeconds = 0;
    std::FILE* log = nullptr;
};

// Serves OBEX pushes on 127.0.0.1, one connection after another, storing every object in the
// save folder, until `stop` is set or the time-out passes. Prints the port it listens on.
int serveObexTcp(const ObexTcpOptions& options, volatile std::sig_atomic_t& stop);

} // namespace pixelon::sim

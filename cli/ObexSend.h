#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "phone/obex/SendFile.h"

namespace pixelon::cli {

// How a command sends through the OBEX layer: one phone at --to, the dialog's log printed as
// it grows and written to --log.
struct ObexSendOptions {
    std::string to;
    std::optional<std::string> logFile;
    int timeoutSeconds = 10;
    // A progress line of the bytes sent on standard error, when that is a terminal.
    bool progress = false;
};

// Runs a send the way the "Send File to Phone" dialog does, with `file` for a plain file send
// (else the setup's pictures). Returns the exit status: 0 only when the receiver answered
// Success to the last PUT.
int runObexSend(obex::SendFileLogic::Setup setup, const ObexSendOptions& options,
                const std::optional<std::filesystem::path>& file = {},
                const std::string& announcedName = {});

} // namespace pixelon::cli

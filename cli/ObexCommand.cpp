// pixelon obex push: sends a file to an OBEX receiver as the "Send File to Phone" dialog does.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/ObexSend.h"
#include "cli/ProgressLine.h"
#include "phone/CommsLog.h"

namespace pixelon::cli {

namespace {

constexpr const char* help =
    R"(Usage: pixelon obex push FILE --to ADDRESS [--name NAME] [--log FILE]
                         [--timeout SECONDS] [--quiet]

Sends FILE to a phone (or any OBEX receiver) with an OBEX PUT, as "Send File
to Phone" does: CONNECT, a Name header, the file in Body blocks of 249 bytes
ending with End-of-Body, DISCONNECT. The dialog's status lines are printed.

  --to ADDRESS     tcp:HOST[:PORT]       IrOBEX over TCP (port 650 by default;
                                         IPv6 literals as tcp:[::1]:650)
                   serial:DEVICE         a phone on a serial cable, switched to
                                         OBEX with AT*EOBEX (or AT+CPROT=0)
                   serial-direct:DEVICE  a serial line that already speaks OBEX
                   bt:ADDRESS[:CHANNEL]  Bluetooth RFCOMM (channel 1 by default)
  --name NAME      the name the receiver is told (default: FILE's own name)
  --log FILE       write the status log and the communications log to FILE
  --timeout SECONDS  the longest wait for any answer (default 10)
  --quiet          no progress line on standard error (drawn only on a
                   terminal)

Exit status 0 only when the receiver answered Success to the last PUT.
)";

std::string plainLines(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

int push(std::span<const std::string> rest) {
    Args a(rest, {"--to", "--name", "--log", "--timeout"}, {"--quiet"});
    if (a.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (a.positional().size() != 1)
        throw UsageError("obex push takes one FILE (see --help)");
    ObexSendOptions options;
    options.to = a.required("--to");
    options.logFile = a.value("--log");
    options.progress = !a.flag("--quiet");
    options.timeoutSeconds = a.integer("--timeout", 10);
    if (options.timeoutSeconds < 1 || options.timeoutSeconds > 3600)
        throw UsageError("--timeout must be 1..3600 seconds");
    std::filesystem::path file = a.positional()[0];
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw UsageError("Unable to open file " + file.string());
    std::string name = a.value("--name").value_or("");
    if (name.size() > 256)
        throw UsageError("--name is longer than 256 characters");
    return runObexSend({}, options, file, name);
}

} // namespace

int runObexSend(obex::SendFileLogic::Setup setup, const ObexSendOptions& options,
                const std::optional<std::filesystem::path>& file,
                const std::string& announcedName) {
    std::string error;
    auto address = obex::ParseObexAddress(options.to, error);
    if (!address)
        throw UsageError(error);
    obex::PhoneConnection connection;
    connection.name = "pixelon";
    connection.address = address->text();
    const int timeoutMs = options.timeoutSeconds * 1000;
    setup.createGateway = [connection, timeoutMs] {
        obex::GatewayOptions g;
        g.responseTimeoutMs = timeoutMs;
        return std::make_unique<obex::CHandsetGateway>(std::vector{connection}, g);
    };
    obex::SendFileLogic::nextPhoneIndex() = 0;
    obex::SendFileLogic logic(std::move(setup));
    ProgressLine progress;
    progress.enable(options.progress);
    logic.onBodySent = [&](long long sent, long long total) {
        // The window counts in int: large files are counted in kilobytes.
        const long long unit = total > 0x7FFFFFFF ? 1024 : 1;
        if (!progress.isOpen())
            progress.Open("Sending", file ? file->filename().string() : std::string(), 0,
                          int(total / unit));
        progress.Step(int(std::min(sent, total) / unit));
    };
    std::size_t shown = 0;
    logic.onChanged = [&] {
        // Whole lines only, so that the search dots do not interleave with other output.
        auto end = logic.log().rfind('\n');
        if (end == std::string::npos || end + 1 <= shown)
            return;
        progress.erase();
        std::fputs(plainLines(std::string_view(logic.log()).substr(shown, end + 1 - shown)).c_str(),
                   stdout);
        std::fflush(stdout);
        shown = end + 1;
    };
    logic.start();
    bool ok = false;
    if (!logic.currentPhone()) {
        std::string why;
        if (logic.gateway() && logic.gateway()->PhonesInUse().Count() > 0)
            why = logic.gateway()->PhonesInUse().Item(0)->LastError();
        std::fprintf(stderr, "pixelon: no OBEX receiver at %s%s%s\n", options.to.c_str(),
                     why.empty() ? "" : ": ", why.c_str());
    } else {
        if (file)
            logic.fileChosen(*file, announcedName);
        ok = logic.onSend() && logic.lastResponse() == obex::RspSuccess;
    }
    progress.Close();
    if (shown < logic.log().size())
        std::fputs((plainLines(std::string_view(logic.log()).substr(shown)) + "\n").c_str(),
                   stdout);
    if (options.logFile) {
        std::ofstream out(*options.logFile, std::ios::binary | std::ios::trunc);
        out << logic.log() << "\r\n" << commsLog().text();
        if (!out)
            std::fprintf(stderr, "Unable to write the log %s\n", options.logFile->c_str());
    }
    if (!ok && logic.currentPhone())
        std::fprintf(stderr, "pixelon: the send to %s failed\n", options.to.c_str());
    return ok ? 0 : 1;
}

int runObex(std::span<const std::string> args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(help, args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "push")
        return push(args.subspan(1));
    throw UsageError("Unknown obex command " + args[0] + " (see pixelon obex --help)");
}

} // namespace pixelon::cli

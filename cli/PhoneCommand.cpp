// pixelon phone: search for a phone, send a picture to it or receive one from it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OperationsCli.h"
#include "cli/PictureArgument.h"
#include "cli/Report.h"
#include "core/AppSettings.h"
#include "core/AtomicFile.h"
#include "core/Portfolio.h"
#include "phone/Commands.h"
#include "phone/PortTable.h"
#include "platform/Feedback.h"
#include "platform/Registry.h"

namespace pixelon::cli {

// In PhoneFileSend.cpp: "Send Picture to Phone" for the types that take files, over OBEX.
int sendPictureAsFile(const Args& a, ApplicationType app);

namespace {

constexpr const char* help = R"(Usage: pixelon phone search [--port N] [--device PATH] [--log FILE]
       pixelon phone send PORTFOLIO --id N [--port N] [--device PATH]
                          [--phone-type T] [--app-type A] [--number K] [--log FILE]
       pixelon phone send PORTFOLIO --id N --to ADDRESS [--phone-type T]
                          [--app-type A] [--log FILE]
       pixelon phone receive -o PORTFOLIO [--port N] [--device PATH]
                          [--app-type A] [--number K] [--log FILE]

Talks to a phone over a serial port with the picture-transfer AT commands.

  search    tries COM1 to COM8 (or only --port N) and prints one line
            "COMn: <status>" per port, as the search dialog shows them,
            with the reason for a port that cannot be opened.
            Exit status 0 when a phone was found.
  send      sends the picture with ID N (decimal) of PORTFOLIO as "Send
            Picture to Phone" does: drawn at the top left of a white preview
            of the application's size. Only the phone types that take the AT
            download (4, 5, 8, 9, 10, 11) can be sent this way.
            With --to, the phone types that take files (0-3, 6, 7, 12-14)
            get the picture as a GIF, JPEG or EMS WBMP file over OBEX;
            ADDRESS is as for "pixelon obex push" (see pixelon obex --help).
  receive   fetches one picture and adds it to PORTFOLIO with the next free
            ID (a new portfolio "MyPortfolio" when the file does not exist).

  --port N        the port to start at, 1..8 (default: the ComPort setting)
  --device PATH   the device the start port opens (default: the port table in
                  Software\Kivo Norvane\Vistrel\Ports, values COM1..COM8)
  --phone-type T  phone format type 0..14 (default: the PhoneType setting)
  --app-type A    0 Kinetto (Kto, kinetto), 1 BackgroundPicture (BaP,
                  background), 2 Vistrel for EMS (EMS, ems); default 0
  --number K      picture number: the background slot for type 4, the first
                  EMS piece's number, or the EMS picture to receive (default 1)
  --log FILE      write the communications log to FILE

Exit status 0 only when the transfer succeeded.
)";

struct Session {
    CAppSettings settings;
    CPortTable table;
    PosixSerialDevice device;
    CliFeedback feedback{false};
    ApplicationSizes sizes;
    CSerialChannel channel{device, systemClock(), commsLog(),
                           [this](int port) { return table.path(port); }};
    PhoneLink link{channel, sizes, feedback};
    std::optional<std::string> logFile;

    explicit Session(const Args& a) {
        settings.load(Registry::instance(), ScreenSize{1 << 16, 1 << 16});
        table = CPortTable::load(Registry::instance(), CPortTable::defaults());
        if (auto port = a.integer("--port")) {
            if (*port < 1 || *port > SearchPortCount)
                throw UsageError("--port must be 1..8");
            settings.m_nComPort = *port;
        } else if (settings.m_nComPort < 1 || settings.m_nComPort > SearchPortCount) {
            settings.m_nComPort = 1;
        }
        if (auto device = a.value("--device"))
            table.setPath(settings.m_nComPort, *device);
        logFile = a.value("--log");
    }

    ~Session() {
        channel.ClosePort();
        if (logFile) {
            const std::string text = commsLog().text();
            try {
                AtomicFile::writeAll(
                    *logFile,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            } catch (const EFileError& e) {
                std::fprintf(stderr, "Unable to write the log %s: %s\n", logFile->c_str(),
                             e.what());
            }
        }
    }

    // Remembers the port that worked, as the window does.
    void storePort(int port) {
        if (port >= 1 && port <= 4)
            Registry::instance().writeDword(Hive::CurrentUser, kSettingsKey, "ComPort",
                                            std::uint32_t(port));
    }
};

ApplicationType parseApplication(const Args& a) {
    return applicationArgument(a.value("--app-type"));
}

int search(std::span<const std::string> rest) {
    Args a(rest, {"--port", "--device", "--log"});
    if (a.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (!a.positional().empty())
        throw UsageError("phone search takes no file (see --help)");
    Session s(a);
    int first = a.integer("--port") ? s.settings.m_nComPort : 1;
    int last = a.integer("--port") ? first : SearchPortCount;
    PortStatuses statuses{};
    statuses.fill(PortStatus::NoResponse);
    bool found = false;
    for (int port = first; port <= last; ++port) {
        SurveyPort(s.link, statuses, port);
        int status = statuses[std::size_t(port - 1)];
        found |= (status & PortStatus::Found) != 0;
        std::printf("COM%d: %s\n", port, DescribePortResult(s.link, port - 1, status).c_str());
        std::fflush(stdout);
    }
    return found ? 0 : 1;
}

int send(std::span<const std::string> rest) {
    Args a(rest, {"--id", "--port", "--device", "--phone-type", "--app-type", "--number", "--log",
                  "--to"});
    if (a.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (a.value("--to"))
        return sendPictureAsFile(a, parseApplication(a));
    if (a.positional().size() != 1)
        throw UsageError("phone send takes one portfolio (see --help)");
    int id = a.requiredInteger("--id");
    Session s(a);
    if (auto type = a.integer("--phone-type")) {
        if (*type < 0 || *type > PhoneFormatTypeMaxSetting)
            throw UsageError("--phone-type must be 0..14");
        s.settings.m_nPhoneType = *type;
    }
    if (!usesAtDownload(s.settings.m_nPhoneType))
        throw UsageError("phone type " + std::to_string(s.settings.m_nPhoneType) +
                         " takes pictures as files, not over the AT download");
    s.settings.m_nApplicationType = int(parseApplication(a));
    int number = a.integer("--number", 1);
    if (number < 1 || number > 99)
        throw UsageError("--number must be 1..99");

    CPortfolio portfolio;
    if (!readPortfolio(portfolio, a.positional()[0], s.feedback))
        return 1;
    const CPicture* picture = &pictureById(portfolio, id, a.positional()[0]);

    PhoneViewState state;
    state.rememberedNumber = number - 1;
    auto ask = [&](std::string_view, int, int maximum) -> std::optional<int> {
        return std::min(number, maximum);
    };
    SendOutcome outcome = sendPictureToPhone(s.link, *picture, s.settings, state, ask);
    if (outcome != SendOutcome::Sent)
        return 1;
    s.storePort(s.settings.m_nComPort);
    std::printf("Sent picture %d over COM%d\n", id, s.settings.m_nComPort);
    return 0;
}

int receive(std::span<const std::string> rest) {
    Args a(rest, {"-o", "--port", "--device", "--app-type", "--number", "--log"});
    if (a.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (!a.positional().empty())
        throw UsageError("phone receive writes to -o PORTFOLIO (see --help)");
    std::string output = a.required("-o");
    Session s(a);
    s.settings.m_nApplicationType = int(parseApplication(a));
    int number = a.integer("--number", 1);
    if (number < 1 || number > 99)
        throw UsageError("--number must be 1..99");

    CPortfolio portfolio;
    if (!readWorkPortfolio(portfolio, output, s.feedback, true))
        return 1;
    auto ask = [&](std::string_view, int, int) -> std::optional<int> { return number; };
    auto picture = receivePictureFromPhone(s.link, s.settings, ask);
    if (!picture)
        return 1;
    s.storePort(s.channel.m_nPort);
    int index = addReceivedPicture(portfolio, *picture);
    if (!writePortfolio(portfolio, output, s.feedback))
        return 1;
    std::printf("Received picture %d (%dx%d)\n", portfolio.Picture(index).m_nId, picture->width(),
                picture->height());
    return 0;
}

} // namespace

int runPhone(std::span<const std::string> args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(help, args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    auto rest = args.subspan(1);
    if (args[0] == "search")
        return search(rest);
    if (args[0] == "send")
        return send(rest);
    if (args[0] == "receive")
        return receive(rest);
    throw UsageError("Unknown phone command " + args[0] + " (see pixelon phone --help)");
}

} // namespace pixelon::cli

// phonesim: a simulated phone on a pseudo-terminal, for trying the program without a phone.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "phone/CommsLog.h"
#include "phone/SimulatedPhone.h"
#include "phone/obex/ObexReceiver.h"
#include "tools/phonesim/ObexTcp.h"
#include "tools/phonesim/PpmFile.h"
#include "platform/Version.h"

using namespace pixelon;

namespace {

constexpr const char* help = R"(Usage: phonesim --link PATH [options]
       phonesim --obex-tcp PORT [--save-dir DIR] [--unplug-after N]
                [--idle-timeout S] [--timeout S]

Plays a phone on a pseudo-terminal: makes PATH a symbolic link to the
terminal's device, so that a program opening PATH talks to the simulated
phone. It echoes commands, answers the picture-transfer AT commands as a
phone of the chosen profile would, assembles downloaded pictures into image
files and serves a picture for uploads. AT*EOBEX or AT+CPROT=0 switches the
line to OBEX ("CONNECT"): pushed files are stored in the save folder under
their names, and the line returns to AT commands after the OBEX DISCONNECT.
Stops on SIGINT or SIGTERM.

  --obex-tcp PORT      instead of a terminal, receive OBEX pushes over TCP on
                       127.0.0.1:PORT (0 picks a free port; the port is
                       printed as "phonesim: OBEX on 127.0.0.1:PORT ready")
  --idle-timeout S     close an OBEX connection that sends nothing for S
                       seconds (default 30); up to 8 connections are served
                       at once

  --link PATH          the symbolic link to create (replaced if it exists)
  --profile NAME       edaw       answers AT*EDAW=? with its buffer size
                       wallpaper  answers AT*EWSPL=? with type 102
                       three      three picture applications (AT*ESUP=?)
                       error      answers "ERROR" to everything
                       silent     answers nothing
                       (default edaw)
  --buffer N           the AT*EDAW=? buffer size in bytes (default 1024)
  --model TEXT         the AT+CGMM answer (default HX224; HX214, HX215, HX236
                       and HX237 make a wallpaper phone's screen 101 x 80)
  --kinetto WxHxC      Kinetto width, height and colours (default 101x80x2)
  --background WxHxC   BackgroundPicture (default 73x39x4)
  --vistrel WxHxC      Vistrel for EMS (default 32x32x4)
  --serve FILE         the picture served to uploads (binary PPM or PGM;
                       default white)
  --upload-chunk N     picture bytes per upload answer (default 240)
  --save-dir DIR       where downloaded pictures go, as
                       download-<application>-<slot>.ppm, and files pushed
                       over OBEX, under their own names (default .; made
                       when missing); a picture that cannot be written
                       there is answered with ERROR, a pushed file with an
                       OBEX error code (the reason goes to standard error).
                       Symbolic links in the folder are never followed;
                       control characters in a name are stored and shown
                       as \xNN, and "." and ".." as \x2E and \x2E\x2E
  --log FILE           write the whole exchange to FILE
  --baud N             pace both directions as a line of N baud, 10 bits a
                       byte (default 9600; 0 for no pacing)
  --unplug-after N     close the terminal after receiving N bytes
                       (SIGUSR1 does the same at any time)
  --stall-after N      stop answering after N commands
  --fault NAME         no-size (AT*EDAW=? without a size), garbage (noise
                       for every answer), flood (a huge AT*EDAW=? answer)
  --no-echo            do not echo commands
  --timeout SECONDS    exit after this long (default: run until stopped)
)";

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_unplug = 0;

void onStop(int) {
    g_stop = 1;
}
void onUnplug(int) {
    g_unplug = 1;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "phonesim: %s\n", message.c_str());
    std::exit(1);
}

AppSize parseSize(const char* text, const char* option) {
    AppSize s;
    if (std::sscanf(text, "%dx%dx%d", &s.width, &s.height, &s.colours) != 3 || s.width < 1 ||
        s.width > 1280 || s.height < 1 || s.height > 1024 ||
        (s.colours != 2 && s.colours != 4 && s.colours != 16 && s.colours != 256))
        fail(std::string(option) + " wants WIDTHxHEIGHTxCOLOURS, colours 2, 4, 16 or 256");
    return s;
}

long parseNumber(const char* text, const char* option, long low, long high) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || v < low || v > high)
        fail(std::string(option) + " wants a number " + std::to_string(low) + ".." +
             std::to_string(high));
    return v;
}

using Clock = std::chrono::steady_clock;

// Paces bytes on one direction of a line of `baud` baud.
struct Pacer {
    double bytesPerSecond = 960;
    Clock::time_point free = Clock::now();
    void pass(std::size_t bytes) {
        if (bytesPerSecond <= 0)
            return;
        free = std::max(free, Clock::now()) +
               std::chrono::duration_cast<Clock::duration>(
                   std::chrono::duration<double>(double(bytes) / bytesPerSecond));
        std::this_thread::sleep_until(free);
    }
};

std::string visible(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c >= 0x7F)
            out += formatText("\\x%02X", c);
        else
            out.push_back(char(c));
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    SimProfile profile;
    std::string link, serve, saveDir = ".", logPath;
    double baud = 9600;
    long unplugAfter = -1, timeoutSeconds = 0, obexTcpPort = -1, idleSeconds = 30;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(help, stdout);
            return 0;
        }
        if (a == "--version") {
            pixelon::PrintVersion("phonesim");
            return 0;
        }
        if (a == "--no-echo") {
            profile.echo = false;
            continue;
        }
        if (i + 1 >= argc)
            fail("unknown option or missing value: " + a + " (see --help)");
        const char* v = argv[++i];
        if (a == "--link")
            link = v;
        else if (a == "--profile") {
            auto kind = SimProfile::kindFromName(v);
            if (!kind)
                fail(std::string("unknown profile ") + v);
            profile.kind = *kind;
        } else if (a == "--buffer")
            profile.bufferSize = int(parseNumber(v, "--buffer", 1, 1 << 20));
        else if (a == "--model")
            profile.model = v;
        else if (a == "--kinetto")
            profile.kinetto = parseSize(v, "--kinetto");
        else if (a == "--background")
            profile.background = parseSize(v, "--background");
        else if (a == "--vistrel")
            profile.vistrel = parseSize(v, "--vistrel");
        else if (a == "--serve")
            serve = v;
        else if (a == "--upload-chunk")
            profile.uploadChunk = int(parseNumber(v, "--upload-chunk", 1, 480));
        else if (a == "--save-dir")
            saveDir = v;
        else if (a == "--log")
            logPath = v;
        else if (a == "--baud")
            baud = double(parseNumber(v, "--baud", 0, 4000000));
        else if (a == "--unplug-after")
            unplugAfter = parseNumber(v, "--unplug-after", 0, 1L << 30);
        else if (a == "--stall-after")
            profile.stallAfterCommands = int(parseNumber(v, "--stall-after", 0, 1 << 30));
        else if (a == "--obex-tcp")
            obexTcpPort = parseNumber(v, "--obex-tcp", 0, 65535);
        else if (a == "--idle-timeout")
            idleSeconds = parseNumber(v, "--idle-timeout", 1, 86400);
        else if (a == "--timeout")
            timeoutSeconds = parseNumber(v, "--timeout", 1, 86400);
        else if (a == "--fault") {
            std::string f = v;
            profile.fault = f == "no-size"   ? SimFault::NoBufferSize
                            : f == "garbage" ? SimFault::Garbage
                            : f == "flood"   ? SimFault::Flood
                            : f == "none"    ? SimFault::None
                                             : (fail("unknown fault " + f), SimFault::None);
        } else
            fail("unknown option " + a + " (see --help)");
    }
    // A file size limit makes a write fail (as a full disk does) instead of ending the phone.
    std::signal(SIGXFSZ, SIG_IGN);
    if (obexTcpPort >= 0) {
        std::signal(SIGINT, onStop);
        std::signal(SIGTERM, onStop);
        std::signal(SIGPIPE, SIG_IGN);
        sim::ObexTcpOptions o;
        o.port = int(obexTcpPort);
        o.saveDir = saveDir;
        o.unplugAfter = unplugAfter;
        o.timeoutSeconds = timeoutSeconds;
        o.idleSeconds = idleSeconds;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(
            logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "w"), &std::fclose);
        if (!logPath.empty() && !log)
            fail("cannot write the log " + logPath);
        o.log = log.get();
        return sim::serveObexTcp(o, g_stop);
    }
    if (link.empty())
        fail("--link PATH is required (see --help)");

    CSimulatedPhone phone(profile);
    if (!serve.empty()) {
        std::string error;
        auto image = sim::readPpm(serve, error);
        if (!image)
            fail(error);
        phone.setUploadPicture(*image);
    }
    // Downloads are stored as they complete, so the folder must exist before the first one.
    {
        std::error_code made, checked;
        std::filesystem::create_directories(saveDir, made);
        if (!std::filesystem::is_directory(saveDir, checked))
            fail("cannot use --save-dir " + saveDir + ": " +
                 (made ? made.message() : std::string("not a folder")));
    }
    phone.setPictureStore([&](const SimPicture& p) {
        std::string path =
            formatText("%s/download-%d-%d.ppm", saveDir.c_str(), p.application, p.slot);
        if (sim::writePpm(path, p.image()))
            return true;
        std::fprintf(stderr, "phonesim: cannot write %s\n", path.c_str());
        return false;
    });

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    const char* slaveName = ptsname(master);
    if (!slaveName)
        fail("no name for the pseudo-terminal");
    // Holding the terminal's own side open keeps the line up while the program reopens it.
    int slave = ::open(slaveName, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t{};
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
        }
    }
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(slaveName, link, ec);
    if (ec)
        fail("cannot create " + link + ": " + ec.message());

    std::FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "w");
    auto started = Clock::now();
    auto stamp = [&] {
        return long(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
    };

    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    std::signal(SIGUSR1, onUnplug);
    std::signal(SIGPIPE, SIG_IGN);
    std::fprintf(stderr, "phonesim: %s -> %s ready\n", link.c_str(), slaveName);

    // While the phone is switched to OBEX, the line's bytes go to this receiver.
    std::unique_ptr<obex::ObexReceiver> obexReceiver;
    auto startObex = [&] {
        obexReceiver = std::make_unique<obex::ObexReceiver>();
        obexReceiver->setObjectListener([&](const std::string& name, const obex::Bytes& body) {
            return sim::storeAndReport(saveDir, name, body, log, formatText("%8ld ", stamp()));
        });
    };

    Pacer rx, tx;
    rx.bytesPerSecond = tx.bytesPerSecond = baud / 10.0;
    long received = 0;
    char buffer[4096];
    while (!g_stop && !g_unplug) {
        if (timeoutSeconds > 0 && Clock::now() - started > std::chrono::seconds(timeoutSeconds))
            break;
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        std::string_view in(buffer, std::size_t(n));
        if (unplugAfter >= 0 && received + n >= unplugAfter) {
            in = in.substr(0, std::size_t(unplugAfter - received));
            g_unplug = 1;
        }
        received += long(in.size());
        rx.pass(in.size());
        if (log)
            std::fprintf(log, "%8ld RX \"%s\"\n", stamp(), visible(in).c_str());
        std::string out;
        if (obexReceiver) {
            obex::Bytes answer = obexReceiver->receive(
                std::span(reinterpret_cast<const std::uint8_t*>(in.data()), in.size()));
            out.assign(answer.begin(), answer.end());
            if (obexReceiver->disconnected()) {
                obexReceiver.reset();
                if (log)
                    std::fprintf(log, "%8ld OBEX done, AT mode\n", stamp());
            }
        } else {
            out = phone.receive(in);
            if (auto rest = phone.takeObexSwitch()) {
                startObex();
                if (log)
                    std::fprintf(log, "%8ld OBEX mode\n", stamp());
                obex::Bytes answer = obexReceiver->receive(
                    std::span(reinterpret_cast<const std::uint8_t*>(rest->data()), rest->size()));
                out.append(answer.begin(), answer.end());
            }
        }
        if (g_unplug)
            break;
        for (std::size_t at = 0; at < out.size();) {
            std::size_t piece = std::min<std::size_t>(16, out.size() - at);
            tx.pass(piece);
            ssize_t w = ::write(master, out.data() + at, piece);
            if (w <= 0)
                break;
            at += std::size_t(w);
        }
        if (log && !out.empty())
            std::fprintf(log, "%8ld TX \"%s\"\n", stamp(), visible(out).c_str());
        if (log)
            std::fflush(log);
    }
    if (log) {
        std::fprintf(log, "%8ld %s\n", stamp(), g_unplug ? "UNPLUGGED" : "STOPPED");
        std::fclose(log);
    }
    ::close(master);
    if (slave >= 0)
        ::close(slave);
    std::filesystem::remove(link, ec);
    return 0;
}

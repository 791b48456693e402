#include "phone/SimulatedPhone.h"

#include <utility>

#include "phone/CommsLog.h"
#include "phone/ReplyParsing.h"
#include "phone/WirePicture.h"

namespace pixelon {

namespace {

constexpr std::string_view Ok = "\r\nOK\r\n";
constexpr std::string_view Error = "\r\nERROR\r\n";
constexpr std::size_t MaxLine = 4096;

int colourCode(int colours) {
    return colours <= 2 ? 0 : colours <= 4 ? 1 : colours <= 16 ? 2 : 3;
}

std::string answer(const std::string& body) {
    return "\r\n" + body + "\r\n" + std::string(Ok);
}

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.rfind(prefix, 0) == 0;
}

// Integers after "=" separated by commas; returns how many were read.
int arguments(const std::string& args, int count, int* out) {
    return readIntegers(args, 0, count, out);
}

} // namespace

std::optional<SimProfileKind> SimProfile::kindFromName(std::string_view name) {
    if (name == "edaw")
        return SimProfileKind::Edaw;
    if (name == "wallpaper")
        return SimProfileKind::Wallpaper;
    if (name == "three")
        return SimProfileKind::ThreeApps;
    if (name == "error")
        return SimProfileKind::ErrorOnly;
    if (name == "silent")
        return SimProfileKind::Silent;
    return std::nullopt;
}

AppSize SimProfile::wallpaperKinetto() const {
    return IsLargeWallpaperModel(model) ? AppSize{101, 80, 2} : AppSize{101, 54, 2};
}

Surface SimPicture::image() const {
    return UnpackWirePicture(wire, width, height, bits == 0 ? 1 : bits);
}

CSimulatedPhone::CSimulatedPhone(SimProfile profile) : m_profile(std::move(profile)) {}

std::string CSimulatedPhone::receive(std::string_view bytes) {
    std::string out;
    if (m_profile.kind == SimProfileKind::Silent)
        return out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (m_obexSwitch) {
            // The line carries OBEX from here on: the rest belongs to the OBEX receiver.
            m_obexLeftover.append(bytes.substr(i));
            break;
        }
        if (m_dataMode) {
            if (c == '\x1a') {
                m_dataMode = false;
                out += finishData();
            } else if (c == '\x1b') {
                m_dataMode = false;
                out += Ok;
            } else if (m_data.size() < 2 * std::size_t(m_profile.bufferSize) + 2) {
                m_data.push_back(c);
            }
            continue;
        }
        bool stalled = m_profile.stallAfterCommands >= 0 &&
                       int(m_commands.size()) >= m_profile.stallAfterCommands;
        if (m_profile.echo && !stalled)
            out.push_back(c);
        if (c == '\r') {
            std::string line;
            std::size_t start = m_line.find_first_not_of(" \n\t");
            if (start != std::string::npos)
                line = m_line.substr(start);
            m_line.clear();
            if (line.empty())
                continue;
            m_commands.push_back(line);
            if (!stalled)
                out += command(line);
        } else if (m_line.size() < MaxLine) {
            m_line.push_back(c);
        }
    }
    return out;
}

std::optional<std::string> CSimulatedPhone::takeObexSwitch() {
    if (!m_obexSwitch)
        return std::nullopt;
    m_obexSwitch = false;
    return std::exchange(m_obexLeftover, {});
}

std::string CSimulatedPhone::command(const std::string& line) {
    if (m_profile.kind == SimProfileKind::ErrorOnly)
        return std::string(Error);
    if (m_profile.fault == SimFault::Garbage) {
        std::string noise = "\r\n";
        for (int i = 0; i < 40; ++i) {
            m_noise = m_noise * 1103515245u + 12345u;
            noise.push_back(char(33 + (m_noise >> 16) % 90));
        }
        return noise + "\r\n";
    }
    const bool wallpaper = m_profile.kind == SimProfileKind::Wallpaper;
    const bool three = m_profile.kind == SimProfileKind::ThreeApps;
    if (line == "AT")
        return std::string(Ok);
    if (line == "AT*EOBEX" || line == "AT+CPROT=0") {
        m_obexSwitch = true;
        return "\r\nCONNECT\r\n";
    }
    if (line == "AT*EDAW=?")
        return wallpaper ? std::string(Error) : edawQuery();
    if (line == "AT*EWSPL=?")
        return wallpaper ? answer("*EWSPL: 102") : std::string(Error);
    if (line == "AT+CGMM")
        return answer(m_profile.model);
    if (line == "AT*ESUP=?")
        return wallpaper ? std::string(Error) : esupQuery();
    if (line == "AT*EDAR=?")
        return three ? answer("*EDAR: (0-2),(0-9),(1-101),(1-80),(0-99)") : std::string(Error);
    if (startsWith(line, "AT*EDAW=") && !wallpaper)
        return download(line.substr(8));
    if (startsWith(line, "AT*EWSPL=") && wallpaper)
        return this->wallpaper(line.substr(9));
    if (startsWith(line, "AT*EDAR=") && !wallpaper)
        return upload(line.substr(8));
    return std::string(Error);
}

std::string CSimulatedPhone::edawQuery() const {
    if (m_profile.fault == SimFault::NoBufferSize)
        return answer("*EDAW: ");
    if (m_profile.fault == SimFault::Flood)
        return answer("*EDAW: " + std::string(6000, '9'));
    return answer(formatText("*EDAW: %d", m_profile.bufferSize));
}

std::string CSimulatedPhone::esupQuery() const {
    const AppSize& k = m_profile.kinetto;
    if (m_profile.kind != SimProfileKind::ThreeApps)
        return answer(
            formatText("*ESUP: (0-2),(1),%d,%d,%d", colourCode(k.colours), k.width, k.height));
    // Marker 0 and three applications; each application lists colour code, width, height,
    // pictures it holds and slots, the first two separated by their application number.
    const AppSize& b = m_profile.background;
    const AppSize& v = m_profile.vistrel;
    return answer(formatText("*ESUP: 0,3,(%d,%d,%d,1,1,1,%d,%d,%d,6,1,0,2,%d,%d,%d,10,1)",
                             colourCode(k.colours), k.width, k.height, colourCode(b.colours),
                             b.width, b.height, colourCode(v.colours), v.width, v.height));
}

std::string CSimulatedPhone::download(const std::string& args) {
    int v[6] = {};
    int n = arguments(args, 6, v);
    if (n == 4 && m_profile.kind != SimProfileKind::ThreeApps)
        m_pending = {v[3], 0, 0, m_profile.kinetto.width, m_profile.kinetto.height};
    else if (n == 6 && m_profile.kind == SimProfileKind::ThreeApps)
        m_pending = {v[5], v[1], v[2], v[3], v[4]};
    else
        return std::string(Error);
    if (v[0] <= 0 || v[0] > m_profile.bufferSize)
        return std::string(Error);
    m_dataLength = std::size_t(v[0]);
    m_data.clear();
    m_dataMode = true;
    return "\r\n> ";
}

std::string CSimulatedPhone::finishData() {
    std::vector<std::uint8_t> bytes = fromHex(m_data, m_dataLength + 1);
    if (bytes.size() != m_dataLength || m_data.size() != 2 * m_dataLength)
        return std::string(Error);
    if (!appendPicture(bytes, m_pending.index, m_pending.app, m_pending.slot, m_pending.width,
                       m_pending.height))
        return std::string(Error);
    return std::string(Ok);
}

std::string CSimulatedPhone::wallpaper(const std::string& args) {
    int v[2] = {};
    std::size_t quote = args.find('"');
    std::size_t end = quote == std::string::npos ? quote : args.find('"', quote + 1);
    if (arguments(args, 2, v) != 2 || end == std::string::npos)
        return std::string(Error);
    std::string hex = args.substr(quote + 1, end - quote - 1);
    std::vector<std::uint8_t> bytes = fromHex(hex, 64);
    if (bytes.size() * 2 != hex.size() || bytes.empty() || bytes.size() > 51)
        return std::string(Error);
    if (v[1] % 2 == 0)
        bytes.pop_back(); // even chunks end with one filler byte
    AppSize k = m_profile.wallpaperKinetto();
    if (!appendPicture(bytes, v[1], v[0], 0, k.width, k.height))
        return std::string(Error);
    return std::string(Ok);
}

bool CSimulatedPhone::appendPicture(std::span<const std::uint8_t> bytes, int index, int app,
                                    int slot, int w, int h) {
    if (index == 0 || app != m_picture.application || slot != m_picture.slot)
        m_picture = {app, slot, w, h, 0, {}};
    // The bytes arrive inverted: all ones is black, as the phone keeps them.
    for (std::uint8_t b : bytes)
        m_picture.wire.push_back(b);
    m_picture.bits = 0;
    for (int bits : {1, 2, 4, 8})
        if (m_picture.wire.size() == wireSize(w, h, bits))
            m_picture.bits = bits;
    if (m_onPicture)
        m_onPicture(m_picture);
    return m_picture.bits == 0 || !m_store || m_store(m_picture);
}

std::string CSimulatedPhone::upload(const std::string& args) {
    int v[5] = {};
    int n = arguments(args, 5, v);
    int index = 0, width = m_profile.kinetto.width, height = m_profile.kinetto.height;
    int colours = m_profile.kinetto.colours;
    if (n == 3 && m_profile.kind != SimProfileKind::ThreeApps) {
        index = v[2];
    } else if (n == 5 && m_profile.kind == SimProfileKind::ThreeApps) {
        index = v[4];
        width = v[2];
        height = v[3];
        colours = v[0] == 1   ? m_profile.background.colours
                  : v[0] == 2 ? m_profile.vistrel.colours
                              : colours;
    } else {
        return std::string(Error);
    }
    if (width <= 0 || width > 1280 || height <= 0 || height > 1024 || index < 0)
        return std::string(Error);
    int bits = colours == 4 ? 2 : 1;
    Surface source = m_upload.empty() ? Surface(width, height, 0x00FFFFFF) : m_upload;
    // The phone keeps all ones for black: the packed indices are inverted.
    std::vector<std::uint8_t> packed = PackWirePicture(source, 0, width, height, bits);
    for (auto& b : packed)
        b = std::uint8_t(~b);
    std::size_t from = std::size_t(index) * std::size_t(m_profile.uploadChunk);
    if (from >= packed.size())
        return std::string(Error);
    std::size_t count = std::min(packed.size() - from, std::size_t(m_profile.uploadChunk));
    std::string hex = toHex(std::span(packed).subspan(from, count), false);
    return formatText("\r\n*EDAR: %d\r\n", int(count)) + hex + "\r\n" + std::string(Ok);
}

} // namespace pixelon

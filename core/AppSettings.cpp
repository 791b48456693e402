#include "core/AppSettings.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace pixelon {
namespace {

constexpr std::uint32_t kAny = std::numeric_limits<std::uint32_t>::max();

std::string colourName(int i) {
    return "CustomColor" + std::to_string(i);
}

std::optional<std::uint32_t> dword(const HiveData& hive, std::string_view name) {
    auto v = hive.value(kSettingsKey, name);
    if (v && std::holds_alternative<std::uint32_t>(*v))
        return std::get<std::uint32_t>(*v);
    return std::nullopt;
}

// Counts characters, not bytes, so a path in a non-Latin script is not cut short.
std::size_t utf8Length(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Comparisons are on the stored unsigned number, so a negative value written by another
// program is far above every bound and falls back to the default.
struct Loader {
    const HiveData& hive;
    ScreenSize screen;

    void number(std::string_view name, int& out, std::uint32_t lo, std::uint32_t hi, int def) {
        const auto v = dword(hive, name);
        out = (v && *v >= lo && *v <= hi) ? static_cast<int>(*v) : def;
    }
    void position(std::string_view name, int& out, bool horizontal) {
        const int bound = horizontal ? screen.width : screen.height;
        number(name, out, 0, static_cast<std::uint32_t>(bound < 0 ? 0 : bound), 0);
    }
    void flag(std::string_view name, bool& out) { out = dword(hive, name).value_or(0) != 0; }
    void ratio(std::string_view name, float& out) {
        const auto v = dword(hive, name);
        const float f = v ? std::bit_cast<float>(*v) : 0.0f;
        // Written this way round so that a NaN pattern also falls back.
        out = (f >= CAppSettings::kMinImageRatio && f <= CAppSettings::kMaxImageRatio) ? f : 1.0f;
    }
    void colour(std::string_view name, Colour& out) {
        const auto v = dword(hive, name);
        out = (v && *v <= 0xFFFFFF) ? *v : 0xFFFFFF;
    }
    void text(std::string_view name, std::string& out) {
        auto v = hive.value(kSettingsKey, name);
        const auto* s = v ? std::get_if<std::string>(&*v) : nullptr;
        out = (s && utf8Length(*s) <= CAppSettings::kMaxPaletteFileLength) ? *s : std::string();
    }
};

struct Saver {
    HiveData& hive;

    void put(std::string_view name, std::uint32_t v) { hive.setValue(kSettingsKey, name, v); }
    void number(std::string_view name, const int& v, std::uint32_t, std::uint32_t, int) {
        put(name, static_cast<std::uint32_t>(v));
    }
    void position(std::string_view name, const int& v, bool) {
        put(name, static_cast<std::uint32_t>(v));
    }
    void flag(std::string_view name, const bool& v) { put(name, v ? 1 : 0); }
    void ratio(std::string_view name, const float& v) {
        put(name, std::bit_cast<std::uint32_t>(v));
    }
    void colour(std::string_view name, const Colour& v) { put(name, v); }
    void text(std::string_view name, const std::string& v) { hive.setValue(kSettingsKey, name, v); }
};

struct Describer {
    std::vector<std::pair<std::string, std::string>>& out;

    void add(std::string_view name, std::string text) { out.emplace_back(name, std::move(text)); }
    void number(std::string_view name, const int& v, std::uint32_t, std::uint32_t, int) {
        add(name, std::to_string(v));
    }
    void position(std::string_view name, const int& v, bool) { add(name, std::to_string(v)); }
    void flag(std::string_view name, const bool& v) { add(name, v ? "1" : "0"); }
    void ratio(std::string_view name, const float& v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%5.3f", static_cast<double>(v));
        add(name, buf);
    }
    void colour(std::string_view name, const Colour& v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(v));
        add(name, buf);
    }
    void text(std::string_view name, const std::string& v) { add(name, v); }
};

struct Namer {
    std::vector<std::string>& out;

    void number(std::string_view name, const int&, std::uint32_t, std::uint32_t, int) {
        out.emplace_back(name);
    }
    void position(std::string_view name, const int&, bool) { out.emplace_back(name); }
    void flag(std::string_view name, const bool&) { out.emplace_back(name); }
    void ratio(std::string_view name, const float&) { out.emplace_back(name); }
    void colour(std::string_view name, const Colour&) { out.emplace_back(name); }
    void text(std::string_view name, const std::string&) { out.emplace_back(name); }
};

} // namespace

// The one list of the saved values, in save order, with their ranges and defaults.
template <class Self, class Visitor> void CAppSettings::visit(Self& s, Visitor&& v) {
    v.number("MStype", s.m_nMStype, 0, 16, 0);
    v.number("ComPort", s.m_nComPort, 1, 4, 1);
    v.ratio("ImageRatio", s.m_fImageRatio);
    v.flag("PrintGrid", s.m_bPrintGrid);
    v.flag("FontViewPlainView", s.m_bFontViewPlainView);
    v.number("ViewAscentLine", s.m_nViewAscentLine, 0, kAny, 0);
    v.position("MainWinX", s.m_nMainWinX, true);
    v.position("MainWinY", s.m_nMainWinY, false);
    v.number("DefaultImportType", s.m_nDefaultImportType, 0, 16, 0);
    v.number("DefaultExportType", s.m_nDefaultExportType, 0, 16, 0);
    v.flag("DefaultWinFontBold", s.m_bDefaultWinFontBold);
    v.flag("DefaultWinFontFixed", s.m_bDefaultWinFontFixed);
    v.flag("DefaultWinFontItalic", s.m_bDefaultWinFontItalic);
    v.flag("DefaultWinFontPreserve20toFF", s.m_bDefaultWinFontPreserve20toFF);
    v.flag("DefaultWinFontStrikeout", s.m_bDefaultWinFontStrikeout);
    v.flag("DefaultWinFontUnderline", s.m_bDefaultWinFontUnderline);
    v.number("DefaultWinFontType", s.m_nDefaultWinFontType, 0, 2, 0);
    v.flag("ZoomAnimPreview", s.m_bZoomAnimPreview);
    v.position("DefaultCommsLogX", s.m_nDefaultCommsLogX, true);
    v.position("DefaultCommsLogY", s.m_nDefaultCommsLogY, false);
    v.position("DefaultCommsLogW", s.m_nDefaultCommsLogW, true);
    v.position("DefaultCommsLogH", s.m_nDefaultCommsLogH, false);
    for (int i = 0; i < kCustomColours; ++i)
        v.colour(colourName(i), s.m_crCustomColors[static_cast<std::size_t>(i)]);
    v.text("UserPaletteFile", s.m_strUserPaletteFile);
    v.number("PhoneType", s.m_nPhoneType, 0, 20, 0);
    v.number("PrinterRes", s.m_nPrinterRes, 0, 3, 0);
}

CAppSettings& CAppSettings::instance() {
    static CAppSettings settings;
    return settings;
}

void CAppSettings::load(const HiveData& userHive, ScreenSize screen) {
    visit(*this, Loader{userHive, screen});
}

void CAppSettings::load(const Registry& registry, ScreenSize screen) {
    load(registry.load(Hive::CurrentUser), screen);
}

void CAppSettings::save(HiveData& userHive) const {
    userHive.createKey(kSettingsKey);
    visit(*this, Saver{userHive});
}

bool CAppSettings::save(Registry& registry) const {
    return registry.update(Hive::CurrentUser, [this](HiveData& hive) { save(hive); });
}

std::vector<std::pair<std::string, std::string>> CAppSettings::describe() const {
    std::vector<std::pair<std::string, std::string>> out;
    visit(*this, Describer{out});
    return out;
}

std::vector<std::string> CAppSettings::valueNames() {
    std::vector<std::string> out;
    const CAppSettings defaults;
    visit(defaults, Namer{out});
    return out;
}

} // namespace pixelon

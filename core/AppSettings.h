#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Registry.h"
#include "platform/Surface.h"

namespace pixelon {

// The per-user key of the program and of its settings.
inline constexpr std::string_view kApplicationKey = "Software\\Kivo Norvane\\Vistrel";
inline constexpr std::string_view kSettingsKey = "Software\\Kivo Norvane\\Vistrel\\Settings";

// The screen the window and log positions must fit on when they are loaded.
struct ScreenSize {
    int width = 0;
    int height = 0;
};

// The program's persistent settings: one record, loaded when the main view is first shown and
// written back when it closes. Every value is read independently; a value that is missing, of
// the wrong type or outside its range takes its default, so a damaged key never stops the
// program from starting.
class CAppSettings {
public:
    static constexpr int kCustomColours = 16;
    static constexpr std::size_t kMaxPaletteFileLength = 255; // characters
    static constexpr float kMinImageRatio = 0.1f;
    static constexpr float kMaxImageRatio = 10.0f;

    int m_nMStype = 0;
    int m_nComPort = 1;
    float m_fImageRatio = 1.0f;
    bool m_bPrintGrid = false;
    bool m_bFontViewPlainView = false;
    int m_nViewAscentLine = 0;
    int m_nMainWinX = 0;
    int m_nMainWinY = 0;
    int m_nDefaultImportType = 0;
    int m_nDefaultExportType = 0;
    bool m_bDefaultWinFontBold = false;
    bool m_bDefaultWinFontFixed = false;
    bool m_bDefaultWinFontItalic = false;
    bool m_bDefaultWinFontPreserve20toFF = false;
    bool m_bDefaultWinFontStrikeout = false;
    bool m_bDefaultWinFontUnderline = false;
    int m_nDefaultWinFontType = 0; // 0 ANSI, 1 OEM, 2 Default
    bool m_bZoomAnimPreview = false;
    int m_nDefaultCommsLogX = 0;
    int m_nDefaultCommsLogY = 0;
    int m_nDefaultCommsLogW = 0;
    int m_nDefaultCommsLogH = 0;
    std::array<Colour, kCustomColours> m_crCustomColors = defaultCustomColours();
    std::string m_strUserPaletteFile;
    int m_nPhoneType = 0;
    int m_nPrinterRes = 0;

    // The current application type: held for the session, never saved.
    int m_nApplicationType = 0;

    // The process-wide record.
    static CAppSettings& instance();

    // Reads the record from the user hive; failures leave defaults.
    void load(const Registry& registry, ScreenSize screen);
    void load(const HiveData& userHive, ScreenSize screen);

    // Creates the key and writes every value in the fixed save order, in one locked write.
    // Returns false when the hive could not be written; callers may ignore it.
    bool save(Registry& registry) const;
    void save(HiveData& userHive) const;

    // Every saved value as (name, text) in save order: numbers and booleans in decimal, colours
    // as six hexadecimal digits of the stored 0x00BBGGRR value ("0xFFFFFF"), the ratio as
    // "%5.3f" formats it, the palette file as it is.
    std::vector<std::pair<std::string, std::string>> describe() const;

    // The value names in save order.
    static std::vector<std::string> valueNames();

private:
    static constexpr std::array<Colour, kCustomColours> defaultCustomColours() {
        std::array<Colour, kCustomColours> colours{};
        colours.fill(0xFFFFFF);
        return colours;
    }

    template <class Self, class Visitor> static void visit(Self& self, Visitor&& visitor);
};

} // namespace pixelon

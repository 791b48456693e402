#include <gtest/gtest.h>

#include "core/AppSettings.h"

#include "tests/support/TempDir.h"
#include <bit>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

using namespace pixelon;
namespace fs = std::filesystem;

namespace {

using pixelon::test::TempDir;

constexpr ScreenSize kScreen{1280, 1024};

HiveData hiveWith(std::string_view name, RegistryValue v) {
    HiveData hive;
    hive.setValue(kSettingsKey, name, std::move(v));
    return hive;
}

CAppSettings loadedFrom(const HiveData& hive, ScreenSize screen = kScreen) {
    CAppSettings s;
    s.load(hive, screen);
    return s;
}

std::uint32_t floatBits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

// A record in which every saved value differs from its default.
CAppSettings unusual() {
    CAppSettings s;
    s.m_nMStype = 16;
    s.m_nComPort = 3;
    s.m_fImageRatio = 2.5f;
    s.m_bPrintGrid = s.m_bFontViewPlainView = true;
    s.m_nViewAscentLine = 7;
    s.m_nMainWinX = 100;
    s.m_nMainWinY = 200;
    s.m_nDefaultImportType = 5;
    s.m_nDefaultExportType = 16;
    s.m_bDefaultWinFontBold = s.m_bDefaultWinFontFixed = s.m_bDefaultWinFontItalic = true;
    s.m_bDefaultWinFontPreserve20toFF = s.m_bDefaultWinFontStrikeout = true;
    s.m_bDefaultWinFontUnderline = true;
    s.m_nDefaultWinFontType = 2;
    s.m_bZoomAnimPreview = true;
    s.m_nDefaultCommsLogX = 1;
    s.m_nDefaultCommsLogY = 2;
    s.m_nDefaultCommsLogW = 1280;
    s.m_nDefaultCommsLogH = 1024;
    for (int i = 0; i < CAppSettings::kCustomColours; ++i)
        s.m_crCustomColors[static_cast<std::size_t>(i)] = static_cast<Colour>(i * 0x010203);
    s.m_strUserPaletteFile = "/home/u/palettes/\"warm\" \\ tones.p";
    s.m_nPhoneType = 20;
    s.m_nPrinterRes = 3;
    return s;
}

} // namespace

TEST(AppSettings, AnEmptyHiveGivesEveryDefault) {
    CAppSettings s = unusual();
    s.load(HiveData(), kScreen);
    EXPECT_EQ(s.describe(), CAppSettings().describe());
    EXPECT_EQ(s.m_nComPort, 1);
    EXPECT_EQ(s.m_fImageRatio, 1.0f);
    EXPECT_EQ(s.m_crCustomColors[15], 0xFFFFFFu);
}

TEST(AppSettings, ValuesOutsideTheirRangeFallBack) {
    EXPECT_EQ(loadedFrom(hiveWith("ComPort", std::uint32_t{0})).m_nComPort, 1);
    EXPECT_EQ(loadedFrom(hiveWith("ComPort", std::uint32_t{7})).m_nComPort, 1);
    EXPECT_EQ(loadedFrom(hiveWith("ComPort", std::uint32_t{4})).m_nComPort, 4);
    EXPECT_EQ(loadedFrom(hiveWith("DefaultWinFontType", std::uint32_t{3})).m_nDefaultWinFontType,
              0);
    EXPECT_EQ(loadedFrom(hiveWith("PrinterRes", std::uint32_t{3})).m_nPrinterRes, 3);
    EXPECT_EQ(loadedFrom(hiveWith("PhoneType", std::uint32_t{21})).m_nPhoneType, 0);

    EXPECT_EQ(loadedFrom(hiveWith("CustomColor5", std::uint32_t{0x1000000})).m_crCustomColors[5],
              0xFFFFFFu);
    EXPECT_EQ(loadedFrom(hiveWith("CustomColor5", std::uint32_t{0xABCDEF})).m_crCustomColors[5],
              0xABCDEFu);
    EXPECT_EQ(loadedFrom(hiveWith("ViewAscentLine", std::uint32_t{123456})).m_nViewAscentLine,
              123456);
}

TEST(AppSettings, ImageRatioIsAFloatBitPatternFromATenthToTen) {
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(0.05f))).m_fImageRatio, 1.0f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(10.5f))).m_fImageRatio, 1.0f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(-2.0f))).m_fImageRatio, 1.0f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(std::nanf("")))).m_fImageRatio, 1.0f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(0.1f))).m_fImageRatio, 0.1f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(10.0f))).m_fImageRatio, 10.0f);
    EXPECT_EQ(loadedFrom(hiveWith("ImageRatio", floatBits(2.75f))).m_fImageRatio, 2.75f);
}

TEST(AppSettings, PositionsMustFitTheScreen) {
    EXPECT_EQ(loadedFrom(hiveWith("MainWinX", std::uint32_t{1281})).m_nMainWinX, 0);
    EXPECT_EQ(loadedFrom(hiveWith("MainWinX", std::uint32_t{1280})).m_nMainWinX, 1280);
    EXPECT_EQ(loadedFrom(hiveWith("MainWinY", std::uint32_t{1025})).m_nMainWinY, 0);
    EXPECT_EQ(loadedFrom(hiveWith("MainWinY", std::uint32_t{1100}), {800, 1200}).m_nMainWinY, 1100);
    EXPECT_EQ(loadedFrom(hiveWith("DefaultCommsLogW", std::uint32_t{1281})).m_nDefaultCommsLogW, 0);
    // Height-bounded values are measured against the height, not the width.
    EXPECT_EQ(loadedFrom(hiveWith("DefaultCommsLogH", std::uint32_t{1100})).m_nDefaultCommsLogH, 0);
    EXPECT_EQ(loadedFrom(hiveWith("DefaultCommsLogX", std::uint32_t{1100})).m_nDefaultCommsLogX,
              1100);
}

TEST(AppSettings, NegativeStoredNumbersFallBack) {
    for (const char* name : {"MStype", "ComPort", "MainWinX", "DefaultCommsLogH", "PhoneType",
                             "CustomColor0", "DefaultImportType"}) {
        const CAppSettings s = loadedFrom(hiveWith(name, static_cast<std::uint32_t>(-5)));
        EXPECT_EQ(s.describe(), CAppSettings().describe()) << name;
    }
    // A window left of the screen saves as a negative number and loads at the origin.
    CAppSettings s;
    s.m_nMainWinX = -20;
    HiveData hive;
    s.save(hive);
    EXPECT_EQ(loadedFrom(hive).m_nMainWinX, 0);
}

TEST(AppSettings, WrongTypesAndLongPaletteNamesFallBack) {
    EXPECT_EQ(loadedFrom(hiveWith("ComPort", std::string("3"))).m_nComPort, 1);
    EXPECT_EQ(loadedFrom(hiveWith("UserPaletteFile", std::uint32_t{1})).m_strUserPaletteFile, "");
    EXPECT_TRUE(loadedFrom(hiveWith("PrintGrid", std::uint32_t{2})).m_bPrintGrid)
        << "booleans are zero or non-zero";
    const std::string longest(255, 'p');
    EXPECT_EQ(loadedFrom(hiveWith("UserPaletteFile", longest)).m_strUserPaletteFile, longest);
    EXPECT_EQ(loadedFrom(hiveWith("UserPaletteFile", longest + "p")).m_strUserPaletteFile, "");
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "\xc3\xa9"; // two bytes, one character
    EXPECT_EQ(loadedFrom(hiveWith("UserPaletteFile", wide)).m_strUserPaletteFile, wide);
}

TEST(AppSettings, SavesEveryValueInTheFixedOrder) {
    HiveData hive;
    CAppSettings().save(hive);
    std::vector<std::string> expected = {"MStype",
                                         "ComPort",
                                         "ImageRatio",
                                         "PrintGrid",
                                         "FontViewPlainView",
                                         "ViewAscentLine",
                                         "MainWinX",
                                         "MainWinY",
                                         "DefaultImportType",
                                         "DefaultExportType",
                                         "DefaultWinFontBold",
                                         "DefaultWinFontFixed",
                                         "DefaultWinFontItalic",
                                         "DefaultWinFontPreserve20toFF",
                                         "DefaultWinFontStrikeout",
                                         "DefaultWinFontUnderline",
                                         "DefaultWinFontType",
                                         "ZoomAnimPreview",
                                         "DefaultCommsLogX",
                                         "DefaultCommsLogY",
                                         "DefaultCommsLogW",
                                         "DefaultCommsLogH"};
    for (int i = 0; i < 16; ++i)
        expected.push_back("CustomColor" + std::to_string(i));
    expected.insert(expected.end(), {"UserPaletteFile", "PhoneType", "PrinterRes"});
    EXPECT_EQ(hive.valueNames(kSettingsKey), expected);
    EXPECT_EQ(CAppSettings::valueNames(), expected);
    EXPECT_EQ(hive.value(kSettingsKey, "ImageRatio"), RegistryValue(floatBits(1.0f)));
    EXPECT_EQ(hive.value(kSettingsKey, "UserPaletteFile"), RegistryValue(std::string()));
}

TEST(AppSettings, RoundTripsThroughTheHiveFileButNotTheApplicationType) {
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    ASSERT_TRUE(reg.writeDword(Hive::CurrentUser, kSettingsKey, "SomethingElse", 9));

    CAppSettings s = unusual();
    s.m_nApplicationType = 2;
    ASSERT_TRUE(s.save(reg));
    CAppSettings back;
    back.load(reg, kScreen);
    EXPECT_EQ(back.describe(), s.describe());
    EXPECT_EQ(back.m_nApplicationType, 0);
    EXPECT_FALSE(reg.load(Hive::CurrentUser).value(kSettingsKey, "ApplicationType"));
    EXPECT_EQ(reg.readDword(Hive::CurrentUser, kSettingsKey, "SomethingElse"), 9u)
        << "values the record does not know are kept";
}

TEST(AppSettings, ReadsAKeyWrittenInAnotherCase) {
    HiveData hive;
    ASSERT_TRUE(
        HiveData::fromRegText("Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\SOFTWARE\\kivo norvane\\VISTREL\\settings]\r\n"
                              "\"comport\"=dword:00000002\r\n",
                              "HKEY_CURRENT_USER", hive));
    EXPECT_EQ(loadedFrom(hive).m_nComPort, 2);
}

TEST(AppSettings, DescribesValuesForPrinting) {
    CAppSettings s;
    s.m_fImageRatio = 0.1f;
    s.m_crCustomColors[1] = 0x0000FF;
    s.m_bPrintGrid = true;
    const auto entries = s.describe();
    ASSERT_EQ(entries.size(), 41u);
    EXPECT_EQ(entries[2], (std::pair<std::string, std::string>{"ImageRatio", "0.100"}));
    EXPECT_EQ(entries[3], (std::pair<std::string, std::string>{"PrintGrid", "1"}));
    EXPECT_EQ(entries[22], (std::pair<std::string, std::string>{"CustomColor0", "0xFFFFFF"}));
    EXPECT_EQ(entries[23], (std::pair<std::string, std::string>{"CustomColor1", "0x0000FF"}));
}

#include "phone/PhoneDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "tests/phone/PhoneRig.h"

namespace pixelon {
namespace {

using test::PhoneRig;
using K = SimProfileKind;

CPortTable simTable() {
    CPortTable t;
    for (int p = 1; p <= 8; ++p)
        t.setPath(p, "/dev/sim" + std::to_string(p));
    return t;
}

TEST(SearchPhoneModel, SurveysEightPortsAndMovesTheSelectionToAPhone) {
    PhoneRig rig;
    rig.attach(3, PhoneRig::profile(K::Edaw));
    rig.attach(6, PhoneRig::profile(K::ErrorOnly));
    CAppSettings settings;
    settings.m_nComPort = 2;
    CSearchPhoneModel model(rig.link, settings, simTable());
    EXPECT_EQ(model.selection(), 1);
    std::vector<std::string> shown;
    model.survey([&] { shown.push_back(model.statusText()); });
    ASSERT_EQ(shown.size(), 9u);
    EXPECT_EQ(shown[0], "COM1: Checking...\n");
    EXPECT_EQ(shown[1], "COM1: Cannot open port\nCOM2: Checking...\n");
    EXPECT_EQ(shown[8], "COM1: Cannot open port\nCOM2: Cannot open port\n"
                        "COM3: Found Phone supporting application:\n  Kinetto  (101 x 80 - 2 clr)\n"
                        "COM4: Cannot open port\nCOM5: Cannot open port\n"
                        "COM6: No response from Mobile\nCOM7: Cannot open port\n"
                        "COM8: Cannot open port\n");
    EXPECT_TRUE(model.foundAny());
    EXPECT_EQ(model.selection(), 2);
    model.accept();
    EXPECT_EQ(settings.m_nComPort, 3);
    EXPECT_FALSE(rig.channel.isOpen());
    EXPECT_TRUE(rig.feedback.messages().empty());
    // The channel's own ports are back after the survey.
    EXPECT_EQ(rig.channel.devicePath(4), "/dev/sim4");
}

TEST(SearchPhoneModel, EditedPathsAreTriedAndKeptSelectionWithoutPhones) {
    PhoneRig rig;
    rig.attach(7, PhoneRig::profile(K::Edaw)); // reachable only through an edited path
    CAppSettings settings;
    settings.m_nComPort = 4;
    CPortTable table; // nothing assigned
    CSearchPhoneModel model(rig.link, settings, table);
    model.survey();
    EXPECT_FALSE(model.foundAny());
    EXPECT_EQ(model.selection(), 3);
    model.setDevicePath(1, "/dev/sim7");
    model.survey();
    EXPECT_TRUE(model.foundAny());
    EXPECT_EQ(model.selection(), 0);
    EXPECT_EQ(model.table().path(1), "/dev/sim7");
}

TEST(PhoneDialogs, RadioChoicesAndLogPanel) {
    CRadioChoice types = phoneTypeChoice(13);
    ASSERT_EQ(types.labels().size(), 12u);
    EXPECT_EQ(types.labels()[10], "HX224 (also HX228, HX230)");
    EXPECT_EQ(types.selection(), -1); // no button for the extra saved values
    types.select(12);
    EXPECT_EQ(types.value(), 13);
    types.select(5);
    EXPECT_EQ(types.value(), 5);
    CRadioChoice apps = applicationChoice(1);
    EXPECT_EQ(apps.labels()[2], "Vistrel for EMS     [VS]");
    EXPECT_EQ(apps.selection(), 1);

    CCommsLog log;
    CAppSettings settings;
    CCommsLogPanel panel(log, settings);
    log.LogComms(2, "Close\r\n");
    EXPECT_EQ(panel.text(), "COM2: Close\r\n");
    panel.clear();
    EXPECT_TRUE(log.text().empty());
    panel.storePlacement(-5, 20, 300, 200);
    EXPECT_EQ(settings.m_nDefaultCommsLogX, 0);
    EXPECT_EQ(panel.placement(), (Rect{0, 20, 300, 220}));
}

TEST(PortTable, DefaultsOrderUsbFirstAndNaturally) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("pixelon-ports-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* n : {"ttyS10", "ttyS2", "ttyUSB1", "ttyACM0", "ttyUSB0", "ttyS", "tty0"})
        std::ofstream(dir / n) << "";
    CPortTable t = CPortTable::defaults(dir.string());
    EXPECT_EQ(t.path(1), (dir / "ttyUSB0").string());
    EXPECT_EQ(t.path(2), (dir / "ttyUSB1").string());
    EXPECT_EQ(t.path(3), (dir / "ttyACM0").string());
    EXPECT_EQ(t.path(4), (dir / "ttyS2").string());
    EXPECT_EQ(t.path(5), (dir / "ttyS10").string());
    EXPECT_EQ(t.path(6), "");
    EXPECT_EQ(t.path(0), "");
    EXPECT_EQ(t.path(9), "");

    Registry registry(dir / "user.reg", dir / "machine.reg");
    t.setPath(6, "/dev/pts/9");
    ASSERT_TRUE(t.save(registry));
    CPortTable loaded = CPortTable::load(registry, CPortTable{});
    EXPECT_EQ(loaded.path(6), "/dev/pts/9");
    EXPECT_EQ(loaded.path(1), (dir / "ttyUSB0").string());
    fs::remove_all(dir);
}

} // namespace
} // namespace pixelon

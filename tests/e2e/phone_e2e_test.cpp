#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/Portfolio.h"
#include "phone/SimulatedPhone.h"
#include "phone/Transfer.h"
#include "platform/Feedback.h"
#include "tests/e2e/PhoneHarness.h"
#include "tests/phone/PhoneRig.h"
#include "tools/phonesim/PpmFile.h"

namespace pixelon::e2e {
namespace {

constexpr Colour Black = 0x000000, White = 0xFFFFFF;

Colour stripes(int x, int y) {
    return (x * 3 + y) % 7 < 3 ? Black : White;
}

// A portfolio with picture 5: a black-and-white pattern of the given size.
fs::path writePortfolio(const Bench& bench, int width, int height) {
    Surface s(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            s.setPixel(x, y, stripes(x, y));
    CPortfolio portfolio;
    portfolio.m_strName = "Phone test";
    auto picture = std::make_unique<CPicture>();
    picture->Create(width, height, 5);
    picture->GrabFrom(s, DirectMap);
    portfolio.InsertSorted(std::move(picture));
    fs::path path = bench.dir() / "test.pfo";
    RecordingFeedback feedback;
    EXPECT_TRUE(portfolio.WriteFile(path, feedback));
    return path;
}

// Compares what the phone assembled with the pattern; pixels past the picture are white.
void expectPattern(const fs::path& saved, int width, int height, int pictureWidth,
                   int pictureHeight, int xOffset = 0) {
    std::string error;
    auto image = sim::readPpm(saved.string(), error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->width(), width);
    ASSERT_EQ(image->height(), height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int px = x + xOffset;
            Colour want = px < pictureWidth && y < pictureHeight ? stripes(px, y) : White;
            wrong += image->pixel(x, y) != want;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(PhoneEndToEnd, DownloadToEdawPhoneWithinTheProtocolBudget) {
    Bench bench("edaw");
    bench.phone(2, {"--profile", "edaw", "--buffer", "512"});
    fs::path pfo = writePortfolio(bench, 101, 80);
    auto run = bench.pixelon("send " + pfo.string() + " --id 5 --port 2 --phone-type 9 --log " +
                             (bench.dir() / "comms.log").string());
    ASSERT_EQ(run.status, 0) << run.err;
    expectPattern(bench.saved(2, 0, 0), 101, 80, 101, 80);

    // The same exchange on a fake clock gives the sleeps and polls the protocol sets. The
    // picture data adds its line time (ten bits a byte at 9600 baud); commands and answers are
    // short enough to pass during the sleeps around them.
    test::PhoneRig rig;
    SimProfile profile;
    profile.bufferSize = 512;
    rig.attach(2, profile);
    Surface s(101, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 101; ++x)
            s.setPixel(x, y, stripes(x, y));
    DownloadRequest request{s, s.bounds(), 101, 80, 0, 0, ApplicationType::Kinetto};
    ASSERT_EQ(DownloadPicture(rig.link, 2, request), 2);
    const double sleeps = rig.clock.totalSlept() / 1000.0;
    const double dataBytes = 2.0 * 1010 + 2; // hexadecimal text and Ctrl-Z of two chunks
    const double mandated = sleeps + dataBytes * 10.0 / 9600.0;
    std::printf("101x80 download: %.2f s measured; %.2f s sleeps and polls + %.2f s line = "
                "%.2f s mandated (%+.1f%%)\n",
                run.seconds, sleeps, mandated - sleeps, mandated,
                (run.seconds / mandated - 1) * 100);
    EXPECT_LT(run.seconds, mandated * 1.10);
}

TEST(PhoneEndToEnd, DownloadToWallpaperPhone) {
    Bench bench("wallpaper");
    bench.phone(1, {"--profile", "wallpaper", "--baud", "0"});
    fs::path pfo = writePortfolio(bench, 101, 54);
    auto run = bench.pixelon("send " + pfo.string() + " --id 5 --port 1 --phone-type 10");
    ASSERT_EQ(run.status, 0) << run.err;
    expectPattern(bench.saved(1, 1, 0), 101, 54, 101, 54);
}

TEST(PhoneEndToEnd, DownloadToLargeWallpaperPhone) {
    // The larger model shows 101 x 80; the picture sits in its top rows.
    Bench bench("wallpaper80");
    bench.phone(3, {"--profile", "wallpaper", "--model", "HX214", "--baud", "0"});
    fs::path pfo = writePortfolio(bench, 101, 54);
    auto run = bench.pixelon("send " + pfo.string() + " --id 5 --port 3 --phone-type 9");
    ASSERT_EQ(run.status, 0) << run.err;
    expectPattern(bench.saved(3, 1, 0), 101, 80, 101, 54);
}

TEST(PhoneEndToEnd, BackgroundToThreeApplicationPhoneSlot) {
    Bench bench("three");
    bench.phone(1, {"--profile", "three", "--baud", "0"});
    fs::path pfo = writePortfolio(bench, 60, 30);
    auto run = bench.pixelon("send " + pfo.string() +
                             " --id 5 --port 1 --phone-type 4 --app-type background --number 3");
    ASSERT_EQ(run.status, 0) << run.err;
    expectPattern(bench.saved(1, 1, 2), 73, 39, 60, 30);
}

TEST(PhoneEndToEnd, EmsPictureInThreePieces) {
    Bench bench("ems");
    bench.phone(1, {"--profile", "three", "--baud", "0"});
    fs::path pfo = writePortfolio(bench, 96, 32);
    auto run = bench.pixelon("send " + pfo.string() +
                             " --id 5 --port 1 --phone-type 4 --app-type ems --number 4");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("EMS Picture Sent."), std::string::npos);
    // Numbers 4, 5, 6 are slots 3, 4, 5: columns 32-63, 64-95, then 0-31.
    expectPattern(bench.saved(1, 2, 3), 32, 32, 96, 32, 32);
    expectPattern(bench.saved(1, 2, 4), 32, 32, 96, 32, 64);
    expectPattern(bench.saved(1, 2, 5), 32, 32, 96, 32, 0);
}

TEST(PhoneEndToEnd, UploadIntoANewPortfolio) {
    Bench bench("upload");
    Surface served(101, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 101; ++x)
            served.setPixel(x, y, stripes(x, y));
    fs::path ppm = bench.dir() / "served.ppm";
    ASSERT_TRUE(sim::writePpm(ppm.string(), served));
    bench.phone(1, {"--profile", "edaw", "--serve", ppm.string(), "--baud", "0"});
    fs::path out = bench.dir() / "received.pfo";
    auto run = bench.pixelon("receive -o " + out.string() + " --port 1");
    ASSERT_EQ(run.status, 0) << run.err;
    CPortfolio portfolio;
    RecordingFeedback feedback;
    ASSERT_TRUE(portfolio.ReadFile(out, feedback));
    EXPECT_EQ(portfolio.m_strName, "MyPortfolio");
    ASSERT_EQ(portfolio.Count(), 1);
    const CPicture& p = portfolio.Picture(0);
    EXPECT_EQ(p.m_nId, 1);
    ASSERT_EQ(p.m_nWidth, 101);
    ASSERT_EQ(p.m_nHeight, 80);
    int wrong = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 101; ++x)
            wrong += p.PixelColour(x, y) != stripes(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST(PhoneEndToEnd, SearchSummaryShowsSilentAndErrorPorts) {
    Bench bench("search");
    bench.phone(1, {"--profile", "silent", "--baud", "0"});
    bench.phone(2, {"--profile", "error", "--baud", "0"});
    bench.phone(4, {"--profile", "edaw", "--baud", "0"});
    auto run = bench.pixelon("search");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "COM1: No response from Mobile\n"
                       "COM2: No response from Mobile\n"
                       "COM3: Cannot open port (No such file or directory)\n"
                       "COM4: Found Phone supporting application:\n"
                       "  Kinetto  (101 x 80 - 2 clr)\n"
                       "COM5: Cannot open port (No such file or directory)\n"
                       "COM6: Cannot open port (No such file or directory)\n"
                       "COM7: Cannot open port (No such file or directory)\n"
                       "COM8: Cannot open port (No such file or directory)\n");
}

TEST(PhoneEndToEnd, SimulatedPhoneMakesItsSaveFolderAndRefusesWhatItCannotStore) {
    Bench bench("savedir");
    // A missing folder is made; the picture lands in it.
    fs::path fresh = bench.dir() / "new" / "folder";
    bench.phone(1, {"--profile", "edaw", "--baud", "0", "--save-dir", fresh.string()});
    // A picture that cannot be written (a folder stands where the file goes) is refused.
    fs::path blocked = bench.dir() / "blocked";
    fs::create_directories(blocked / "download-0-0.ppm");
    bench.phone(2, {"--profile", "edaw", "--baud", "0", "--save-dir", blocked.string()});
    fs::path pfo = writePortfolio(bench, 101, 80);

    auto good = bench.pixelon("send " + pfo.string() + " --id 5 --port 1 --phone-type 9");
    EXPECT_EQ(good.status, 0) << good.err;
    expectPattern(fresh / "download-0-0.ppm", 101, 80, 101, 80);

    auto bad = bench.pixelon("send " + pfo.string() + " --id 5 --port 2 --phone-type 9");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("Error downloading Image data..."), std::string::npos) << bad.err;

    // A save folder that is a file: the simulated phone does not start.
    fs::path file = bench.dir() / "plain-file";
    { std::ofstream(file) << "x"; }
    std::string command = "'" + (binaryDir() / "tools/phonesim/phonesim").string() + "' --link '" +
                          (bench.dir() / "never").string() + "' --save-dir '" + file.string() +
                          "' --timeout 5 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_FALSE(fs::exists(bench.dir() / "never"));
}

TEST(PhoneEndToEnd, SendWithoutPhoneListsEveryPortTried) {
    Bench bench("nophone");
    bench.phone(1, {"--profile", "silent", "--baud", "0"});
    fs::path pfo = writePortfolio(bench, 10, 10);
    auto run = bench.pixelon("send " + pfo.string() + " --id 5 --port 2 --phone-type 9 --device " +
                             (bench.dir() / "nothing").string() + " --log " +
                             (bench.dir() / "c.log").string());
    EXPECT_EQ(run.status, 1);
    std::string summary = "Unable to find any suitable mobile\n\nCOM1: No response from Mobile\n";
    for (int port = 2; port <= 8; ++port)
        summary +=
            "COM" + std::to_string(port) + ": Cannot open port (No such file or directory)\n";
    EXPECT_NE(run.err.find(summary), std::string::npos) << run.err;
}

TEST(PhoneEndToEnd, UnplugAndFaultsEndTheTransfer) {
    Bench bench("unplug");
    bench.phone(1, {"--profile", "edaw", "--baud", "0", "--unplug-after", "900"});
    bench.phone(2, {"--profile", "edaw", "--baud", "0", "--fault", "no-size"});
    bench.phone(3, {"--profile", "edaw", "--baud", "0", "--stall-after", "3"});
    fs::path pfo = writePortfolio(bench, 101, 80);
    for (int port = 1; port <= 3; ++port) {
        fs::path log = bench.dir() / ("comms" + std::to_string(port) + ".log");
        auto run = bench.pixelon("send " + pfo.string() + " --id 5 --phone-type 9 --port " +
                                 std::to_string(port) + " --log " + log.string());
        EXPECT_EQ(run.status, 1) << port;
        EXPECT_NE(run.err.find("Error downloading Image data..."), std::string::npos) << run.err;
        EXPECT_LT(run.seconds, 30.0);
        EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
        if (port == 1) {
            EXPECT_NE(readText(log).find("Error #5: \"Input/output error\""), std::string::npos);
        }
    }
}

TEST(PhoneEndToEnd, GarbageAndFloodingPhonesAreNotPhones) {
    Bench bench("garbage");
    bench.phone(1, {"--profile", "edaw", "--baud", "0", "--fault", "garbage"});
    bench.phone(2, {"--profile", "edaw", "--baud", "0", "--fault", "flood"});
    fs::path pfo = writePortfolio(bench, 101, 80);
    auto run = bench.pixelon("send " + pfo.string() + " --id 5 --phone-type 9 --port 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Unable to find any suitable mobile\n\nCOM1: No response from Mobile\n"
                           "COM2: No response from Mobile\n"
                           "COM3: Cannot open port (No such file or directory)\n"),
              std::string::npos)
        << run.err;
    EXPECT_LT(run.seconds, 40.0);
}

} // namespace
} // namespace pixelon::e2e

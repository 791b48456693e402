// The "Send File to Phone" dialog's logic, driven without a window over in-memory receivers.

#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "ObexStreams.h"
#include "phone/obex/SendFile.h"
#include "tests/support/TempDir.h"

namespace pixelon::obex {
namespace {

using test::pattern;
using test::ReceiverPeer;

void writeBytes(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Bytes readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A gateway with phones whose lines go to in-memory receivers; `available` switches them.
struct Rig {
    ReceiverPeer peer;
    bool available = true;
    std::function<Bytes(std::span<const std::uint8_t>)> override; // replaces the receiver
    std::vector<std::filesystem::path> written;                   // temporary files made
    Bytes pictureBytes = pattern(300);
    pixelon::test::TempDir dir{"pixelon-sendfile"};

    GatewayFactory factory(int phones = 1) {
        return [this, phones] {
            GatewayOptions o;
            o.responseTimeoutMs = 100;
            o.open = [this](const ObexAddress&, std::string& error) -> std::unique_ptr<ObexStream> {
                if (!available) {
                    error = "refused";
                    return nullptr;
                }
                if (override)
                    return std::make_unique<test::ScriptedStream>(override);
                return peer.stream();
            };
            std::vector<PhoneConnection> list;
            for (int i = 0; i < phones; ++i)
                list.push_back({"Desk", "tcp:127.0.0.1:650", "Maker", "M1"});
            return std::make_unique<CHandsetGateway>(list, o);
        };
    }
    PictureWriters writers() {
        auto write = [this](const CPicture&, const std::filesystem::path& p) {
            written.push_back(p);
            writeBytes(p, pictureBytes);
            return true;
        };
        return {write, write, write};
    }
    SendFileLogic::Setup setup(int pictures, int type = 1,
                               ApplicationType app = ApplicationType::Kinetto, int exportKind = 0) {
        SendFileLogic::Setup s;
        for (int i = 0; i < pictures; ++i) {
            CPicture p;
            p.Create(8, 8, i + 1);
            s.pictures.push_back(p);
        }
        s.phoneType = type;
        s.app = app;
        s.lastExportKind = exportKind;
        s.createGateway = factory();
        s.writers = writers();
        SendFileLogic::nextPhoneIndex() = 0;
        return s;
    }
};

bool contains(const std::string& log, std::string_view text) {
    return log.find(text) != std::string::npos;
}

TEST(SendFileDialog, PlainFileSend) {
    Rig rig;
    SendFileLogic logic(rig.setup(0));
    logic.start();
    EXPECT_EQ(logic.title(), "Send File to Phone");
    EXPECT_FALSE(logic.sendVisible()) << "hidden until a file is chosen";
    EXPECT_TRUE(logic.chooseVisible());
    EXPECT_EQ(logic.log(), "Choose File to Send to Phone, or press Done\r\n  to return to your "
                           "Picture Portfolio.\r\nStarting communications\r\n...\r\nHandset "
                           "Gateway initialized\r\nPhones in HGW usage list: 1\r\n\r\n"
                           "Maker,M1 is connected.\r\n");
    std::filesystem::path file = rig.dir.path / "tone.imy";
    Bytes data = pattern(249 * 2);
    writeBytes(file, data);
    logic.fileChosen(file);
    EXPECT_EQ(logic.title(), "Send tone.imy to phone");
    EXPECT_TRUE(logic.sendVisible());
    EXPECT_TRUE(logic.onSend());
    EXPECT_EQ(logic.lastResponse(), RspSuccess);
    EXPECT_TRUE(contains(logic.log(), "OBEX connect:  succeeded!\r\nBeginning to Send file to "
                                      "phone...\r\nSending " +
                                          file.string() +
                                          "\r\nfile size: 498\r\nFinished sending file\r\nOBEX "
                                          "disconnected successfully\r\n"))
        << logic.log();
    ASSERT_EQ(rig.peer.objects.size(), 1u);
    EXPECT_EQ(rig.peer.objects[0].first, "tone.imy");
    EXPECT_EQ(rig.peer.objects[0].second, data);
}

TEST(SendFileDialog, NoPhoneKeepsLooking) {
    Rig rig;
    rig.available = false;
    SendFileLogic logic(rig.setup(0));
    logic.start();
    EXPECT_TRUE(logic.timerRunning());
    for (int i = 0; i < 20; ++i)
        logic.onTimer();
    // "Looking for Phone" on the first and the twenty-first search, dots between.
    EXPECT_TRUE(contains(logic.log(), "\r\nLooking for Phone...................\r\nLooking for "
                                      "Phone"))
        << logic.log();
    std::filesystem::path file = rig.dir.path / "a.vcf";
    writeBytes(file, pattern(10));
    logic.fileChosen(file);
    EXPECT_FALSE(logic.onSend());
    EXPECT_TRUE(contains(logic.log(), "\r\nWait a few seconds...then try again to send.\r\n"));
    EXPECT_TRUE(logic.timerRunning());
    // The phone appears: the next tick finds it and stops the timer.
    rig.available = true;
    logic.onTimer();
    EXPECT_FALSE(logic.timerRunning());
    EXPECT_TRUE(logic.log().ends_with("\r\nMaker,M1 is connected.\r\n")) << logic.log();
}

TEST(SendFileDialog, MissingGatewayDisablesSending) {
    Rig rig;
    auto s = rig.setup(1);
    s.createGateway = [] { return std::unique_ptr<CHandsetGateway>(); };
    SendFileLogic logic(std::move(s));
    logic.start();
    EXPECT_FALSE(logic.sendVisible());
    EXPECT_FALSE(logic.chooseVisible());
    EXPECT_TRUE(contains(logic.log(), "does not seem to be installed"));
    EXPECT_FALSE(logic.onSend());
}

TEST(SendFileDialog, GifPictureInAPrivateFolder) {
    Rig rig;
    rig.pictureBytes = pattern(700);
    // A file of the user's with the temporary file's name must survive the send.
    std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(rig.dir.path);
    writeBytes(rig.dir.path / "picture.gif", Bytes{'m', 'i', 'n', 'e'});
    SendFileLogic logic(rig.setup(1, 1));
    logic.start();
    EXPECT_EQ(logic.title(), "Send Picture to Phone");
    EXPECT_FALSE(logic.chooseVisible());
    EXPECT_TRUE(contains(logic.log(), "Maker,M1 is connected: Push SEND button below.\r\n[Desk] "
                                      "#tcp:127.0.0.1:650\r\n"));
    bool ok = logic.onSend();
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(ok) << logic.log();
    EXPECT_EQ(readBytes(rig.dir.path / "picture.gif"), (Bytes{'m', 'i', 'n', 'e'}));
    ASSERT_EQ(rig.written.size(), 1u);
    EXPECT_EQ(rig.written[0].filename(), "picture.gif");
    EXPECT_NE(rig.written[0].parent_path(), rig.dir.path);
    EXPECT_FALSE(std::filesystem::exists(rig.written[0].parent_path())) << "folder removed";
    ASSERT_EQ(rig.peer.objects.size(), 1u);
    EXPECT_EQ(rig.peer.objects[0].first, "picture.gif");
    EXPECT_EQ(rig.peer.objects[0].second, rig.pictureBytes);
    EXPECT_TRUE(contains(logic.log(), "Creating GIF file for sending Picture\r\n"));
    EXPECT_TRUE(contains(logic.log(), "Some Phones limited to: 600 max GIF size\r\nSending "
                                      "Picture file: size is 700 bytes\r\n"));
    EXPECT_TRUE(contains(logic.log(), "Removed temporary GIF file, picture sent!\r\n"));
}

TEST(SendFileDialog, FailedPictureIsNotReportedAsSent) {
    Rig rig;
    rig.override = [](std::span<const std::uint8_t> req) {
        return req[0] == OpConnect ? ConnectResponse(RspSuccess, 0x400) : Response(0xC0);
    };
    SendFileLogic logic(rig.setup(1, 1));
    logic.start();
    EXPECT_FALSE(logic.onSend());
    EXPECT_TRUE(contains(logic.log(), "Obex Header failed. Try again to Send.\r\n"));
    EXPECT_TRUE(contains(logic.log(), "0xC0 (Bad Request)"));
    EXPECT_FALSE(contains(logic.log(), "picture sent!"));
    EXPECT_TRUE(contains(logic.log(), "Removed temporary GIF file\r\n"));
    ASSERT_EQ(rig.written.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(rig.written[0].parent_path()));
}

TEST(SendFileDialog, EmsPartsGoLastPartFirst) {
    Rig rig;
    SendFileLogic logic(rig.setup(3, 12, ApplicationType::VistrelEms));
    logic.start();
    ASSERT_TRUE(logic.onSend()) << logic.log();
    ASSERT_EQ(rig.peer.objects.size(), 3u);
    EXPECT_EQ(rig.peer.objects[0].first, "EMS3.wbmp");
    EXPECT_EQ(rig.peer.objects[1].first, "EMS2.wbmp");
    EXPECT_EQ(rig.peer.objects[2].first, "EMS1.wbmp");
    const std::string& log = logic.log();
    EXPECT_TRUE(contains(log, "Creating WBMP files for sending EMS Picture\r\nOBEX connect:  "
                              "succeeded!\r\nCreating WBMP file for sending EMS Picture\r\n"
                              "Beginning to Send...Press YES on phone:\r\n"));
    EXPECT_LT(log.find("Part3 of Picture sent!"), log.find("Picture part2 sent!"));
    EXPECT_TRUE(contains(log, "EMS picture sent!\r\nWrite a new Message & Insert all 3 parts\r\n"));
    EXPECT_TRUE(log.ends_with("Removed temporary WBMP file\r\n\r\n")) << log;
    for (auto& p : rig.written)
        EXPECT_FALSE(std::filesystem::exists(p.parent_path()));
}

TEST(SendFileDialog, JpegWhenThePhoneTakesIt) {
    Rig rig;
    SendFileLogic logic(rig.setup(1, 0));
    logic.start();
    ASSERT_TRUE(logic.onSend());
    ASSERT_EQ(rig.peer.objects.size(), 1u);
    EXPECT_EQ(rig.peer.objects[0].first, "picture.jpg");
    EXPECT_TRUE(contains(logic.log(), "Creating JPG file for sending Picture\r\n  to instead Send "
                                      "as GIF, select HX201 type\r\n"));
    EXPECT_TRUE(contains(logic.log(), "Removed temporary JPG file, picture sent!\r\n"));
}

TEST(SendFileDialog, PictureKindByPhoneTypeAndLastExport) {
    using K = PictureFileKind;
    const auto kinetto = ApplicationType::Kinetto, ems = ApplicationType::VistrelEms;
    EXPECT_EQ(PictureFileKindFor(0, kinetto, 0), K::Jpeg);
    EXPECT_EQ(PictureFileKindFor(0, ems, 0), K::Wbmp);
    EXPECT_EQ(PictureFileKindFor(3, kinetto, 2), K::Wbmp);
    EXPECT_EQ(PictureFileKindFor(12, kinetto, 0), K::Gif);
    EXPECT_EQ(PictureFileKindFor(13, kinetto, 1), K::Jpeg);
    EXPECT_EQ(PictureFileKindFor(14, kinetto, 2), K::Wbmp);
    EXPECT_EQ(PictureFileKindFor(1, kinetto, 1), K::Gif);
    EXPECT_EQ(PictureFileKindFor(1, kinetto, 2), K::Gif);
    EXPECT_EQ(PictureFileKindFor(6, ems, 2), K::Gif);
}

TEST(SendFileDialog, RefusedFileTypeAndUnreadableFile) {
    Rig rig;
    rig.override = [](std::span<const std::uint8_t> req) {
        return req[0] == OpConnect ? ConnectResponse(RspSuccess, 0x400) : Response(0xCF);
    };
    SendFileLogic logic(rig.setup(0));
    logic.start();
    std::filesystem::path file = rig.dir.path / "theme.thm";
    writeBytes(file, pattern(5));
    logic.fileChosen(file);
    EXPECT_FALSE(logic.onSend());
    EXPECT_TRUE(contains(logic.log(), "Obex Header failed. Phone might not support FileType.\r\n"));
    EXPECT_TRUE(contains(logic.log(), "OBEX disconnected successfully") ||
                contains(logic.log(), "OBEX disconnect failed"));

    Rig other;
    SendFileLogic missing(other.setup(0));
    missing.start();
    missing.fileChosen(other.dir.path / "gone.mid");
    EXPECT_FALSE(missing.onSend());
    EXPECT_TRUE(contains(missing.log(), "Unable to open file for sending\r\n"));
}

} // namespace
} // namespace pixelon::obex

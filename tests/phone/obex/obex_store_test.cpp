// How a receiver stores pushed objects: links in the folder are never followed, a failure is
// answered with an error code and leaves the folder as it was, every name keeps its own file.

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "phone/obex/ObexReceiver.h"
#include "tests/support/TempDir.h"

namespace pixelon::obex {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.insert(e.path().filename().string());
    return out;
}

TEST(ObexStore, LinksInTheFolderAreReplacedNeverFollowed) {
    test::TempDir dir("obex-links");
    const fs::path save = dir.path / "save", outside = dir.path / "outside.txt";
    fs::create_directories(save);
    std::ofstream(outside) << "keep me";
    fs::create_symlink(outside, save / "card.vcf");
    fs::create_symlink(dir.path / "created-through-link", save / "dangling.vcf");

    EXPECT_TRUE(StoreObject(save, "card.vcf", bytes("BEGIN:VCARD")).stored());
    EXPECT_TRUE(StoreObject(save, "dangling.vcf", bytes("x")).stored());

    EXPECT_EQ(read(outside), "keep me");
    EXPECT_FALSE(fs::exists(dir.path / "created-through-link"));
    EXPECT_FALSE(fs::is_symlink(save / "card.vcf"));
    EXPECT_EQ(read(save / "card.vcf"), "BEGIN:VCARD");
    EXPECT_FALSE(fs::is_symlink(save / "dangling.vcf"));
    EXPECT_EQ(entries(save), (std::set<std::string>{"card.vcf", "dangling.vcf"}));
}

TEST(ObexStore, FailuresAreAnsweredWithACodeAndLeaveTheFolderAsItWas) {
    test::TempDir dir("obex-fail");
    const fs::path save = dir.path;
    StoreResult ok = StoreObject(save, "old.bin", bytes("previous"));
    ASSERT_TRUE(ok.stored()) << ok.error;

    StoreResult longName = StoreObject(save, std::string(300, 'n'), bytes("data"));
    EXPECT_EQ(longName.code, RspBadRequest);
    EXPECT_EQ(longName.error, "File name too long");

    fs::create_directory(save / "folder.bin");
    StoreResult inTheWay = StoreObject(save, "folder.bin", bytes("data"));
    EXPECT_EQ(inTheWay.code, RspConflict) << inTheWay.error;
    EXPECT_TRUE(fs::is_directory(save / "folder.bin"));

    StoreResult missing = StoreObject(save / "nowhere", "a.bin", bytes("data"));
    EXPECT_FALSE(missing.stored());

    // A full disk, as a file size limit: the previous object stays whole.
    struct sigaction ignore {
    }, saved{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &saved);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    StoreResult full = StoreObject(save, "old.bin", Bytes(100, 7));
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::sigaction(SIGXFSZ, &saved, nullptr);
    EXPECT_EQ(full.code, RspDatabaseFull);
    EXPECT_EQ(full.error, "File too large");
    EXPECT_EQ(read(save / "old.bin"), "previous");

    EXPECT_EQ(entries(save), (std::set<std::string>{"old.bin", "folder.bin"}));
}

TEST(ObexStore, EveryAnnouncedNameKeepsItsOwnFile) {
    test::TempDir dir("obex-names");
    const std::string names[] = {".", "..", "", "a\nb", std::string("a\0b", 3), "ab", "x/../y"};
    int i = 0;
    std::set<std::string> stored;
    for (const std::string& name : names) {
        StoreResult r = StoreObject(dir.path, name, bytes(std::to_string(i++)));
        ASSERT_TRUE(r.stored()) << r.error;
        stored.insert(r.storedName);
    }
    EXPECT_EQ(stored.size(), 7u);
    // What is stored is what the receiver shows: the escaped name is the file's name.
    EXPECT_EQ(entries(dir.path), stored);
    EXPECT_EQ(read(dir.path / "a\\x0Ab"), "3");
    EXPECT_EQ(read(dir.path / "a\\x00b"), "4");
    EXPECT_EQ(read(dir.path / "\\x2E\\x2E"), "1");
    EXPECT_EQ(read(dir.path / "y"), "6");
}

TEST(ObexStore, TheReceiverAnswersWhatTheStoreSays) {
    ObexReceiver r;
    r.setObjectListener([](const std::string&, const Bytes&) { return RspDatabaseFull; });
    r.receive(ConnectRequest(0x2000));
    Bytes put = PutRequest(NameHeader(u"big.bin"), false);
    EXPECT_EQ(r.receive(put), Response(RspContinue));
    Bytes last = PutRequest(BodyHeader(bytes("abc"), true), true);
    EXPECT_EQ(r.receive(last), Response(RspDatabaseFull));
    EXPECT_EQ(r.objectsReceived(), 0);
}

} // namespace
} // namespace pixelon::obex

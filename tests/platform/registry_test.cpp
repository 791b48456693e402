#include <gtest/gtest.h>

#include "platform/Registry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include "tests/support/TempDir.h"

using namespace pixelon;
namespace fs = std::filesystem;

namespace {

using pixelon::test::TempDir;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeText(const fs::path& p, std::string_view text) {
    std::ofstream(p, std::ios::binary) << text;
}

HiveData parse(std::string_view text, std::string_view root = "HKEY_CURRENT_USER") {
    HiveData data;
    EXPECT_TRUE(HiveData::fromRegText(text, root, data)) << text;
    return data;
}

} // namespace

TEST(RegText, WritesTheExportFormat) {
    HiveData d;
    d.setValue("Software\\Kivo Norvane\\Vistrel\\Settings", "ComPort", std::uint32_t{10});
    d.setValue("Software\\Kivo Norvane\\Vistrel\\Settings", "UserPaletteFile",
               std::string("C:\\pal\\\"x\".p"));
    d.setValue("Software\\Kivo Norvane\\Vistrel\\Settings", "", std::string("def"));
    d.setValue("Software\\Kivo Norvane\\Vistrel\\Settings", "Bin",
               std::vector<std::uint8_t>{0x01, 0x02, 0xff});
    EXPECT_EQ(d.toRegText("HKEY_CURRENT_USER"),
              std::string(kHeader) +
                  "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\Kivo Norvane]\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\Kivo Norvane\\Vistrel]\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\Kivo Norvane\\Vistrel\\Settings]\r\n"
                  "\"ComPort\"=dword:0000000a\r\n"
                  "\"UserPaletteFile\"=\"C:\\\\pal\\\\\\\"x\\\".p\"\r\n"
                  "@=\"def\"\r\n"
                  "\"Bin\"=hex:01,02,ff\r\n\r\n");
}

TEST(RegText, RoundTripsEveryKindOfValue) {
    HiveData d;
    std::vector<std::uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    d.setValue("A", "big", big);
    d.setValue("A", "empty", std::vector<std::uint8_t>{});
    d.setValue("A", "emptyText", std::string());
    d.setValue("A", "max", std::uint32_t{0xFFFFFFFF});
    d.setValue("A", "quote\"and\\slash", std::string("\\\\server\\\"share\"\\"));
    d.setValue("A", "lines", std::string("one\r\ntwo\nthree\0four", 18));
    d.setValue("A", "notUtf8", std::string("\xff\xfe caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\n"));
    d.setValue("A\\B", "", std::uint32_t{3});

    const std::string text = d.toRegText("HKEY_LOCAL_MACHINE");
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2)
        EXPECT_LE(end - start, 80u) << "long binary values wrap onto continuation lines";

    const HiveData back = parse(text, "HKEY_LOCAL_MACHINE");
    for (const std::string& name : d.valueNames("A"))
        EXPECT_EQ(back.value("A", name), d.value("A", name)) << name;
    EXPECT_EQ(back.valueNames("A"), d.valueNames("A"));
    EXPECT_EQ(back.value("a\\b", ""), RegistryValue(std::uint32_t{3}));
    EXPECT_EQ(back.toRegText("HKEY_LOCAL_MACHINE"), text);
}

TEST(RegText, KeyAndValueNamesIgnoreCaseButKeepTheirFirstSpelling) {
    const HiveData d =
        parse(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Verrin]\r\n"
                                     "\"Refcount\"=dword:00000002\r\n");
    // The root here is HKEY_CURRENT_USER, so the machine section is not this hive's.
    EXPECT_FALSE(d.hasKey("Software"));

    HiveData m = parse(std::string(kHeader) + "[hkey_local_machine\\Software\\Norvane\\Verrin]\r\n"
                                              "\"Refcount\"=dword:00000002\r\n",
                       "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(m.value("SOFTWARE\\Norvane\\Verrin", "REFCOUNT"), RegistryValue(std::uint32_t{2}));
    EXPECT_TRUE(m.hasKey("software\\NORVANE"));
    m.setValue("SOFTWARE\\NORVANE\\VERRIN", "refcount", std::uint32_t{3});
    m.setValue("SOFTWARE\\NORVANE\\VERRIN\\Sub", "x", std::uint32_t{1});
    EXPECT_EQ(m.valueNames("software\\norvane\\verrin"), std::vector<std::string>{"Refcount"});
    EXPECT_EQ(m.value("Software\\Norvane\\Verrin", "Refcount"), RegistryValue(std::uint32_t{3}));
    EXPECT_EQ(m.subkeys("software\\norvane"), std::vector<std::string>{"Verrin"});
    EXPECT_EQ(m.subkeys("Software\\Norvane\\Verrin"), std::vector<std::string>{"Sub"});
}

TEST(RegText, SkipsWhatItCannotRead) {
    const HiveData d = parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                             "; a comment\n"
                             "[HKEY_CURRENT_USER\\K]\n"
                             "\"good\"=dword:1\n"
                             "\"tooLong\"=dword:123456789\n"
                             "\"badHex\"=hex:01,zz\n"
                             "\"gap\"=hex:01,,02\n"
                             "\"open\"=\"no end\n"
                             "\"junk\"=\"x\" y\n"
                             "\"qword\"=hex(b):01,00,00,00,00,00,00,00\n"
                             "noquote=dword:1\n"
                             "\"wrapped\"=hex:01,02,\\\n"
                             "  03\n"
                             "\"utf16\"=hex(1):68,00,69,00,00,00\n"
                             "\"asDword\"=hex(4):01,02,00,00\n"
                             "\"lax\"=\"C:\\path\"\n"
                             "[HKEY_CLASSES_ROOT\\Other]\n"
                             "\"foreign\"=dword:1\n"
                             "[HKEY_CURRENT_USER\\Broken\n"
                             "\"afterBroken\"=dword:1\n"
                             "[HKEY_CURRENT_USERX\\Near]\n"
                             "\"near\"=dword:1\n");
    EXPECT_EQ(d.valueNames("K"),
              (std::vector<std::string>{"good", "wrapped", "utf16", "asDword", "lax"}));
    EXPECT_EQ(d.value("K", "wrapped"), RegistryValue(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(d.value("K", "utf16"), RegistryValue(std::string("hi")));
    EXPECT_EQ(d.value("K", "asDword"), RegistryValue(std::uint32_t{0x201}));
    EXPECT_EQ(d.value("K", "lax"), RegistryValue(std::string("C:\\path")));
    EXPECT_EQ(d.subkeys(""), std::vector<std::string>{"K"});
}

TEST(RegText, WithoutTheHeaderTheHiveIsEmpty) {
    HiveData d;
    d.setValue("Old", "v", std::uint32_t{1});
    EXPECT_FALSE(
        HiveData::fromRegText("[HKEY_CURRENT_USER\\K]\n\"v\"=dword:1\n", "HKEY_CURRENT_USER", d));
    EXPECT_FALSE(d.hasKey("K"));
    EXPECT_FALSE(d.hasKey("Old"));
    EXPECT_FALSE(HiveData::fromRegText("", "HKEY_CURRENT_USER", d));
    EXPECT_TRUE(HiveData::fromRegText("REGEDIT4\n", "HKEY_CURRENT_USER", d));
}

TEST(RegText, ReadsUtf16FilesFromTheRegistryEditor) {
    const std::string utf8 =
        std::string(kHeader) + "[HKEY_CURRENT_USER\\K\xc3\xa9]\r\n\"v\"=\"x\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : std::string(kHeader) + "[HKEY_CURRENT_USER\\K")
        utf16 += {static_cast<char>(c), '\0'};
    utf16 += {'\xe9', '\0'};
    for (char c : std::string("]\r\n\"v\"=\"x\"\r\n"))
        utf16 += {c, '\0'};
    EXPECT_EQ(parse(utf16).value("K\xc3\xa9", "v"), parse(utf8).value("K\xc3\xa9", "v"));
}

TEST(HiveData, KeysHaveParentsAndDeleteWithTheirSubkeys) {
    HiveData d;
    d.createKey("\\A\\\\B\\C\\");
    EXPECT_TRUE(d.hasKey("A"));
    EXPECT_TRUE(d.hasKey("a\\b\\c"));
    d.setValue("A\\B2", "v", std::uint32_t{1});
    d.setValue("AB", "v", std::uint32_t{1});
    EXPECT_EQ(d.subkeys("A"), (std::vector<std::string>{"B", "B2"}));
    EXPECT_TRUE(d.deleteKey("a\\B"));
    EXPECT_FALSE(d.hasKey("A\\B\\C"));
    EXPECT_TRUE(d.hasKey("A\\B2")) << "a sibling whose name starts the same survives";
    EXPECT_TRUE(d.hasKey("AB"));
    EXPECT_FALSE(d.deleteKey("A\\B"));
    EXPECT_TRUE(d.deleteValue("ab", "V"));
    EXPECT_FALSE(d.deleteValue("ab", "v"));
    EXPECT_FALSE(d.value("Missing", "v").has_value());
    d.createKey("a\\NEW");
    EXPECT_NE(d.toRegText("R").find("[R\\A\\NEW]"), std::string::npos)
        << "a new key takes its parent's spelling";
}

TEST(Registry, WritesCreateFoldersAndReadsFindTheValues) {
    TempDir dir;
    Registry reg(dir.path / "a" / "user.reg", dir.path / "b" / "machine.reg");
    EXPECT_FALSE(reg.readDword(Hive::CurrentUser, "K", "n").has_value());
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "K"));

    EXPECT_TRUE(reg.writeDword(Hive::CurrentUser, "K", "n", 7));
    EXPECT_TRUE(reg.writeString(Hive::CurrentUser, "K", "s", "text"));
    EXPECT_TRUE(reg.writeBinary(Hive::LocalMachine, "M", "b", {9, 8}));
    EXPECT_EQ(reg.readDword(Hive::CurrentUser, "k", "N"), 7u);
    EXPECT_EQ(reg.readString(Hive::CurrentUser, "K", "s"), "text");
    EXPECT_FALSE(reg.readString(Hive::CurrentUser, "K", "n").has_value()) << "wrong type";
    EXPECT_FALSE(reg.readDword(Hive::LocalMachine, "K", "n").has_value()) << "other hive";
    EXPECT_EQ(reg.readBinary(Hive::LocalMachine, "M", "b"), (std::vector<std::uint8_t>{9, 8}));
    EXPECT_TRUE(readText(dir.path / "b" / "machine.reg").find("[HKEY_LOCAL_MACHINE\\M]") !=
                std::string::npos);

    EXPECT_TRUE(reg.deleteValue(Hive::CurrentUser, "K", "n"));
    EXPECT_FALSE(reg.deleteValue(Hive::CurrentUser, "K", "n"));
    EXPECT_TRUE(reg.deleteKey(Hive::CurrentUser, "K"));
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "K"));

    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path / "a"))
        files += entry.path().filename() != "user.reg.lock";
    EXPECT_EQ(files, 1u) << "no temporary file is left beside the hive";
}

TEST(Registry, UpdateAppliesSeveralChangesInOneWrite) {
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    ASSERT_TRUE(reg.update(Hive::CurrentUser, [](HiveData& d) {
        d.setValue("K", "a", std::uint32_t{1});
        d.setValue("K", "b", std::uint32_t{2});
    }));
    EXPECT_EQ(reg.load(Hive::CurrentUser).valueNames("K"), (std::vector<std::string>{"a", "b"}));
}

TEST(Registry, AnUnwritableHiveFailsQuietlyAndChangesNothing) {
    TempDir dir;
    writeText(dir.path / "file", "x");
    // A folder that is a plain file cannot be created, even by the superuser.
    Registry reg(dir.path / "user.reg", dir.path / "file" / "machine.reg");
    EXPECT_FALSE(reg.writeDword(Hive::LocalMachine, "K", "n", 1));
    EXPECT_FALSE(reg.createKey(Hive::LocalMachine, "K"));
    EXPECT_FALSE(reg.keyExists(Hive::LocalMachine, "K"));
    EXPECT_TRUE(reg.writeDword(Hive::CurrentUser, "K", "n", 1));
}

TEST(Registry, AnUnrecognisableHiveIsReadAsEmptyAndKeptAside) {
    TempDir dir;
    const fs::path user = dir.path / "user.reg";
    writeText(user, "not a hive\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:1\n");
    Registry reg(user, dir.path / "machine.reg");
    EXPECT_FALSE(reg.keyExists(Hive::CurrentUser, "K"));
    ASSERT_TRUE(reg.writeDword(Hive::CurrentUser, "New", "n", 1));
    EXPECT_EQ(readText(fs::path(user.string() + ".bad")).substr(0, 10), "not a hive");
    EXPECT_EQ(reg.readDword(Hive::CurrentUser, "New", "n"), 1u);
}

TEST(Registry, EnvironmentChoosesTheHiveFiles) {
    struct Restore {
        std::vector<std::pair<const char*, std::optional<std::string>>> saved;
        Restore() {
            for (const char* name : {"PIXELON_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"}) {
                const char* v = std::getenv(name);
                saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
            }
        }
        ~Restore() {
            for (const auto& [name, v] : saved)
                v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
        }
    } restore;
    ::setenv("PIXELON_REGISTRY_DIR", "/tmp/regdir", 1);
    Registry a = Registry::fromEnvironment();
    EXPECT_EQ(a.path(Hive::CurrentUser), fs::path("/tmp/regdir/user.reg"));
    EXPECT_EQ(a.path(Hive::LocalMachine), fs::path("/tmp/regdir/machine.reg"));
    ::unsetenv("PIXELON_REGISTRY_DIR");
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    Registry b = Registry::fromEnvironment();
    EXPECT_EQ(b.path(Hive::CurrentUser), fs::path("/tmp/cfg/pixelon/user.reg"));
    EXPECT_EQ(b.path(Hive::LocalMachine), fs::path("/var/lib/pixelon/machine.reg"));
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(Registry::fromEnvironment().path(Hive::CurrentUser),
              fs::path("/tmp/home/.config/pixelon/user.reg"));
}

namespace {

void hammer(Registry reg, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i)
        reg.writeDword(Hive::CurrentUser, "Shared\\Key", prefix + std::to_string(i),
                       static_cast<std::uint32_t>(i));
}

void expectAll(const Registry& reg, const std::vector<std::string>& prefixes, int count) {
    const HiveData d = reg.load(Hive::CurrentUser);
    EXPECT_EQ(d.valueNames("Shared\\Key").size(), prefixes.size() * count);
    for (const auto& prefix : prefixes)
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(d.value("Shared\\Key", prefix + std::to_string(i)),
                      RegistryValue(static_cast<std::uint32_t>(i)))
                << prefix << i;
}

} // namespace

TEST(Registry, ConcurrentThreadsNeverLoseEachOthersValues) {
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    std::thread a(hammer, reg, "a", 60);
    std::thread b(hammer, reg, "b", 60);
    a.join();
    b.join();
    expectAll(reg, {"a", "b"}, 60);
}

TEST(Registry, ConcurrentProcessesNeverLoseEachOthersValues) {
    TempDir dir;
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    std::vector<pid_t> children;
    for (const char* prefix : {"p", "q"}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            hammer(reg, prefix, 60);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    hammer(reg, "r", 60);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    expectAll(reg, {"p", "q", "r"}, 60);
}

TEST(Registry, ALinkedHiveStaysALinkAndAnUnreadableOneIsNeverReplaced) {
    TempDir dir;
    fs::create_directory(dir.path / "dotfiles");
    fs::create_symlink(dir.path / "dotfiles" / "user.reg", dir.path / "user.reg");
    fs::create_directory(dir.path / "machine.reg");
    Registry reg(dir.path / "user.reg", dir.path / "machine.reg");
    ASSERT_TRUE(reg.writeDword(Hive::CurrentUser, "K", "n", 1));
    ASSERT_TRUE(reg.writeDword(Hive::CurrentUser, "K", "m", 2));
    EXPECT_TRUE(fs::is_symlink(dir.path / "user.reg"));
    EXPECT_EQ(reg.readDword(Hive::CurrentUser, "K", "n"), 1u);

    EXPECT_FALSE(reg.writeDword(Hive::LocalMachine, "K", "n", 1));
    EXPECT_TRUE(fs::is_directory(dir.path / "machine.reg"));
}

#include <gtest/gtest.h>

#include "core/RecentFiles.h"

#include <filesystem>

using namespace pixelon;

namespace {

std::vector<std::string> paths(std::initializer_list<const char*> list) {
    return {list.begin(), list.end()};
}

} // namespace

TEST(RecentFiles, AddingMovesAPathToTheFrontWithoutRepeats) {
    CRecentFileList list;
    list.add("/p/a.pfo");
    list.add("/p/b.pfo");
    list.add("/p/./x/../a.pfo");
    list.add("/p/A.pfo");
    list.add("");
    EXPECT_EQ(list.entries(), paths({"/p/A.pfo", "/p/a.pfo", "/p/b.pfo"}));
    EXPECT_TRUE(list.remove("/p/a.pfo"));
    EXPECT_FALSE(list.remove("/p/a.pfo"));
    EXPECT_TRUE(list.removeAt(1));
    EXPECT_FALSE(list.removeAt(1));
    EXPECT_EQ(list.entries(), paths({"/p/A.pfo"}));
}

TEST(RecentFiles, KeepsTheSixteenNewestAndAbsolutePaths) {
    CRecentFileList list;
    for (int i = 0; i < 20; ++i)
        list.add("/f" + std::to_string(i) + ".pfo");
    ASSERT_EQ(list.size(), 16u);
    EXPECT_EQ(list.entries().front(), "/f19.pfo");
    EXPECT_EQ(list.entries().back(), "/f4.pfo");
    list.add("rel.pfo");
    EXPECT_EQ(list.entries().front(), (std::filesystem::current_path() / "rel.pfo").string());
}

TEST(RecentFiles, SavesNumberedValuesAndDropsTheStaleOnes) {
    HiveData hive;
    CRecentFileList list;
    for (const char* p : {"/c.r", "/b.pfo", "/a.pfo"})
        list.add(p);
    list.save(hive);
    EXPECT_EQ(hive.value(kRecentFileKey, "File1"), RegistryValue(std::string("/a.pfo")));
    EXPECT_EQ(hive.value(kRecentFileKey, "File3"), RegistryValue(std::string("/c.r")));

    list.removeAt(0);
    list.save(hive);
    EXPECT_EQ(hive.valueNames(kRecentFileKey), paths({"File1", "File2"}));
    CRecentFileList back;
    back.load(hive);
    EXPECT_EQ(back.entries(), paths({"/b.pfo", "/c.r"}));

    list.clear();
    list.save(hive);
    EXPECT_TRUE(hive.hasKey(kRecentFileKey));
    EXPECT_TRUE(hive.valueNames(kRecentFileKey).empty());
}

TEST(RecentFiles, LoadingSkipsGapsRepeatsAndWrongTypes) {
    HiveData hive;
    hive.setValue(kRecentFileKey, "File2", std::string("/two.pfo"));
    hive.setValue(kRecentFileKey, "File3", std::uint32_t{3});
    hive.setValue(kRecentFileKey, "file4", std::string("/four.pfo"));
    hive.setValue(kRecentFileKey, "File5", std::string("/two.pfo"));
    hive.setValue(kRecentFileKey, "File6", std::string());
    hive.setValue(kRecentFileKey, "File17", std::string("/beyond.pfo"));
    CRecentFileList list;
    list.add("/stale.pfo");
    list.load(hive);
    EXPECT_EQ(list.entries(), paths({"/two.pfo", "/four.pfo"}));
}

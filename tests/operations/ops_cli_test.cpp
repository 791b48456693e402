// The operation commands of the built pixelon on real portfolio files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "core/Picture.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "tests/operations/PortfolioIds.h"
#include "tests/support/TempDir.h"

namespace pixelon {
namespace {

using test::idsOf;
using test::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome run(const TempDir& dir, const std::vector<std::string>& args) {
    const char* binaryDir = std::getenv("PIXELON_BINARY_DIR");
    std::string command = "cd " + quoted(dir.path.string()) + " && timeout 30 " +
                          quoted(std::string(binaryDir ? binaryDir : ".") + "/cli/pixelon");
    for (const auto& a : args)
        command += " " + quoted(a);
    command += " >out.txt 2>err.txt";
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = readText(dir.path / "out.txt");
    outcome.err = readText(dir.path / "err.txt");
    return outcome;
}

// Pictures of 3 x 4 pixels whose row r is grey r (as RGB565), with the given IDs.
void writePortfolio(const std::filesystem::path& path, std::initializer_list<int> ids,
                    std::vector<int> frames = {}) {
    CPortfolio p;
    p.m_strName = "Set";
    for (int id : ids) {
        auto picture = std::make_unique<CPicture>();
        picture->Create(3, 4, id);
        picture->m_nDepth = 16;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 3; ++x) {
                picture->SetPixel(x, y, y == 0 ? 0 : 0xFFFF);
                picture->SetMask(x, y, 1);
            }
        p.InsertSorted(std::move(picture));
    }
    if (!frames.empty()) {
        Animation a;
        a.name = "Walk";
        for (int id : frames)
            a.frames.push_back({id, 0, 0, 0, 100});
        p.m_animations.push_back(a);
    }
    RecordingFeedback quiet;
    ASSERT_TRUE(p.WriteFile(path, quiet));
}

CPortfolio readPortfolio(const std::filesystem::path& path) {
    CPortfolio p;
    RecordingFeedback quiet;
    EXPECT_TRUE(p.ReadFile(path, quiet)) << path;
    return p;
}

TEST(OperationsCli, IdsCheckAndRenumber) {
    TempDir dir;
    writePortfolio(dir.path / "set.pfo", {65, 65, 20}, {65, 20});
    Outcome check = run(dir, {"ids", "set.pfo", "check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "WARNING!\n\n\tDuplicate Portfolio IDs defined in resource.\n\tPlease "
                         "Change Portfolio ID of one of the Pictures with #: 0041 (00065)\n\n");

    Outcome renumber = run(dir, {"ids", "set.pfo", "renumber", "-o", "new.pfo"});
    ASSERT_EQ(renumber.status, 0) << renumber.err;
    CPortfolio renumbered = readPortfolio(dir.path / "new.pfo");
    EXPECT_EQ(idsOf(renumbered), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(renumbered.m_animations.size(), std::size_t(1));
    EXPECT_EQ(renumbered.m_animations[0].frames[0].id, 2);
    EXPECT_EQ(renumbered.m_animations[0].frames[1].id, 1);
    EXPECT_EQ(idsOf(readPortfolio(dir.path / "set.pfo")), (std::vector<int>{20, 65, 65}));

    Outcome ok = run(dir, {"ids", "new.pfo", "check"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "Portfolio OK.\n\n\tNo Duplicate Portfolio IDs found in resource.\n\t3 "
                      "Portfolio IDs checked.\n\n");
}

TEST(OperationsCli, HeightOnAListOfIds) {
    TempDir dir;
    writePortfolio(dir.path / "set.pfo", {1, 5, 6, 9});
    Outcome shift = run(dir, {"height", "set.pfo", "shift", "2", "--ids", "1,5-6"});
    ASSERT_EQ(shift.status, 0) << shift.err;
    CPortfolio p = readPortfolio(dir.path / "set.pfo");
    EXPECT_EQ(p.Picture(0).m_nHeight, 4);
    EXPECT_EQ(p.Picture(0).GetPixel(0, 2), 0); // the black top row moved down two rows
    EXPECT_EQ(p.Picture(0).GetPixel(0, 0), 0xFFFF);
    EXPECT_EQ(p.Picture(3).GetPixel(0, 0), 0); // 9 was not in the list

    // A negative V shifts up; it must not be taken for an option.
    Outcome up = run(dir, {"height", "set.pfo", "shift", "-2", "--ids", "1", "-o", "up.pfo"});
    ASSERT_EQ(up.status, 0) << up.err;
    CPortfolio shiftedUp = readPortfolio(dir.path / "up.pfo");
    EXPECT_EQ(shiftedUp.Picture(0).m_nHeight, 4);
    EXPECT_EQ(shiftedUp.Picture(0).GetPixel(0, 0), 0); // the black row 2 moved to the top
    EXPECT_EQ(shiftedUp.Picture(0).GetPixel(0, 3), 0xFFFF);

    Outcome crop = run(dir, {"height", "set.pfo", "crop", "1,1,3", "-o", "crop.pfo"});
    ASSERT_EQ(crop.status, 0) << crop.err;
    EXPECT_EQ(readPortfolio(dir.path / "crop.pfo").Picture(2).m_nHeight, 2);

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"height", "set.pfo", "crop", "1,1"},
             {"height", "set.pfo", "crop", "31,0,0"},
             {"height", "set.pfo", "shift", "-31"},
             {"height", "set.pfo", "grow", "1"},
             {"height", "set.pfo", "shift", "1", "--ids", "9-1"},
             {"height", "set.pfo", "shift", "1", "--ids", "300"}}) {
        Outcome refused = run(dir, bad);
        EXPECT_EQ(refused.status, 1) << bad[3];
        EXPECT_FALSE(refused.err.empty());
    }

    // A damaged portfolio is named in the message, and nothing is written.
    std::ofstream(dir.path / "cut.pfo") << readText(dir.path / "set.pfo").substr(0, 200);
    Outcome damaged = run(dir, {"height", "cut.pfo", "shift", "1", "-o", "never.pfo"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("cut.pfo:"), std::string::npos) << damaged.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path / "never.pfo"));
    for (const auto& reader :
         std::vector<std::vector<std::string>>{{"anim", "cut.pfo", "--list"},
                                               {"fnt", "cut.pfo", "-o", "never.fnt"},
                                               {"print", "cut.pfo", "-o", "never.pdf"},
                                               {"sheet", "cut.pfo", "-o", "never.gif"}}) {
        Outcome refused = run(dir, reader);
        EXPECT_EQ(refused.status, 1) << reader[0];
        EXPECT_NE(refused.err.find("cut.pfo:"), std::string::npos) << refused.err;
    }
}

TEST(OperationsCli, MergeKeepsOneSide) {
    TempDir dir;
    writePortfolio(dir.path / "ours.pfo", {1, 5});
    writePortfolio(dir.path / "theirs.pfo", {5, 7});
    ASSERT_EQ(run(dir, {"merge", "ours.pfo", "theirs.pfo", "--keep", "ours", "-o", "o.pfo"}).status,
              0);
    EXPECT_EQ(idsOf(readPortfolio(dir.path / "o.pfo")), (std::vector<int>{1, 5, 7}));
    ASSERT_EQ(run(dir, {"merge", "ours.pfo", "theirs.pfo", "-o", "b.pfo"}).status, 0);
    EXPECT_EQ(idsOf(readPortfolio(dir.path / "b.pfo")), (std::vector<int>{1, 5, 5, 7}));
    Outcome missing = run(dir, {"merge", "ours.pfo", "nothing.pfo"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos);
    EXPECT_EQ(run(dir, {"merge", "ours.pfo", "theirs.pfo", "--keep", "mine"}).status, 1);
}

TEST(OperationsCli, PictureCommands) {
    TempDir dir;
    ASSERT_EQ(run(dir, {"picture", "new.pfo", "new", "3", "2x5"}).status, 0);
    CPortfolio made = readPortfolio(dir.path / "new.pfo");
    ASSERT_EQ(made.Count(), 1);
    EXPECT_EQ(made.Picture(0).m_nWidth, 2);
    EXPECT_EQ(made.Picture(0).GetPixel(1, 4), 0xFFFF);

    writePortfolio(dir.path / "set.pfo", {1, 2}, {1, 2, 1});
    ASSERT_EQ(run(dir, {"picture", "set.pfo", "set-id", "1", "40"}).status, 0);
    ASSERT_EQ(run(dir, {"picture", "set.pfo", "duplicate", "40", "41"}).status, 0);
    ASSERT_EQ(run(dir, {"picture", "set.pfo", "delete", "2"}).status, 0);
    CPortfolio p = readPortfolio(dir.path / "set.pfo");
    EXPECT_EQ(idsOf(p), (std::vector<int>{40, 41}));
    EXPECT_EQ(p.m_animations[0].frames.size(), std::size_t(2));
    EXPECT_EQ(p.m_animations[0].frames[1].id, 40);

    EXPECT_EQ(run(dir, {"picture", "set.pfo", "delete", "99"}).status, 1);
    EXPECT_EQ(run(dir, {"picture", "set.pfo", "new", "70000", "2x2"}).status, 1);
    EXPECT_EQ(run(dir, {"picture", "set.pfo", "new", "7", "0x2"}).status, 1);
    EXPECT_EQ(idsOf(readPortfolio(dir.path / "set.pfo")), (std::vector<int>{40, 41}));
    for (const char* command : {"ids", "height", "merge", "picture"}) {
        Outcome help = run(dir, {command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: pixelon ", 0), 0u) << command;
    }
    // The help states the sizes a new picture keeps.
    const std::string help = run(dir, {"picture", "--help"}).out;
    EXPECT_NE(help.find("W 1..1300 and H 1..1360"), std::string::npos);
    EXPECT_EQ(help.find("1280"), std::string::npos);
}

TEST(OperationsCli, RenumberSaysHowManyPicturesItRenumbered) {
    TempDir dir;
    writePortfolio(dir.path / "empty.pfo", {});
    Outcome none = run(dir, {"ids", "empty.pfo", "renumber", "-o", "out.pfo"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "No pictures to renumber\n");
    writePortfolio(dir.path / "one.pfo", {9});
    EXPECT_EQ(run(dir, {"ids", "one.pfo", "renumber"}).out, "1 picture renumbered to 1\n");
    writePortfolio(dir.path / "two.pfo", {9, 4});
    EXPECT_EQ(run(dir, {"ids", "two.pfo", "renumber"}).out, "2 pictures renumbered 1..2\n");
}

} // namespace
} // namespace pixelon

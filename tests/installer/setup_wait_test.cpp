// The wait for a setup program and the helpers that read a caller's parameter block.

#include "InstallerTestSupport.h"
#include "installer/VerrinCore.h"
#include "platform/Clock.h"

#include <cstddef>
#include <cstring>

namespace pixelon::testing {
namespace {

using namespace std::chrono_literals;

class SetupWaitTest : public ::testing::Test {
protected:
    void touch(const fs::path& marker) { writeFile(marker, ""); }

    TempFolder dir;
    SetupMarkers markers = setupMarkers(dir.path(), "VERRINSETUP");
    FakeClock clock;
    std::vector<std::string> shown;
    CSetupWait::Show record = [this](WaitState, std::string_view text) {
        shown.emplace_back(text);
    };
};

TEST_F(SetupWaitTest, MarkerNamesAndStatePrecedence) {
    EXPECT_EQ(markers.running, dir / "szFile_VERRINSETUP_EXE_RUNNING.000");
    EXPECT_EQ(setupMarkers(dir.path(), "TSSETUP").aborted, dir / "szFile_TSSETUP_EXE_ABORTED.000");

    EXPECT_EQ(currentWaitState(markers, false), WaitState::Loading);
    EXPECT_EQ(currentWaitState(markers, true), WaitState::Ready);
    touch(markers.running);
    EXPECT_EQ(currentWaitState(markers, false), WaitState::Running);
    touch(markers.ready);
    EXPECT_EQ(currentWaitState(markers, false), WaitState::Ready);
    touch(markers.aborted);
    EXPECT_EQ(currentWaitState(markers, false), WaitState::Aborted);
    EXPECT_EQ(currentWaitState(markers, true), WaitState::Aborted);
    EXPECT_EQ(currentWaitState(SetupMarkers{}, false), WaitState::Loading);
}

TEST_F(SetupWaitTest, ChecksOnceASecondAndShowsEachNewText) {
    int ticks = 0;
    CSetupWait wait(markers, clock, 60s);
    const WaitState end = wait.run(
        [&](std::chrono::milliseconds slice) {
            EXPECT_EQ(slice, 1000ms);
            clock.advance(static_cast<std::uint64_t>(slice.count()));
            ++ticks;
            if (ticks == 2) {
                touch(markers.running);
            } else if (ticks == 4) {
                touch(markers.ready);
            }
            return false;
        },
        record);
    EXPECT_EQ(end, WaitState::Ready);
    EXPECT_EQ(ticks, 4);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(
        shown[0],
        "Waiting for Norvane Mobile Phone Communication Software Setup to load and start....");
    EXPECT_EQ(shown[1],
              "Waiting for Norvane Mobile Phone Communication Software Setup to complete\r");
    EXPECT_EQ(shown[2], "Norvane Mobile Phone Communication Software Setup is ready!");
}

TEST_F(SetupWaitTest, EndedProcessIsCheckedAtOnceAndAnAbortWins) {
    CSetupWait wait(markers, clock, 60s);
    EXPECT_EQ(wait.run(
                  [&](std::chrono::milliseconds) {
                      clock.advance(30);
                      touch(markers.aborted);
                      return true;
                  },
                  record),
              WaitState::Aborted);
    EXPECT_EQ(clock.tickCount(), 30u);
    EXPECT_EQ(shown.back(), "Verrin setup aborted.");
}

TEST_F(SetupWaitTest, WaitThatReturnsEarlyStillPacesTheTimer) {
    CSetupWait wait(markers, clock, 3s);
    EXPECT_EQ(wait.run([](std::chrono::milliseconds) { return false; }, record),
              WaitState::TimedOut);
    EXPECT_EQ(clock.totalSlept(), 3000u);
    EXPECT_EQ(shown.back(),
              "Norvane Mobile Phone Communication Software Setup did not complete in time.");
}

TEST(WaitLimitTest, EnvironmentOverridesOnlyWithAPositiveNumber) {
    {
        ScopedEnv e("VERRIN_WAIT_LIMIT", "7");
        EXPECT_EQ(waitLimit(), 7s);
    }
    for (const char* bad : {"0", "-3", "5s", ""}) {
        ScopedEnv e("VERRIN_WAIT_LIMIT", bad);
        EXPECT_EQ(waitLimit(), std::chrono::seconds(kDefaultWaitLimitSeconds)) << bad;
    }
}

TEST(ParamsViewTest, OffsetsMustPointPastTheStructureToATerminatedText) {
    struct Block {
        VERRINPARAMS p;
        std::uint32_t flag;
        char text[8];
        char unterminated[verrin::kMaxText];
        char end;
    };
    auto b = std::make_unique<Block>();
    b->p.sizeOfStruct = VERRINPARAMS_SIZE_LONG;
    std::strcpy(b->text, "/opt");
    std::memset(b->unterminated, 'x', sizeof b->unterminated);
    b->end = 0;
    const verrin::CParamsView view(b->p);
    EXPECT_EQ(view.text(offsetof(Block, text)), "/opt");
    EXPECT_EQ(view.text(0), std::nullopt);
    EXPECT_EQ(view.text(8), std::nullopt); // inside the structure
    EXPECT_EQ(view.text(offsetof(Block, unterminated)), std::nullopt);

    b->flag = 7;
    EXPECT_TRUE(view.setFlag(offsetof(Block, flag), 1));
    EXPECT_EQ(b->flag, 1u);
    EXPECT_FALSE(view.setFlag(0, 1));
    EXPECT_FALSE(view.setFlag(24, 1));
    EXPECT_EQ(b->p.bNeedRestart, 0u);
}

TEST(CopyBoundedTest, CutsAndTerminates) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(verrin::copyBounded(buffer, "abcdef"), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(verrin::copyBounded(std::span<char>(buffer, 0), "z"), 0u);
    EXPECT_STREQ(buffer, "abc");
}

TEST(QlxNameTest, WorkerNamesInAnyCaseAndItsShortForm) {
    for (const char* name :
         {"qlxworker", "QLXWORKER.EXE", "QlxWorker.exe", "QLXWOR~1.EXE", "aqlxwor~2"}) {
        EXPECT_TRUE(verrin::isQlxName(name)) << name;
    }
    for (const char* name : {"qlxworker2", "qlxwork", "sleep", "qlxworker.bin", ""}) {
        EXPECT_FALSE(verrin::isQlxName(name)) << name;
    }
    EXPECT_TRUE(verrin::anyQlxProcess({{1, "bash"}, {2, "qlxworker"}}));
    EXPECT_FALSE(verrin::anyQlxProcess({{1, "bash"}}));
}

} // namespace
} // namespace pixelon::testing

#include "backoff.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One slot under a supervisor, pass by pass.
struct SupervisedSlot {
    RestartState state = {0, 0};

    RestartDecision Pass(SyncerSighting seen) { return DecideRestart(&state, seen); }

    // Passes over the cleared record while the slot waits; returns how many until the restart.
    int PassesUntilRestart()
    {
        for (int passes = 1; passes <= BACKOFF_CAP; ++passes) {
            RestartDecision decision = Pass(SYNCER_ABSENT);
            EXPECT_FALSE(decision.reportExit);
            if (decision.restartNow)
                return passes;
        }
        return -1;
    }
};

}  // namespace

TEST(NextBackoff, DoublesFromThirtyUpToTheCap)
{
    std::vector<int> delays;
    for (int delay = NextBackoff(0); delays.size() < 10; delay = NextBackoff(delay))
        delays.push_back(delay);
    EXPECT_EQ((std::vector<int>{30, 60, 120, 240, 480, 960, 1920, 3840, 3840, 3840}), delays);
}

// A syncer that exits again before every next pass: the pass that sees the exit chooses the delay D, and
// the restart comes D/10 - 1 passes later.
TEST(DecideRestart, SyncerThatKeepsExitingBacksOffToTheCap)
{
    SupervisedSlot slot;
    std::vector<int> waits;
    for (int exits = 0; exits < 10; ++exits) {
        RestartDecision seen = slot.Pass(SYNCER_EXITED);
        EXPECT_TRUE(seen.reportExit);
        EXPECT_TRUE(seen.clearRecord);
        EXPECT_FALSE(seen.restartNow);
        EXPECT_EQ(slot.state.lastBackoff - COUNTDOWN_STEP, slot.state.restartCountdown);
        waits.push_back(slot.PassesUntilRestart());
        EXPECT_EQ(0, slot.state.restartCountdown);
    }
    EXPECT_EQ((std::vector<int>{2, 5, 11, 23, 47, 95, 191, 383, 383, 383}), waits);
}

TEST(DecideRestart, FailedStartsBackOffLikeExits)
{
    SupervisedSlot slot;
    std::vector<int> delays;
    for (int attempts = 0; attempts < 9; ++attempts) {
        EXPECT_TRUE(slot.Pass(SYNCER_START_FAILED).reportExit);
        delays.push_back(slot.state.lastBackoff);
        slot.PassesUntilRestart();
    }
    EXPECT_EQ((std::vector<int>{30, 60, 120, 240, 480, 960, 1920, 3840, 3840}), delays);
}

TEST(DecideRestart, OnePassSeeingItRunningStartsOverAtThirty)
{
    SupervisedSlot slot;
    for (int exits = 0; exits < 4; ++exits) {
        slot.Pass(SYNCER_EXITED);
        slot.PassesUntilRestart();
    }
    ASSERT_EQ(240, slot.state.lastBackoff);

    RestartDecision running = slot.Pass(SYNCER_RUNNING);
    EXPECT_FALSE(running.reportExit);
    EXPECT_FALSE(running.clearRecord);
    EXPECT_FALSE(running.restartNow);
    EXPECT_EQ(0, slot.state.lastBackoff);
    EXPECT_EQ(0, slot.state.restartCountdown);

    slot.Pass(SYNCER_EXITED);
    EXPECT_EQ(30, slot.state.lastBackoff);
    EXPECT_EQ(2, slot.PassesUntilRestart());
}

// A slot without a process and without a pending restart (its start could not even be attempted) stays so.
TEST(DecideRestart, AbsentSyncerWithoutCountdownIsNotRestarted)
{
    SupervisedSlot slot;
    for (int passes = 0; passes < 1000; ++passes) {
        RestartDecision decision = slot.Pass(SYNCER_ABSENT);
        ASSERT_FALSE(decision.reportExit || decision.restartNow);
    }
    EXPECT_EQ(0, slot.state.restartCountdown);
    EXPECT_EQ(0, slot.state.lastBackoff);
}

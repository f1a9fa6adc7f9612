#include "net/fetch_bounds.h"

#include <gtest/gtest.h>

#include "support/test_platform.h"

namespace {

class StepClock : public MonotonicClock {
  public:
    uint64_t NowMilliseconds() override { return now; }
    uint64_t now = 1000;
};

// An event that is signalled on the given step (counting from 1), or never (0); every step
// advances the clock by the step's length, as a real wait would.
class ScriptedEvent : public EventWait {
  public:
    ScriptedEvent(StepClock& clock, int signalOnStep) : clock_(clock), signalOnStep_(signalOnStep) {}
    bool WaitStep(int milliseconds) override {
        ++steps;
        clock_.now += static_cast<uint64_t>(milliseconds);
        return signalOnStep_ != 0 && steps >= signalOnStep_;
    }
    int steps = 0;

  private:
    StepClock& clock_;
    int signalOnStep_;
};

TEST(FetchBudget, SizeLimitAdmitsExactlyTheLimit) {
    FetchLimits limits;
    limits.maxBytes = 3000;
    FetchBudget budget(limits, 0);
    EXPECT_TRUE(budget.Take(1023));
    EXPECT_TRUE(budget.Take(1023));
    EXPECT_TRUE(budget.Take(954));
    EXPECT_EQ(3000u, budget.received());
    EXPECT_FALSE(budget.Take(1));
    EXPECT_FALSE(budget.Take(0));  // stays refused once over
}

TEST(FetchBudget, DefaultLimitsAre16MiBAndOneMinute) {
    FetchLimits limits;
    EXPECT_EQ(16u * 1024 * 1024, limits.maxBytes);
    EXPECT_EQ(60000u, limits.totalMilliseconds);
    FetchBudget budget(limits, 0);
    for (int i = 0; i < 16 * 1024; ++i) ASSERT_TRUE(budget.Take(1024)) << i;
    EXPECT_FALSE(budget.Take(1));
    EXPECT_FALSE(budget.AnnouncedLengthFits(20000000));
    EXPECT_TRUE(budget.AnnouncedLengthFits(16 * 1024 * 1024));
    EXPECT_TRUE(budget.AnnouncedLengthFits(-1));
}

TEST(FetchBudget, DeadlineCountsFromTheStartOfTheFetch) {
    FetchLimits limits;
    FetchBudget budget(limits, 5000);
    EXPECT_FALSE(budget.OutOfTime(5000));
    EXPECT_FALSE(budget.OutOfTime(64999));
    EXPECT_TRUE(budget.OutOfTime(65000));
}

TEST(FetchBudget, FinishTellsEmptyAnswersDocumentsAndBrokenOffBodies) {
    FetchLimits limits;
    FetchBudget empty(limits, 0);
    EXPECT_EQ(kFetchEmpty, empty.Finish(-1));
    EXPECT_EQ(kFetchEmpty, empty.Finish(0));
    FetchBudget some(limits, 0);
    some.Take(500);
    EXPECT_EQ(kFetchOk, some.Finish(-1));
    EXPECT_EQ(kFetchOk, some.Finish(500));
    EXPECT_EQ(kFetchFailed, some.Finish(1000));
}

TEST(PumpingWait, SignalledEventDispatchesOneMessagePerTimedOutStep) {
    StepClock clock;
    CountingPump pump;
    ScriptedEvent event(clock, 4);
    FetchBudget budget(FetchLimits(), clock.now);
    EXPECT_EQ(WaitOutcome::Signalled, PumpingWait(event, pump, budget, clock));
    EXPECT_EQ(4, event.steps);
    EXPECT_EQ(3, pump.dispatched);

    ScriptedEvent atOnce(clock, 1);
    pump.dispatched = 0;
    EXPECT_EQ(WaitOutcome::Signalled, PumpingWait(atOnce, pump, budget, clock));
    EXPECT_EQ(0, pump.dispatched);
}

TEST(PumpingWait, GivesUpAfter1001TimeOutsOfTenMilliseconds) {
    StepClock clock;
    CountingPump pump;
    ScriptedEvent never(clock, 0);
    FetchBudget budget(FetchLimits(), clock.now);
    EXPECT_EQ(WaitOutcome::TimedOut, PumpingWait(never, pump, budget, clock));
    EXPECT_EQ(1001, never.steps);
    EXPECT_EQ(1001, pump.dispatched);
    EXPECT_EQ(1000u + 10010u, clock.now);

    // The event signalled on the last allowed step still counts.
    ScriptedEvent late(clock, 1001);
    FetchBudget second(FetchLimits(), clock.now);
    EXPECT_EQ(WaitOutcome::Signalled, PumpingWait(late, pump, second, clock));
}

TEST(PumpingWait, EndsWhenTheFetchIsOutOfTime) {
    StepClock clock;
    CountingPump pump;
    FetchLimits limits;
    limits.totalMilliseconds = 25000;
    FetchBudget budget(limits, clock.now);
    clock.now += 20000;  // earlier steps of the same fetch took 20 s
    ScriptedEvent never(clock, 0);
    EXPECT_EQ(WaitOutcome::OutOfTime, PumpingWait(never, pump, budget, clock));
    EXPECT_EQ(500, never.steps);
}

}  // namespace

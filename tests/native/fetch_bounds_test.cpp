#include "net/fetch_bounds.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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
    budget.Restart();
    EXPECT_TRUE(budget.Take(3000)) << "a body asked for again counts from its start";
}

TEST(FetchBudget, DefaultLimitsAre16MiBOneMinuteAndTenSecondsWithoutProgress) {
    FetchLimits limits;
    EXPECT_EQ(16u * 1024 * 1024, limits.maxBytes);
    EXPECT_EQ(60000u, limits.totalMilliseconds);
    EXPECT_EQ(10000u, limits.idleMilliseconds);
    FetchBudget budget(limits, 0);
    for (int i = 0; i < 16 * 1024; ++i) ASSERT_TRUE(budget.Take(1024)) << i;
    EXPECT_FALSE(budget.Take(1));
    EXPECT_FALSE(budget.AnnouncedLengthFits(20000000));
    EXPECT_TRUE(budget.AnnouncedLengthFits(16 * 1024 * 1024));
    EXPECT_TRUE(budget.AnnouncedLengthFits(-1));
}

// The times are counted from the start of the fetch and from its last progress; the earlier end wins.
TEST(FetchBudget, EndsAfterItsWholeTimeOrTooLongWithoutProgress) {
    struct Case {
        std::vector<uint64_t> progress;  // when something arrived
        uint64_t now;
        bool outOfTime;
    } cases[] = {
        {{}, 5000, false},
        {{}, 14999, false},
        {{}, 15000, true},  // 10 s without anything from a host that took the connection
        {{9000}, 18999, false},
        {{9000}, 19000, true},
        {{9000, 14000, 23000, 32000, 41000, 50000, 59000}, 64999, false},
        {{9000, 14000, 23000, 32000, 41000, 50000, 59000},
         65000,
         true},  // steady progress, but a minute is up
        {{64000}, 65000, true},
    };
    for (const Case& c : cases) {
        FetchBudget budget(FetchLimits(), 5000);
        for (uint64_t at : c.progress) budget.Progressed(at);
        EXPECT_EQ(c.outOfTime, budget.OutOfTime(c.now)) << c.now;
    }
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

}  // namespace

// Which request of a cycle starts next: the limits in all and per host, the queue's order, a second
// request ahead of the queue, and what a finished request frees.
#include "net/fetch_scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Starts what may start and returns the keys in the order they started.
std::vector<int> StartAll(FetchScheduler& scheduler) {
    std::vector<int> started;
    for (int key = scheduler.StartNext(); key >= 0; key = scheduler.StartNext()) started.push_back(key);
    return started;
}

TEST(FetchScheduler, StartsInOrderWithinTheLimitsAndPassesOverAFullHost) {
    struct Case {
        const char* what;
        std::vector<std::string> hosts;  // job k's host
        std::vector<int> started;        // by the first round
    } cases[] = {
        {"one host: two at a time", {"a", "a", "a", "a"}, {0, 1}},
        {"a full host is passed over for later ones", {"a", "a", "a", "b", "a", "c"}, {0, 1, 3, 5}},
        {"eight in all", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"eight in all over pairs",
         {"a", "a", "b", "b", "c", "c", "d", "d", "e", "e"},
         {0, 1, 2, 3, 4, 5, 6, 7}},
        {"nothing queued", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FetchScheduler scheduler;
        for (size_t k = 0; k < c.hosts.size(); ++k) scheduler.Queue(static_cast<int>(k), c.hosts[k]);
        EXPECT_EQ(c.started, StartAll(scheduler));
        EXPECT_EQ(static_cast<int>(c.started.size()), scheduler.running());
    }
}

TEST(FetchScheduler, AFinishedRequestMakesRoomForTheNextOfItsHostAndASecondRequestGoesFirst) {
    FetchScheduler scheduler;
    for (int k = 0; k < 5; ++k) scheduler.Queue(k, "a");
    scheduler.Queue(5, "b");
    EXPECT_EQ((std::vector<int>{0, 1, 5}), StartAll(scheduler));
    scheduler.Finished(0);
    EXPECT_EQ((std::vector<int>{2}), StartAll(scheduler));
    // Job 1's answer was of no use: asked again ahead of 3 and 4, as soon as its host has room.
    scheduler.Finished(1);
    scheduler.Queue(1, "a", true);
    EXPECT_EQ((std::vector<int>{1}), StartAll(scheduler));
    EXPECT_EQ((std::vector<int>{5, 2, 1}), scheduler.Running());
    scheduler.Queue(6, "b");
    scheduler.Queue(7, "c");
    scheduler.Queue(8, "b");
    EXPECT_EQ((std::vector<int>{6, 8}), scheduler.TakeWaitingOn("b"));  // 5 runs on
    EXPECT_EQ((std::vector<int>{7}), StartAll(scheduler));
    scheduler.Finished(7);
    scheduler.Finished(42);  // unknown: nothing changes
    EXPECT_EQ(3, scheduler.running());
    EXPECT_EQ(2, scheduler.waiting());
    scheduler.Clear();
    EXPECT_EQ(0, scheduler.running());
    EXPECT_EQ(-1, scheduler.StartNext());
}

TEST(FetchScheduler, HostsAreCountedByNameAndPortInAnyCase) {
    EXPECT_EQ(HostKeyOf("http://News.Example/rss"), HostKeyOf("http://news.example/atom?x=1"));
    EXPECT_EQ(HostKeyOf("http://news.example/"), HostKeyOf("http://news.example:80/"));
    EXPECT_NE(HostKeyOf("http://news.example/"), HostKeyOf("https://news.example/"));
    EXPECT_NE(HostKeyOf("http://127.0.0.1:8080/"), HostKeyOf("http://127.0.0.2:8080/"));
    EXPECT_EQ("", HostKeyOf("not a url"));
}

}  // namespace

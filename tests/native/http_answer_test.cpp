#include "net/http_answer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(KindOfStatus, OnlyA2xxIsADocumentAnd304Unchanged) {
    struct Case {
        int status;
        StatusKind kind;
    } cases[] = {
        {200, StatusKind::Document}, {203, StatusKind::Document},  {204, StatusKind::Document},
        {299, StatusKind::Document}, {304, StatusKind::Unchanged}, {301, StatusKind::Redirect},
        {302, StatusKind::Redirect}, {303, StatusKind::Redirect},  {307, StatusKind::Redirect},
        {308, StatusKind::Redirect}, {300, StatusKind::Failure},   {305, StatusKind::Failure},
        {0, StatusKind::Failure},    {100, StatusKind::Failure},   {199, StatusKind::Failure},
        {404, StatusKind::Failure},  {410, StatusKind::Failure},   {429, StatusKind::Failure},
        {500, StatusKind::Failure},  {503, StatusKind::Failure},
    };
    for (const Case& c : cases) EXPECT_EQ(c.kind, KindOfStatus(c.status)) << c.status;
}

struct Hop {
    int status;
    const char* location;
};

// Redirect chains as a server may answer them: where the request goes, whether it goes on, and
// where the feed moved for good.
TEST(RedirectChain, FollowsUpToTenHopsAndKeepsTheLeadingPermanentMove) {
    struct Case {
        const char* name;
        std::vector<Hop> hops;
        bool allFollowed;
        const char* current;
        const char* movedTo;
    } cases[] = {
        {"none", {}, true, "http://a.example/rss", ""},
        {"301", {{301, "http://b.example/feed"}}, true, "http://b.example/feed", "http://b.example/feed"},
        {"308, relative", {{308, "/new/rss"}}, true, "http://a.example/new/rss", "http://a.example/new/rss"},
        {"302", {{302, "http://b.example/feed"}}, true, "http://b.example/feed", ""},
        {"303 and 307 are temporary", {{303, "/x"}, {307, "/y"}}, true, "http://a.example/y", ""},
        {"301 then 302",
         {{301, "/moved"}, {302, "/today"}},
         true,
         "http://a.example/today",
         "http://a.example/moved"},
        {"301 then 308", {{301, "/one"}, {308, "two"}}, true, "http://a.example/two", "http://a.example/two"},
        {"302 then 301", {{302, "/for-now"}, {301, "/for-good"}}, true, "http://a.example/for-good", ""},
        {"plain to https",
         {{301, "https://a.example/rss"}},
         true,
         "https://a.example/rss",
         "https://a.example/rss"},
        {"https to plain",
         {{301, "https://a.example/rss"}, {301, "http://a.example/rss"}},
         false,
         "https://a.example/rss",
         "https://a.example/rss"},
        {"no location", {{301, ""}}, false, "http://a.example/rss", ""},
        {"blank location", {{302, " \t"}}, false, "http://a.example/rss", ""},
        {"not a web address", {{302, "ftp://a.example/rss"}}, false, "http://a.example/rss", ""},
    };
    for (const Case& c : cases) {
        RedirectChain chain("http://a.example/rss");
        bool followed = true;
        for (const Hop& hop : c.hops) followed = followed && chain.Follow(hop.status, hop.location);
        EXPECT_EQ(c.allFollowed, followed) << c.name;
        EXPECT_EQ(c.current, chain.current()) << c.name;
        EXPECT_EQ(c.movedTo, chain.movedTo()) << c.name;
    }
}

TEST(RedirectChain, TheEleventhRedirectIsRefused) {
    RedirectChain chain("http://a.example/0");
    for (int i = 1; i <= RedirectChain::kMaxHops; ++i)
        ASSERT_TRUE(chain.Follow(301, "/" + std::to_string(i))) << i;
    EXPECT_EQ(10, chain.hops());
    EXPECT_FALSE(chain.Follow(301, "/11"));
    EXPECT_EQ("http://a.example/10", chain.current());
    EXPECT_EQ("http://a.example/10", chain.movedTo());
}

}  // namespace

// What typed or pasted into "URL" is tried, how long a server asks to be left alone, and which tags
// may go back to it.
#include "net/entity_tag.h"
#include "net/retry_after.h"
#include "net/typed_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace {

TEST(AddressesToTry, SchemeLessAddressesTryHttpsThenHttpAndAPasteAfterThePresetIsThePaste) {
    const std::string longest = "http://a.test/" + std::string(255 - 14, 'a');
    const struct {
        std::string typed;
        std::vector<std::string> tried;
    } cases[] = {
        {"  example.jp/news \r\n", {"https://example.jp/news", "http://example.jp/news"}},
        {"http://https://example.jp/feed", {"https://example.jp/feed"}},
        {"HTTP://http://example.jp/", {"http://example.jp/"}},
        {"https://example.jp/", {"https://example.jp/"}},
        {"http://", {}},
        {"", {}},
        {"/path/only", {}},
        {longest, {longest}},
        {longest + "a", {}},
        {std::string(248, 'a'), {"http://" + std::string(248, 'a')}},  // "https://" + it would not fit
    };
    for (const auto& c : cases) EXPECT_EQ(c.tried, AddressesToTry(c.typed.c_str())) << c.typed;
}

TEST(RetryAfterSeconds, SecondsOrADateAtMostADay) {
    const int64_t now = FileTimeOf(2025, 2, 3, 9, 0, 0);
    const struct {
        const char* value;
        int64_t seconds;
    } cases[] = {
        {" 3600 ", 3600},
        {"86401", 86400},
        {"99999999999999", 86400},
        {"Mon, 03 Feb 2025 09:30:00 GMT", 1800},
        {"Monday, 03-Feb-25 10:00:00 GMT", 3600},
        {"Mon Feb  3 09:00:10 2025", 10},
        {"Tue, 04 Feb 2025 12:00:00 GMT", 86400},
        {"Mon, 03 Feb 2025 08:00:00 GMT", 0},
        {"", 0},
        {"soon", 0},
        {"-5", 0},
        {"Mon, 32 Feb 2025 09:30:00 GMT", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.seconds, RetryAfterSeconds(c.value, now)) << c.value;
    HostHolds holds;
    holds.Hold("a.test", 5000);
    holds.Hold("a.test", 1000);  // a shorter wait does not end a longer one
    EXPECT_TRUE(holds.Held("a.test", 4999));
    EXPECT_FALSE(holds.Held("a.test", 5000));
}

TEST(UsableEntityTag, PrintableAndShortOnlySoThatNoHeaderCanBeAdded) {
    for (const char* tag : {"\"v1\"", "W/\"a-1\""}) EXPECT_TRUE(UsableEntityTag(tag)) << tag;
    for (const std::string& tag :
         {std::string("\"a\"\r\nX-Added: 1"), std::string(201, 'a'), std::string()}) {
        EXPECT_FALSE(UsableEntityTag(tag)) << tag;
    }
}

}  // namespace

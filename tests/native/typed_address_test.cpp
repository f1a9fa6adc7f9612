// What typed or pasted into "URL" is tried, how long a server asks to be left alone, and what a
// lookup says of an answer.
#include "config/feed_lookup.h"
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
        {"example.jp/news", {"https://example.jp/news", "http://example.jp/news"}},
        {"  example.jp \r\n", {"https://example.jp", "http://example.jp"}},
        {"http://https://example.jp/feed", {"https://example.jp/feed"}},
        {"http://http://example.jp/feed", {"http://example.jp/feed"}},
        {"HTTP://HTTPS://example.jp/", {"HTTPS://example.jp/"}},
        {"http://example.jp/", {"http://example.jp/"}},
        {"https://example.jp/", {"https://example.jp/"}},
        {"//example.jp/a", {"https://example.jp/a", "http://example.jp/a"}},
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
        {"3600", 3600},
        {" 120 ", 120},
        {"0", 0},
        {"86401", 86400},
        {"99999999999999", 86400},
        {"Mon, 03 Feb 2025 09:30:00 GMT", 1800},
        {"Monday, 03-Feb-25 10:00:00 GMT", 3600},
        {"Mon Feb  3 09:00:10 2025", 10},
        {"Tue, 04 Feb 2025 12:00:00 GMT", 86400},
        {"Mon, 03 Feb 2025 08:00:00 GMT", 0},  // past
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
    EXPECT_FALSE(holds.Held("b.test", 0));
}

TEST(AnswerMessage, NamesTheCodeAndWhatItMeans) {
    const struct {
        int status;
        const char* head;
        const char* meaning;
    } cases[] = {
        {404, "サーバーの応答: 404 Not Found\r\n", "このアドレスにはページがありません。"},
        {503, "サーバーの応答: 503 Service Unavailable\r\n", "しばらく待ってから"},
        {418, "サーバーの応答: 418\r\n", "アドレスを確かめてください。"},
        {0, "サーバーに接続できませんでした。", "ネットワーク"},
    };
    for (const auto& c : cases) {
        const std::string message = AnswerMessage(c.status);
        EXPECT_EQ(0u, message.find(c.head)) << message;
        EXPECT_NE(std::string::npos, message.find(c.meaning)) << message;
    }
}

}  // namespace

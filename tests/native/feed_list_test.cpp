#include "config/feed_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "feed/day_number.h"
#include "support/test_platform.h"

namespace {

std::unique_ptr<FeedTable> Parsed(const std::string& text, int* result = nullptr) {
    auto feeds = std::make_unique<FeedTable>();
    int r = ParseFeedListText(*feeds, text.c_str(), static_cast<int>(text.size()));
    if (result) *result = r;
    return feeds;
}

TEST(FeedListText, LinesOfTwoOrThreeFields) {
    auto f = Parsed("Site A\thttp://a.example/rss\t15\r\nサイトB\thttp://b.example/atom\r\n\tho\t 7x\r\n");
    ASSERT_EQ(3, f->count);
    EXPECT_STREQ("Site A", f->site[0]);
    EXPECT_STREQ("http://a.example/rss", f->url[0]);
    EXPECT_EQ(15, f->maximum[0]);
    EXPECT_STREQ("サイトB", f->site[1]);
    EXPECT_STREQ("http://b.example/atom", f->url[1]);
    EXPECT_EQ(20, f->maximum[1]);
    EXPECT_STREQ("", f->site[2]);
    EXPECT_EQ(7, f->maximum[2]);
    EXPECT_EQ(0, Parsed("A\tu\tmany\r\n")->maximum[0]);
    EXPECT_EQ(0, Parsed("A\tu\t\r\n")->maximum[0]);
}

TEST(FeedListText, OnlyCrLfEndsALine) {
    EXPECT_EQ(0, Parsed("A\thttp://a\t1\nB\thttp://b\t2\n")->count);
    auto f = Parsed("A\rB\thttp://x\ny\t3\r\nC\thttp://c\t4");
    ASSERT_EQ(1, f->count);  // the last line has no line end
    EXPECT_STREQ("A\rB", f->site[0]);
    EXPECT_STREQ("http://x\ny", f->url[0]);
    EXPECT_EQ(1, Parsed("A\thttp://a\t1\r\nB\thttp://b\t2\r")->count);
}

TEST(FeedListText, LinesWithoutTabAreSkipped) {
    auto f = Parsed("A\tu1\t1\r\n\r\njust a note\r\nB\tu2\t2\r\n");
    ASSERT_EQ(2, f->count);
    EXPECT_STREQ("B", f->site[1]);
    EXPECT_STREQ("u2", f->url[1]);
}

TEST(FeedListText, AFourthFieldFailsTheWholeList) {
    int result = 0;
    auto f = Parsed("A\tu1\t1\r\nB\tu2\t2\textra\r\nC\tu3\t3\r\n", &result);
    EXPECT_EQ(-1, result);
    EXPECT_EQ(1, f->count);

    TestPlatform p;
    p.folder.Write("URL-List.txt", "A\tu1\t1\r\nB\tu2\t2\textra\r\n");
    auto feeds = std::make_unique<FeedTable>();
    int today = 0;
    EXPECT_EQ(-1, LoadFeedList(*feeds, today, p.platform));
    EXPECT_EQ(0, feeds->count);
    // The user is told, and the list is kept before anything can replace it.
    ASSERT_EQ(1u, p.messages.shown.size());
    EXPECT_NE(std::string::npos, p.messages.shown[0].text.find("URL-List.txt.bak"));
    EXPECT_EQ("A\tu1\t1\r\nB\tu2\t2\textra\r\n", p.folder.Read("URL-List.txt.bak"));
}

TEST(FeedListText, StopsAfter101Entries) {
    std::string text;
    for (int i = 0; i < 103; ++i)
        text += "S" + std::to_string(i) + "\thttp://h/" + std::to_string(i) + "\t1\r\n";
    auto f = Parsed(text);
    ASSERT_EQ(101, f->count);
    EXPECT_STREQ("S100", f->site[100]);
    // Reading stops before a later line is looked at, even one with a fourth field.
    int result = 1;
    Parsed(text + "x\ty\tz\tw\r\n", &result);
    EXPECT_EQ(0, result);
}

TEST(FeedListText, LongFieldsAreCutAtACharacterBoundary) {
    std::string site = std::string(254, 's') + "表示";  // the 255th byte would be half of 表
    std::string url = "http://h/" + std::string(300, 'u');
    auto f = Parsed(site + "\t" + url + "\r\n");
    ASSERT_EQ(1, f->count);
    EXPECT_EQ(std::string(254, 's'), f->site[0]);
    EXPECT_EQ(url.substr(0, 255), f->url[0]);
}

TEST(FeedListFile, MissingFileIsCreatedEmptyAndTodayIsSet) {
    TestPlatform p;
    p.clock.Set(2025, 2, 3);
    auto feeds = std::make_unique<FeedTable>();
    feeds->count = 5;
    int today = 0;
    EXPECT_EQ(0, LoadFeedList(*feeds, today, p.platform));
    EXPECT_EQ(0, feeds->count);
    EXPECT_EQ(DayNumber(2025, 2, 3), today);
    EXPECT_TRUE(p.folder.Exists("URL-List.txt"));
    EXPECT_EQ("", p.folder.Read("URL-List.txt"));
}

TEST(FeedListFile, SizeLimitAndUnopenableFile) {
    TestPlatform p;
    auto feeds = std::make_unique<FeedTable>();
    int today = 0;
    std::string line = "A\thttp://a\t1\r\n";
    // Blank padding: the loader leaves nothing of it out.
    p.folder.Write("URL-List.txt", line + std::string(51199 - line.size(), ' '));
    EXPECT_EQ(0, LoadFeedList(*feeds, today, p.platform));
    EXPECT_EQ(1, feeds->count);

    p.folder.Write("URL-List.txt", line + std::string(51200 - line.size(), ' '));
    EXPECT_EQ(-1, LoadFeedList(*feeds, today, p.platform));
    EXPECT_EQ(0, feeds->count);
    ASSERT_EQ(1u, p.messages.shown.size());
    // The message goes on to say where the refused file was kept.
    EXPECT_EQ(0u, p.messages.shown[0].text.find(
                      "URL-List.txtファイルが大きすぎるため設定を取得できませんでした。"));
    EXPECT_NE(std::string::npos, p.messages.shown[0].text.find("URL-List.txt.bak"));
    EXPECT_EQ("SIZE ERROR", p.messages.shown[0].title);

    p.folder.Write("URL-List.txt", line);
    chmod(p.folder.File("URL-List.txt").c_str(), 0444);
    EXPECT_EQ(-1, LoadFeedList(*feeds, today, p.platform));
    ASSERT_EQ(2u, p.messages.shown.size());
    EXPECT_EQ("URL-List.txtファイルをオープンできませんでした。", p.messages.shown[1].text);
    EXPECT_EQ("OPEN ERROR", p.messages.shown[1].title);
    EXPECT_EQ(MessageIcon::Error, p.messages.shown[1].icon);
}

TEST(FeedListFile, SavedListLoadsBackTheSame) {
    TestPlatform p;
    auto feeds = std::make_unique<FeedTable>();
    feeds->count = 3;
    CopyCut(feeds->site[0], kSlotSize, "ニュース");
    CopyCut(feeds->url[0], kSlotSize, "http://news.example/rss");
    feeds->maximum[0] = 20;
    CopyCut(feeds->site[1], kSlotSize, "");
    CopyCut(feeds->url[1], kSlotSize, "http://b.example/index.rdf");
    feeds->maximum[1] = -3;
    CopyCut(feeds->site[2], kSlotSize, "odd\rname\n");
    CopyCut(feeds->url[2], kSlotSize, "http://c.example/?a=1&b=2");
    feeds->maximum[2] = 0;
    ASSERT_EQ(0, SaveFeedList(*feeds, p.platform));
    EXPECT_EQ(
        "ニュース\thttp://news.example/rss\t20\r\n\thttp://b.example/index.rdf\t-3\r\n"
        "odd\rname\n\thttp://c.example/?a=1&b=2\t0\r\n",
        p.folder.Read("URL-List.txt"));
    auto loaded = std::make_unique<FeedTable>();
    int today = 0;
    ASSERT_EQ(0, LoadFeedList(*loaded, today, p.platform));
    ASSERT_EQ(3, loaded->count);
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(feeds->site[i], loaded->site[i]);
        EXPECT_STREQ(feeds->url[i], loaded->url[i]);
        EXPECT_EQ(feeds->maximum[i], loaded->maximum[i]);
    }

    feeds->count = 0;
    ASSERT_EQ(0, SaveFeedList(*feeds, p.platform));
    EXPECT_EQ("", p.folder.Read("URL-List.txt"));
}

TEST(FeedListFile, NamesThatWouldSplitTheirLineAreWrittenWithSpaces) {
    // A TAB or a CR LF inside a name would make a fourth field or a broken line on the next read,
    // which empties the whole list.
    TestPlatform p;
    auto feeds = std::make_unique<FeedTable>();
    feeds->count = 2;
    CopyCut(feeds->site[0], kSlotSize, "A\tB\r\nC");
    CopyCut(feeds->url[0], kSlotSize, "http://a/\t");
    feeds->maximum[0] = 5;
    CopyCut(feeds->site[1], kSlotSize, "Next");
    CopyCut(feeds->url[1], kSlotSize, "http://n/");
    feeds->maximum[1] = 6;
    ASSERT_EQ(0, SaveFeedList(*feeds, p.platform));
    auto loaded = std::make_unique<FeedTable>();
    int today = 0;
    ASSERT_EQ(0, LoadFeedList(*loaded, today, p.platform));
    ASSERT_EQ(2, loaded->count);
    EXPECT_STREQ("A B \nC", loaded->site[0]);
    EXPECT_STREQ("http://a/ ", loaded->url[0]);
    EXPECT_STREQ("Next", loaded->site[1]);
    EXPECT_EQ(6, loaded->maximum[1]);
}

}  // namespace

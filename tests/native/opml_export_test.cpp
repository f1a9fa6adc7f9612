#include "config/opml_export.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/feed_list.h"
#include "net/service_hosts.h"
#include "support/test_platform.h"

namespace {

TEST(OpmlExport, FeedsAsFlatOutlines) {
    TestPlatform p;
    auto feeds = std::make_unique<FeedTable>();
    feeds->count = 3;
    CopyCut(feeds->site[0], kSlotSize, "Q&A \"ニュース\"");
    CopyCut(feeds->url[0], kSlotSize, "http://q.example/rss?a=1&b=2");
    CopyCut(feeds->site[1], kSlotSize, "天気");
    CopyCut(feeds->url[1], kSlotSize, "http://www.jma.go.jp/jp/yoho/319.html");
    CopyCut(feeds->site[2], kSlotSize, "Atom");
    CopyCut(feeds->url[2], kSlotSize, "HTTP://www.jma.go.jp/atom");
    ASSERT_EQ(0, ExportOpml(*feeds, p.platform));
    EXPECT_EQ(
        "<?xml version=\"1.0\" encoding=\"shift-jis\" ?>\r\n<opml version=\"1.1\">\r\n<head>\r\n"
        "<title>Newsrollerサイトリスト</title>\r\n</head>\r\n<body>\r\n"
        "<outline text=\"Q&amp;A &quot;ニュース&quot;\" description=\"Q&amp;A &quot;ニュース&quot;\" "
        "title=\"Q&amp;A &quot;ニュース&quot;\" type=\"rss\" "
        "xmlUrl=\"http://q.example/rss?a=1&amp;b=2\"/>\r\n"
        "<outline text=\"Atom\" description=\"Atom\" title=\"Atom\" type=\"rss\" "
        "xmlUrl=\"HTTP://www.jma.go.jp/atom\"/>\r\n"
        "</body>\r\n</opml>\r\n",
        p.folder.Read("Newsroller.opml"));

    // The export leaves out exactly the feeds the update cycle never parses: those whose site root
    // is the weather service's. An address that only begins with its name is an ordinary feed.
    struct Case {
        const char* url;
        bool exported;
    } cases[] = {
        {"http://www.jma.go.jp/rss", false},
        {"http://www.jma.go.jp", true},  // no third "/": its root is "error", and the cycle parses it
        {"http://www.jma.go.jp.example/rss", true},
        {"http://www.jma.go.jpx/rss", true},
    };
    feeds->count = 1;
    for (const Case& c : cases) {
        CopyCut(feeds->url[0], kSlotSize, c.url);
        EXPECT_EQ(!c.exported, IsWeatherServiceFeed(c.url)) << c.url;
        ASSERT_EQ(0, ExportOpml(*feeds, p.platform));
        std::string file = p.folder.Read("Newsroller.opml");
        EXPECT_EQ(c.exported, file.find("<outline") != std::string::npos) << c.url;
        if (!c.exported) {
            EXPECT_NE(std::string::npos, file.find("<body>\r\n</body>\r\n</opml>\r\n"));
        }
    }
    EXPECT_TRUE(p.messages.shown.empty());
}

}  // namespace

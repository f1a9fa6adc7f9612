#include "report/article_page.h"
#include "config/markup_escape.h"
#include "net/service_hosts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/app.h"
#include "config/opml_export.h"
#include "support/test_platform.h"

namespace {

std::string Escape(const std::string& source) {
    char target[kEscapedSize];
    memset(target, 'Z', sizeof target);
    EscapeForMarkup(source.c_str(), target);
    EXPECT_LT(strnlen(target, sizeof target), sizeof target);
    return target;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct PageFixture {
    PageFixture() : app(std::make_unique<App>(p.platform)) {
        ResetApp(*app);
        app->today = 12000;
    }
    void Add(const char* site, const char* title, const char* link, int age = 0) {
        ArticleEntry& a = app->articles.slot[app->articles.count++];
        CopyCut(a.site, sizeof a.site, site);
        CopyCut(a.title, sizeof a.title, title);
        CopyCut(a.link, sizeof a.link, link);
        a.day = app->today - age;
    }
    std::string Write(int mode) {
        EXPECT_EQ(0, WriteArticlePage(*app, mode));
        return p.folder.Read("index.html");
    }
    TestPlatform p;
    std::unique_ptr<App> app;
};

TEST(EscapeForMarkup, ReplacesTheFiveCharacters) {
    EXPECT_EQ("A&amp;B &lt;x&gt;", Escape("A&B <x>"));
    EXPECT_EQ("&quot;q&quot; it&#039;s", Escape("\"q\" it's"));
    EXPECT_EQ("表示ソ", Escape("表示ソ"));  // trail bytes 0x5C pass unchanged
    EXPECT_EQ("", Escape(""));
}

TEST(EscapeForMarkup, TextThatDoesNotFitIsDroppedInWholeRuns) {
    // 85 entities of 6 bytes fill 510 bytes; the 86th and the final run do not fit.
    std::string quotes(100, '"');
    std::string result = Escape(quotes + "abc");
    EXPECT_EQ(85u * 6, result.size());
    // A run and its entity are dropped together; a later, shorter run can still fit.
    std::string a(300, 'a'), b(300, 'b');
    EXPECT_EQ(a + "&amp;", Escape(a + "&" + b));
    EXPECT_EQ(a + "&amp;" + "c&lt;", Escape(a + "&" + b + "<c<"));
    EXPECT_EQ(std::string(506, 'x') + "&amp;", Escape(std::string(506, 'x') + "&"));
    EXPECT_EQ("", Escape(std::string(507, 'x') + "&"));
    EXPECT_EQ(std::string(511, 'x'), Escape(std::string(511, 'x')));
    EXPECT_EQ("", Escape(std::string(512, 'x')));
}

TEST(ArticlePage, OneShownArticle) {
    PageFixture f;
    f.Add("Old site", "Old news", "http://old/1", 5);
    f.Add("サイト", "A&B <x>", "http://site/a?b=1&c=2");
    std::string page = f.Write(1);
    EXPECT_EQ(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
        "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
        "<html>\r\n<head>\r\n<title>Newsroller [2日以内の記事]</title>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
        "<meta http-equiv=\"content-style-type\" content=\"text/css\">\r\n"
        "<style type=\"text/css\">\r\n"
        "body {font-size:75%;color:#505050;line-height:150%;letter-spacing:1px;background-color:#ffffff;}\r\n"
        "</style>\r\n</head>\r\n<body>\r\n"
        "<big><b>　[サイト]</b></big><br>\r\n<ul>\r\n"
        "<li><a href=\"http://site/a?b=1&amp;c=2\">A&amp;B &lt;x&gt;</a></li>\r\n</ul>\r\n"
        "</body></html>\r\n",
        page);
    EXPECT_NE(std::string::npos, f.Write(0).find("<title>Newsroller [全ての記事]</title>"));
    EXPECT_NE(std::string::npos, f.Write(0).find("Old news"));
}

TEST(ArticlePage, GroupsFollowRunsOfOneSite) {
    PageFixture f;
    f.Add("A", "a1", "http://a/1");
    f.Add("B", "hidden", "http://b/1", 9);
    f.Add("A", "a2", "http://a/2");
    f.Add("A", "a3", "http://a/3");
    f.Add("C", "c1", "http://c/1");
    f.Add("A", "a4", "http://a/4");
    std::string shown = f.Write(1);
    // In mode 1 the hidden article does not split site A.
    EXPECT_EQ(3u, Count(shown, "<big>"));
    EXPECT_EQ(1u, Count(shown,
                        "[A]</b></big><br>\r\n<ul>\r\n<li><a href=\"http://a/1\">a1</a></li>\r\n"
                        "<li><a href=\"http://a/2\">a2</a></li>\r\n<li><a href=\"http://a/3\">a3</a></li>\r\n"
                        "</ul>\r\n"));
    EXPECT_EQ(3u, Count(shown, "<ul>"));
    EXPECT_EQ(3u, Count(shown, "</ul>"));
    std::string all = f.Write(0);
    EXPECT_EQ(5u, Count(all, "<big>"));
    EXPECT_EQ(5u, Count(all, "</ul>"));
}

TEST(ArticlePage, ListClosesAfterAGroupEndingWithAnUntitledArticle) {
    PageFixture f;
    f.Add("A", "a1", "http://a/1");
    f.Add("A", "x", "http://a/2");  // a one-byte title gets no item
    f.Add("B", "b1", "http://b/1");
    f.Add("C", "", "http://c/1");  // a group without items has no list
    std::string page = f.Write(0);
    EXPECT_NE(std::string::npos, page.find("a1</a></li>\r\n</ul>\r\n<big><b>　[B]"));
    EXPECT_EQ(2u, Count(page, "<ul>"));
    EXPECT_EQ(2u, Count(page, "</ul>"));
    EXPECT_NE(std::string::npos, page.find("[C]</b></big><br>\r\n</body></html>\r\n"));
}

TEST(ArticlePage, OnlyWebAddressesBecomeLinks) {
    PageFixture f;
    f.Add("S", "script", "javascript:alert(document.cookie)");
    f.Add("S", "data", "data:text/html,<script>alert(1)</script>");
    f.Add("S", "file", "file:///C:/Windows/win.ini");
    f.Add("S", "spaced", " javascript:alert(2)");
    f.Add("S", "none", "");
    f.Add("S", "secure", "HTTPS://example.com/a");
    f.Add("S", "error", "http://feed.example/rss");
    std::string page = f.Write(0);
    EXPECT_EQ(2u, Count(page, "<a href="));
    EXPECT_EQ(0u, Count(page, "<script"));
    EXPECT_NE(std::string::npos, page.find("<li>script (javascript:alert(document.cookie))</li>\r\n"));
    EXPECT_NE(std::string::npos,
              page.find("<li>data (data:text/html,&lt;script&gt;alert(1)&lt;/script&gt;)</li>"));
    EXPECT_NE(std::string::npos, page.find("<li>file (file:///C:/Windows/win.ini)</li>"));
    EXPECT_NE(std::string::npos, page.find("<li>none</li>"));
    EXPECT_NE(std::string::npos, page.find("<li><a href=\"HTTPS://example.com/a\">secure</a></li>"));
    EXPECT_NE(std::string::npos, page.find("<li><a href=\"http://feed.example/rss\">error</a></li>"));
}

TEST(ArticlePage, StopsNearTheSizeLimitAndStillEndsThePage) {
    PageFixture f;
    std::string title(255, '&');  // 85 entities: 510 bytes a title
    std::string link = "http://x/" + std::string(246, '"');
    for (int i = 0; i < kArticleCapacity; ++i) f.Add(i % 2 ? "A" : "B", title.c_str(), link.c_str());
    std::string page = f.Write(0);
    EXPECT_GT(page.size(), 1020000u);
    EXPECT_LT(page.size(), 1020000u + 2000u);
    EXPECT_LT(Count(page, "<li>"), static_cast<size_t>(kArticleCapacity));
    EXPECT_EQ(Count(page, "<ul>"), Count(page, "</ul>"));
    EXPECT_EQ(page.size() - strlen("</body></html>\r\n"), page.rfind("</body></html>\r\n"));
}

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

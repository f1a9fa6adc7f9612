#include "report/article_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/app.h"
#include "support/app_fixture.h"

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct PageFixture : AppFixture {
    PageFixture() { app->today = 12000; }
    void Add(const char* site, const char* title, const char* link, int age = 0) {
        AddArticle(site, title, age, link);
    }
    std::string Write(int mode) {
        EXPECT_EQ(0, WriteArticlePage(*app, mode));
        return test.folder.Read("index.html");
    }
};

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

}  // namespace

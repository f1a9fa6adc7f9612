// What a fetched document is, and the feed links a web page names.
#include "net/feed_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TextView View(const std::string& text) { return TextView{text.c_str(), static_cast<int>(text.size())}; }

TEST(KindOfDocument, TheFirstElementDecides) {
    const struct {
        const char* text;
        DocumentKind kind;
    } cases[] = {
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c --><rss version=\"2.0\">", DocumentKind::Feed},
        {"<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\">", DocumentKind::Feed},
        {"<?xml version=\"1.0\"?><opml version=\"1.1\">", DocumentKind::Opml},
        {"<!DOCTYPE html>\n<html><head><title>404 Not Found</title>", DocumentKind::Page},
        {"<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"x\"><rss>", DocumentKind::Feed},
        {"plain text", DocumentKind::Other},
        {"<!-- never closed", DocumentKind::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, KindOfDocument(View(c.text))) << c.text;
}

std::string Page(const std::string& head) {
    return "<!DOCTYPE html><html><head>" + head + "</head><body></body></html>";
}

TEST(ReadFeedLinks, AlternateLinksOfFeedTypesInAnyFormResolvedAgainstThePageAndItsBase) {
    const std::string page = "http://site.test/blog/index.html";
    const struct {
        std::string head;
        std::vector<std::string> urls;  // title|url
    } cases[] = {
        {"<link rel=\"alternate\" type=\"application/rss+xml\" title=\"RSS\" href=\"/feed.xml\">",
         {"RSS|http://site.test/feed.xml"}},
        // Any attribute order, single quotes, no quotes, letters in any case, closing slash.
        {"<LINK HREF='rss.xml' TYPE='Application/RSS+XML' REL='Alternate'/>",
         {"|http://site.test/blog/rss.xml"}},
        {"<link type=application/atom+xml href=../atom rel=alternate>", {"|http://site.test/atom"}},
        {"<link rel=\"alternate feed\" type=\"application/rdf+xml; charset=utf-8\" "
         "href=\"//cdn.test/a.rdf\">",
         {"|http://cdn.test/a.rdf"}},
        // The <base> applies to links before it as well; a relative base is read against the page.
        {"<link rel=alternate type=application/rss+xml href=r.xml><base href=\"/other/\">",
         {"|http://site.test/other/r.xml"}},
        {"<base href=\"https://feeds.test/x/\"><link rel=alternate type=application/rss+xml "
         "href=r?a=1&amp;b=2>",
         {"|https://feeds.test/x/r?a=1&b=2"}},
        // Several, in order, each address once; a title with references and markup cleaned.
        {"<link rel=alternate type=application/rss+xml title=\""
         u8"記事 &amp; お知らせ"
         "\" href=/a>"
         "<link rel=alternate type=application/atom+xml title='"
         u8"コメント"
         "' href=/b>"
         "<link rel=alternate type=application/rss+xml href=http://site.test/a>",
         {"記事 & お知らせ|http://site.test/a", "コメント|http://site.test/b"}},
        // Not feeds: other relations, other types, no address, a javascript: one, in comments or scripts.
        {"<link rel=stylesheet type=text/css href=s.css><link rel=alternate hreflang=en href=/en/>"
         "<link rel=alternate type=application/rss+xml><link rel=alternate type=application/rss+xml href=''>"
         "<link rel=alternate type=application/rss+xml href=\"javascript:alert(1)\">"
         "<!-- <link rel=alternate type=application/rss+xml href=/c> -->"
         "<script>var s='<link rel=alternate type=application/rss+xml href=/d>';</script>",
         {}},
    };
    for (const auto& c : cases) {
        const std::string text = Page(c.head);
        std::vector<std::string> found;
        for (const FeedLink& link : ReadFeedLinks(View(text), page))
            found.push_back(link.title + "|" + link.url);
        EXPECT_EQ(c.urls, found) << c.head;
    }
}

TEST(ReadFeedLinks, LinksAfterTheHeadOrBeyondTheLimitAreNotRead) {
    std::string head;
    for (int i = 0; i < 30; ++i)
        head += "<link rel=alternate type=application/rss+xml href=/f" + std::to_string(i) + ">";
    std::string text = Page(head) + "<link rel=alternate type=application/rss+xml href=/late>";
    const std::vector<FeedLink> links = ReadFeedLinks(View(text), "http://site.test/");
    ASSERT_EQ(kMaxFeedLinks, links.size());
    EXPECT_EQ("http://site.test/f19", links.back().url);
}

}  // namespace

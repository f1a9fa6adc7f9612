#include "feed/parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "feed/day_number.h"
#include "feed/site_root.h"
#include "platform/code_pages_posix.h"
#include "support/test_platform.h"

namespace {

constexpr int kToday = 10000;

struct Article {
    std::string site, title, link;
    int day;
};

struct Result {
    std::vector<Article> articles;  // the slots this call added
    int found = 0;
    int count = 0;  // the article count afterwards
    int dispatched = 0;
    std::unique_ptr<ArticleTable> table;
};

Result Parse(const std::string& document, int maximum = kArticleCapacity, int countBefore = 0,
             const char* root = "http://host", const char* address = nullptr) {
    Result result;
    result.table = std::make_unique<ArticleTable>();
    result.table->count = countBefore;
    CountingPump pump;
    IconvCodePages codePages;
    FeedParseTarget target{*result.table, result.found, maximum, kToday, &pump, address, &codePages};
    // A copy of exactly the text and its zero byte, so that the sanitizers see any read beyond it.
    std::unique_ptr<char[]> text(new char[document.size() + 1]);
    memcpy(text.get(), document.c_str(), document.size() + 1);
    ParseFeedDocument(TextView{text.get(), static_cast<int>(document.size())}, "Site", root, target);
    result.count = result.table->count;
    result.dispatched = pump.dispatched;
    for (int i = countBefore; i < result.table->count; ++i) {
        const ArticleEntry& a = result.table->slot[i];
        result.articles.push_back({a.site, a.title, a.link, a.day});
    }
    return result;
}

std::string Rss(const std::string& items, const std::string& declaration = "<?xml version=\"1.0\"?>") {
    return declaration + "\n<rss version=\"2.0\"><channel><title>Channel</title><link>http://host/</link>\n" +
           items + "\n</channel></rss>\n";
}

std::string Item(const std::string& title, const std::string& link, const std::string& more = "") {
    return "<item>\n<title>" + title + "</title>\n<link>" + link + "</link>\n" + more + "</item>\n";
}

std::string Atom(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\">\n"
           "<title>Feed</title><link rel=\"alternate\" href=\"http://host/\"/>\n" +
           entries + "\n</feed>\n";
}

std::string Entry(const std::string& inner) { return "<entry>\n<title>T</title>\n" + inner + "\n</entry>\n"; }

bool EndsInLeadByte(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) i += IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i > text.size();
}

TEST(FeedEncoding, TheDeclarationDecidesAndEucJpWinsOverShiftJis) {
    const std::string a = "\x82\xA0";  // "あ" in Shift_JIS
    EXPECT_EQ(a, Parse(Rss(Item("\xE3\x81\x82", "l"))).articles.at(0).title);
    EXPECT_EQ(a, Parse(Rss(Item("\xE3\x81\x82", "l"), "")).articles.at(0).title);
    EXPECT_EQ(a, Parse(Rss(Item("\xA4\xA2", "l"), "<?xml version=\"1.0\" encoding=\"EUC-JP\"?>"))
                     .articles.at(0)
                     .title);
    EXPECT_EQ(a, Parse(Rss(Item("\xA4\xA2", "l"), "<?xml encoding=\"euc_jp\" x=\"Shift_JIS\"?>"))
                     .articles.at(0)
                     .title);
    EXPECT_EQ(a, Parse(Rss(Item("\x82\xA0", "l"), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"))
                     .articles.at(0)
                     .title);
    // A name right before "?>" with no quote between is not seen: the search keeps 3 bytes clear.
    // Undeclared, bytes that are not UTF-8 but Shift_JIS are read as Shift_JIS.
    EXPECT_EQ(a, Parse(Rss(Item("\x82\xA0", "l"), "<?xml encoding=shift_jis?>")).articles.at(0).title);
    // Without "?>" the declaration does not count.
    EXPECT_EQ(a,
              Parse("<?xml encoding=\"euc-jp\"" + Rss(Item("\xE3\x81\x82", "l"), "")).articles.at(0).title);
}

TEST(RssItems, ItemTagsWithAttributesCountButItemsAndSelfClosedOnesDoNot) {
    Result r = Parse(Rss("<items><item/>\n" + Item("A", "a") +
                         "<item rdf:about=\"x\"><title>B</title><link>b</link></item>\n"));
    ASSERT_EQ(2u, r.articles.size());
    EXPECT_EQ("A", r.articles[0].title);
    EXPECT_EQ("B", r.articles[1].title);
    EXPECT_EQ("Site", r.articles[1].site);
    EXPECT_EQ(2, r.found);
    EXPECT_EQ(2, r.count);
    EXPECT_EQ(3, r.dispatched);  // one waiting message per item, and one before the search that ends
}

TEST(RssItems, ALinkOnlyInsideCdataIsNoLink) {
    Result r = Parse(
        Rss("<item><title>T</title><description><![CDATA[<link>http://x/</link>]]></description></item>"));
    EXPECT_EQ(0, r.found);
    EXPECT_EQ(0, r.count);
}

TEST(RssItems, AnItemWithoutTitleIsUntitledAndValuesNeverComeFromTheNextItem) {
    Result r = Parse(Rss("<item><link>http://first/</link></item>\n" + Item("Second", "http://second/")));
    ASSERT_EQ(2u, r.articles.size());
    EXPECT_EQ("無題", r.articles[0].title);
    EXPECT_EQ("http://first/", r.articles[0].link);
    EXPECT_EQ("Second", r.articles[1].title);
    EXPECT_EQ("http://second/", r.articles[1].link);
    // A title without a link leaves its slot to be overwritten by the next article.
    r = Parse(Rss("<item><title>Lonely</title></item>\n" + Item("Next", "n")));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("Next", r.articles[0].title);
}

TEST(RssItems, EmptyTitleBecomesUntitledAndMarkupIsCleaned) {
    Result r =
        Parse(Rss(Item("", "a") + Item("  <![CDATA[ ]]>", "b") + Item("&lt;b&gt;Big&lt;/b&gt; news", "c")));
    ASSERT_EQ(3u, r.articles.size());
    EXPECT_EQ("無題", r.articles[0].title);
    EXPECT_EQ(" ", r.articles[1].title);  // one space is not empty
    EXPECT_EQ("Big news", r.articles[2].title);
    r = Parse(Rss(Item(u8"\U0001F389 Big news", "d")));
    EXPECT_EQ("Big news", r.articles.at(0).title);
}

TEST(RssItems, DatesComeFromDcDateThenPubDateElseToday) {
    Result r = Parse(Rss(Item("a", "l", "<dc:date>2004-02-29</dc:date>") +
                         Item("b", "l", "<pubDate>Sun, 29 Feb 2004 10:00:00 +0900</pubDate>") +
                         Item("c", "l", "<pubDate>Sun, 29 Foo 2004</pubDate>") +
                         Item("d", "l", "<pubDate>01 Jan 04</pubDate>") +
                         Item("e", "l", "<dc:date>Thu, 01 Jan 2004</dc:date><pubDate>02 Jan 2004</pubDate>") +
                         Item("f", "l", "<pubDate>2004-01-03T00:00:00Z</pubDate>") +
                         Item("g", "l", "<dc:date>nonsense</dc:date><pubDate>02 Jan 2004</pubDate>") +
                         Item("h", "l")));
    ASSERT_EQ(8u, r.articles.size());
    EXPECT_EQ(4442, r.articles[0].day);
    EXPECT_EQ(4442, r.articles[1].day);
    EXPECT_EQ(kToday, r.articles[2].day);
    EXPECT_EQ(4383, r.articles[3].day);    // a two-digit year
    EXPECT_EQ(4383, r.articles[4].day);    // dc:date read as RFC 822 when it is no ISO date
    EXPECT_EQ(4385, r.articles[5].day);    // pubDate read as ISO when it is no RFC 822 date
    EXPECT_EQ(kToday, r.articles[6].day);  // a dc:date, even a bad one, hides the pubDate
    EXPECT_EQ(kToday, r.articles[7].day);
}

TEST(RssItems, StopsAtTheFeedMaximumAndAtTheTableCapacity) {
    std::string items;
    for (int i = 0; i < 10; ++i) items += Item("t" + std::to_string(i), "l");
    Result r = Parse(Rss(items), 3);
    EXPECT_EQ(3, r.found);
    EXPECT_EQ(3, r.count);
    EXPECT_EQ(3, r.dispatched);

    r = Parse(Rss(items), kArticleCapacity, 1999);
    EXPECT_EQ(1, r.found);
    EXPECT_EQ(kArticleCapacity, r.count);
    EXPECT_EQ("t0", r.articles.at(0).title);

    r = Parse(Rss(items), kArticleCapacity, kArticleCapacity);
    EXPECT_EQ(0, r.found);
    EXPECT_EQ(kArticleCapacity, r.count);

    // The found count adds to what the caller had.
    auto table = std::make_unique<ArticleTable>();
    int found = 5;
    FeedParseTarget target{*table, found, kArticleCapacity, kToday, nullptr};
    const std::string document = Rss(items);
    ParseFeedDocument(ViewOf(document.c_str()), "s", "r", target);
    EXPECT_EQ(15, found);
}

TEST(RssEnclosures, AnItemWithLinkAndEnclosureGivesTwoArticles) {
    Result r = Parse(Rss(Item("Title", "http://a/x",
                              "<dc:date>2004-01-05</dc:date><pubDate>Fri, 02 Jan 2004</pubDate>\n"
                              "<enclosure url=\"http://a/b/c.mp3\" length=\"1\" type=\"audio/mpeg\"/>\n")));
    ASSERT_EQ(2u, r.articles.size());
    EXPECT_EQ("Title", r.articles[0].title);
    EXPECT_EQ("http://a/x", r.articles[0].link);
    EXPECT_EQ(4387, r.articles[0].day);
    EXPECT_EQ("[c.mp3]", r.articles[1].title);
    EXPECT_EQ("http://a/b/c.mp3", r.articles[1].link);
    EXPECT_EQ(4384, r.articles[1].day);  // the enclosure reads only pubDate
    EXPECT_EQ("Site", r.articles[1].site);
}

TEST(RssEnclosures, AnEnclosureAloneIsTitledWithTheItemTitle) {
    Result r =
        Parse(Rss("<item><title>Show &amp; tell</title><enclosure url=\"/podcasts/ep1.mp3\"/>"
                  "<pubDate>bad</pubDate></item>\n"
                  "<item><title>None</title></item>\n"
                  "<item><title>Short</title><enclosure url=\"http://a\"/></item>\n"
                  "<item><title>Near</title><enclosure url=\"/media/ep2.mp3\"/></item>\n"
                  "<item><title>Bare</title><enclosure url=\"x.mp3\"/></item>\n"));
    ASSERT_EQ(4u, r.articles.size());
    EXPECT_EQ("Show & tell[ep1.mp3]", r.articles[0].title);
    EXPECT_EQ("http://host/podcasts/ep1.mp3", r.articles[0].link);
    EXPECT_EQ(kToday, r.articles[0].day);
    // The file name starts after the last "/" at index 8 or later, else at index 8 (and is empty
    // for a link that short); it is taken before a relative link is completed.
    EXPECT_EQ("Short[]", r.articles[1].title);
    EXPECT_EQ("Near[p2.mp3]", r.articles[2].title);
    EXPECT_EQ("Bare[]", r.articles[3].title);
}

TEST(RssEnclosures, TheUrlIsTheEnclosuresOwnAndQuotesMustLieInsideTheItem) {
    // The url of the next element is not the enclosure's.
    Result r =
        Parse(Rss("<item><title>T</title><enclosure type=\"audio\"/><source "
                  "url=\"http://a/s/src.mp3\">s</source></item>"));
    EXPECT_EQ(0u, r.articles.size());
    // A value whose closing quote lies beyond the item is absent.
    r = Parse(Rss("<item><title>T</title><enclosure url=\"http://a/b.mp3</item>\n" + Item("U", "u\"")));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("U", r.articles[0].title);
}

TEST(RssEnclosures, ALongTitleLeavesRoomForTheBracketOrStartsOver) {
    const std::string title253(253, 'a'), title254(254, 'b');
    Result r = Parse(Rss("<item><title>" + title253 +
                         "</title><enclosure url=\"http://a/b/c.mp3\"/></item>"
                         "<item><title>" +
                         title254 + "</title><enclosure url=\"http://a/b/c.mp3\"/></item>"));
    ASSERT_EQ(2u, r.articles.size());
    EXPECT_EQ(title253 + "[", r.articles[0].title);  // no room for "c.mp3]"
    EXPECT_EQ("[c.mp3]", r.articles[1].title);
}

TEST(RelativeLinks, GetTheSiteRootWhenTheJoinedLinkFits) {
    Result r = Parse(
        Rss(Item("a", "/news/1.html") + Item("b", "news/2.html") + Item("c", "/" + std::string(242, 'x'))));
    ASSERT_EQ(3u, r.articles.size());
    EXPECT_EQ("http://host/news/1.html", r.articles[0].link);
    EXPECT_EQ("news/2.html", r.articles[1].link);
    EXPECT_EQ("http://host/" + std::string(242, 'x'), r.articles[2].link);  // 11 + 243 + 1 < 256
    r = Parse(Rss(Item("d", "/" + std::string(243, 'x')) + Item("e", "/" + std::string(244, 'x'))));
    EXPECT_EQ("http://host/" + std::string(243, 'x'), r.articles.at(0).link);  // 255 bytes
    EXPECT_EQ("http://host/", r.articles.at(1).link);  // would not fit: the site instead
}

TEST(Links, LoseTheSpacesThatLineBreaksAroundThemLeave) {
    // Pretty-printed links keep a space from the line break after cleaning; without trimming they
    // could neither be opened nor joined to the site root.
    Result r = Parse(Rss(Item("a", "\n    http://a.test/1?rss=1\n  ") + Item("b", "\n  /news/2.html\n") +
                         "<item><title>c</title><enclosure url=\" http://a.test/e.mp3 \"/></item>"));
    ASSERT_EQ(3u, r.articles.size());
    EXPECT_EQ("http://a.test/1?rss=1", r.articles[0].link);
    EXPECT_EQ("http://host/news/2.html", r.articles[1].link);
    EXPECT_EQ("http://a.test/e.mp3", r.articles[2].link);
    EXPECT_EQ("c[e.mp3]", r.articles[2].title);
}

TEST(ValueCuts, AreMadeAt255BytesBetweenCharacters) {
    // 200 "あ" in each encoding: the cut at 255 bytes must not leave half a character behind.
    std::string utf8, euc, sjis;
    for (int i = 0; i < 200; ++i) {
        utf8 += "\xE3\x81\x82";
        euc += "\xA4\xA2";
        sjis += "\x82\xA0";
    }
    Result r = Parse(Rss(Item("a" + utf8, "l")));
    EXPECT_EQ(1 + 2 * 84, static_cast<int>(r.articles.at(0).title.size()));  // 1 + 3 * 84 = 253 bytes taken
    r = Parse(Rss(Item("a" + euc, "l"), "<?xml encoding=\"euc-jp\" ?>"));
    EXPECT_EQ(255, static_cast<int>(r.articles.at(0).title.size()));
    EXPECT_FALSE(EndsInLeadByte(r.articles.at(0).title));
    r = Parse(Rss(Item(sjis, "l"), "<?xml encoding=\"shift_jis\" ?>"));
    EXPECT_EQ(254, static_cast<int>(r.articles.at(0).title.size()));
    EXPECT_FALSE(EndsInLeadByte(r.articles.at(0).title));
    r = Parse(Rss(Item("x", std::string(300, 'l'))));
    EXPECT_EQ("http://host/", r.articles.at(0).link);  // a link cut would be broken
}

TEST(AtomEntries, ReadOnlyWhenTheRssPassFoundNothing) {
    Result r = Parse(Rss(Item("rss", "l") + Entry("<link href=\"atom\"/>")));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("rss", r.articles[0].title);
    // An RSS item that gave no article lets the entries be read.
    r = Parse(Rss("<item><title>no link</title></item>" + Entry("<link href=\"atom\"/>")));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("atom", r.articles[0].link);
    EXPECT_EQ(2, r.dispatched);  // the entries dispatch nothing
}

TEST(AtomEntries, TheFirstAlternateLinkElseTheLastLink) {
    Result r =
        Parse(Atom(Entry("<link rel=\"self\" href=\"a\"/>\n<link rel=\"alternate\" href=\"b\"/>") +
                   Entry("<link href=\"c\"/>") +
                   Entry("<link rel=\"self\" href=\"d\"/>\n<link rel=\"edit\" href=\"e\"/>") +
                   Entry("<link rel=\"ALTERNATE\" href=\"/f\"/>\n<link rel=\"alternate\" href=\"g\"/>") +
                   Entry("<link href=\"h\"/>\n<link rel=\"alternate\" href=\"i\"/>")));
    ASSERT_EQ(5u, r.articles.size());
    EXPECT_EQ("b", r.articles[0].link);
    EXPECT_EQ("c", r.articles[1].link);
    EXPECT_EQ("e", r.articles[2].link);
    EXPECT_EQ("http://host/f", r.articles[3].link);
    // A link without rel takes the rel of the next link: "h" counts as the alternate one.
    EXPECT_EQ("h", r.articles[4].link);
}

TEST(AtomEntries, EntriesWithoutTitleOrLinkAreSkippedAndEmptyTitlesStayEmpty) {
    Result r = Parse(Atom("<entry><link href=\"x\"/></entry>\n" + Entry("<id>no link</id>") +
                          "<entry><title></title><link href=\"y\"/></entry>\n" +
                          "<entry><title>Q</title><link rel=\"alternate\"/></entry>\n"));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("", r.articles[0].title);
    EXPECT_EQ("y", r.articles[0].link);
}

TEST(AtomEntries, DatesComeFromIssuedThenPublishedThenUpdated) {
    Result r = Parse(
        Atom(Entry("<link href=\"a\"/><issued>2004-01-02T00:00:00Z</issued><updated>2004-01-09</updated>") +
             Entry("<link href=\"b\"/><published>2004-01-03</published><updated>2004-01-09</updated>") +
             Entry("<link href=\"c\"/><updated>2004-01-04T10:00:00+09:00</updated>") +
             Entry("<link href=\"d\"/><issued>Fri, 02 Jan 2004</issued><updated>2004-01-09</updated>") +
             Entry("<link href=\"e\"/><modified>2004-01-09</modified>")));
    ASSERT_EQ(5u, r.articles.size());
    EXPECT_EQ(4384, r.articles[0].day);
    EXPECT_EQ(4385, r.articles[1].day);
    EXPECT_EQ(4386, r.articles[2].day);
    EXPECT_EQ(kToday, r.articles[3].day);  // an issued date is only read as ISO 8601
    EXPECT_EQ(4391, r.articles[4].day);    // Atom 0.3's modified
}

TEST(AtomEntries, StopAtTheFeedMaximum) {
    std::string entries;
    for (int i = 0; i < 5; ++i) entries += Entry("<link href=\"l\"/>");
    Result r = Parse(Atom(entries), 2);
    EXPECT_EQ(2, r.found);
    EXPECT_EQ(2, r.count);
}

TEST(BrokenDocuments, AddNothingAndStayInsideTheText) {
    const char* const documents[] = {"",
                                     "<",
                                     "<item>",
                                     "<item><title>",
                                     "<item><title>x</title><link>",
                                     "<?xml",
                                     "<?xml ?>",
                                     "<entry><title>t</title><link href=\"",
                                     "<item><title><![CDATA[</title></item>"};
    for (const char* text : documents) {
        Result r = Parse(text);
        EXPECT_EQ(0, r.found) << text;
        EXPECT_EQ(0, r.count) << text;
    }
}

TEST(Rfc822Dates, NeedDayMonthWordAndFourDigitYear) {
    EXPECT_EQ(4383, ParseRfc822Date("Thu, 01 Jan 2004 00:00:00 GMT"));
    EXPECT_EQ(4383, ParseRfc822Date("1   jAN 2004"));
    EXPECT_EQ(4442, ParseRfc822Date("Sun, 29 Feb 2004 10:00:00 +0900"));
    EXPECT_EQ(DayNumber(2004, 2, 31), ParseRfc822Date("31 Feb 2004"));  // days are not checked
    EXPECT_EQ(-1, ParseRfc822Date("001 Jan 2004"));
    EXPECT_EQ(-1, ParseRfc822Date("01 Foo 2004"));
    EXPECT_EQ(-1, ParseRfc822Date("01 Jan 1991"));
    EXPECT_EQ(-1, ParseRfc822Date("01 Jan 2501"));
    EXPECT_EQ(-1, ParseRfc822Date("01 Jan 20041"));
    EXPECT_EQ(-1, ParseRfc822Date("01 Jan"));
    EXPECT_EQ(-1, ParseRfc822Date(""));
    EXPECT_EQ(-1, ParseRfc822Date("99999999999999999999 Jan 2004"));
}

TEST(IsoDates, NeedYearMonthAndDayInRange) {
    EXPECT_EQ(4397, ParseIsoDate("2004-01-15T10:00:00+09:00"));
    EXPECT_EQ(4442, ParseIsoDate("2004-02-29"));
    EXPECT_EQ(DayNumber(2004, 1, 5), ParseIsoDate("2004/1/5"));
    EXPECT_EQ(DayNumber(2500, 12, 31), ParseIsoDate("2500-12-31"));
    EXPECT_EQ(-1, ParseIsoDate("1991-12-31"));
    EXPECT_EQ(-1, ParseIsoDate("2004-13-01"));
    EXPECT_EQ(-1, ParseIsoDate("2004-00-10"));
    EXPECT_EQ(-1, ParseIsoDate("2004-01-32"));
    EXPECT_EQ(-1, ParseIsoDate("2004-001-02"));
    EXPECT_EQ(-1, ParseIsoDate("20040115"));
    EXPECT_EQ(-1, ParseIsoDate("2004"));
    EXPECT_EQ(-1, ParseIsoDate("200"));
    EXPECT_EQ(-1, ParseIsoDate(""));
}

TEST(DayNumbers, CountEveryFourthYearAsLeap) {
    EXPECT_EQ(0, DayNumber(1992, 1, 1));
    EXPECT_EQ(60, DayNumber(1992, 3, 1));
    EXPECT_EQ(366, DayNumber(1993, 1, 1));
    EXPECT_EQ(4383, DayNumber(2004, 1, 1));
    EXPECT_EQ(4442, DayNumber(2004, 2, 29));
    EXPECT_EQ(DayNumber(2100, 2, 29) + 1, DayNumber(2100, 3, 1));
}

TEST(SiteRoots, AreTheBytesBeforeTheThirdSlash) {
    char root[kSiteRootSize];
    SiteRootOf("http://host/feed/rss.xml", root, sizeof root);
    EXPECT_STREQ("http://host", root);
    SiteRootOf("http://host/", root, sizeof root);
    EXPECT_STREQ("http://host", root);
    SiteRootOf("http://host", root, sizeof root);
    EXPECT_STREQ("error", root);
    std::string url = "http://" + std::string(504, 'h') + "/x";  // third "/" at index 511
    SiteRootOf(url.c_str(), root, sizeof root);
    EXPECT_EQ(511u, strlen(root));
    url = "http://" + std::string(505, 'h') + "/x";  // 512 bytes copied before it
    SiteRootOf(url.c_str(), root, sizeof root);
    EXPECT_STREQ("error", root);
    char small[8];
    SiteRootOf("http://host/", small, sizeof small);
    EXPECT_STREQ("error", small);
}

// --- Feeds as they are written on the web ------------------------------------------------------

constexpr char kAddress[] = "http://example.jp/feeds/index.xml";

Result ParseAt(const std::string& document) {
    return Parse(document, kArticleCapacity, 0, "http://example.jp", kAddress);
}

std::string LinkOf(const Result& r) { return r.articles.empty() ? "(none)" : r.articles[0].link; }

TEST(AtomEntries, TakeTheirOwnAlternateLinkInEitherQuote) {
    struct Case {
        const char* links;
        const char* link;
    } const cases[] = {
        // A link without rel before the entry's image.
        {"<link href=\"http://a/post\"/><link rel=\"enclosure\" type=\"image/png\" href=\"http://a/i.png\"/>",
         "http://a/post"},
        // A Blogger-style entry: single quotes, the alternate link after the replies links.
        {"<link rel='replies' type='application/atom+xml' href='http://b/feeds/1/comments'/>"
         "<link rel='alternate' type='text/html' href='http://b/2026/01/post.html' title='Post'/>",
         "http://b/2026/01/post.html"},
        {"<source><link rel=\"alternate\" href=\"http://origin/\"/></source><link href=\"http://a/own\"/>",
         "http://a/own"},
        {"<author><name>n</name><link href=\"http://a/me\"/></author>\n<link rel=\"alternate\" "
         "href=\"http://a/own\"/>",
         "http://a/own"},
        {"<link hreflang=\"ja\" href=\"http://a/ja\"></link>", "http://a/ja"},
        {"<link rel=\"self\" href=\"http://a/self\"/><link rel=\"edit\" href=\"http://a/edit\"/>",
         "http://a/edit"},
        {"<content type=\"xhtml\"><div><link href=\"http://in/content\"/><br></div></content>", "(none)"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.link, LinkOf(Parse(Atom(Entry(c.links))))) << c.links;
}

TEST(RssItems, ReadSingleQuotedEnclosuresAndTheirOwnAtomLink) {
    Result r =
        Parse(Rss("<item><title>T</title><link>http://a/x</link>"
                  "<enclosure url='http://a/e.m4a' length='1' type='audio/x-m4a'/></item>"));
    ASSERT_EQ(2u, r.articles.size());
    EXPECT_EQ("[e.m4a]", r.articles[1].title);
    EXPECT_EQ("http://a/e.m4a", r.articles[1].link);
    r = Parse(
        "<rss xmlns:a10=\"http://www.w3.org/2005/Atom\"><channel><a10:link rel=\"self\" href=\"http://a/f\"/>"
        "<item><title>T</title><a10:link href='http://a/item'/></item></channel></rss>");
    EXPECT_EQ("http://a/item", LinkOf(r));
}

TEST(FeedEncoding, AnyDeclaredCodePageAndUndeclaredLatin1) {
    struct Case {
        const char* declaration;
        const char* title;     // raw bytes
        const char* expected;  // Shift_JIS
    } const cases[] = {
        {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
        {"<?xml version='1.0' encoding='KOI8-R'?>", "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
        {"<?xml version=\"1.0\" encoding=\"Big5\"?>", "\xA4\xA4\xA4\xE5", "中文"},
        {"<?xml version=\"1.0\" encoding=\"gb2312\"?>", "\xD6\xD0\xCE\xC4", "中文"},
        {"<?xml version=\"1.0\" encoding=\"EUC-KR\"?>", "\xC7\xD1 \xB0\xA1",
         " "},  // no Shift_JIS form: spaces
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "Caf\xE9 \x93x\x94", "Cafe \x81\x67x\x81\x68"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "Caf\xC3\xA9", "Cafe"},  // UTF-8 under that label
        {"<?xml version=\"1.0\"?>", "Caf\xE9 cr\xE8me", "Cafe creme"},
        {"", "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xFF", "あいうえ "},  // one stray byte
        {"", "\x82\xA0\x82\xA2", "あい"},
        {"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>", "\x8E\xB1\x8E\xB2\xA4\xA2", "ｱｲあ"},
    };
    for (const Case& c : cases) {
        Result r = Parse(Rss(Item(c.title, "l"), c.declaration));
        ASSERT_EQ(1u, r.articles.size()) << c.declaration;
        EXPECT_EQ(c.expected, r.articles[0].title) << c.declaration;
    }
}

TEST(RssItems, GuidPermalinksAndTitleLessItemsAreArticles) {
    struct Case {
        const char* item;
        const char* title;
        const char* link;
    } const cases[] = {
        {"<title>G</title><guid>http://a/g</guid>", "G", "http://a/g"},
        {"<title>G</title><guid isPermaLink=\"true\">post/7</guid>", "G", "http://example.jp/feeds/post/7"},
        {"<title>G</title><guid isPermaLink=\"false\">http://a/g</guid>", nullptr, nullptr},
        {"<title>G</title><guid>tag:a.example,2026:1</guid>", nullptr, nullptr},
        // A Mastodon-style item: no title, the post's text as escaped HTML.
        {"<guid isPermaLink=\"true\">https://m.example/@u/1</guid><link>https://m.example/@u/1</link>"
         "<description>&lt;p&gt;Hello &lt;b&gt;world&lt;/b&gt;,&lt;br&gt;\nand more&lt;/p&gt;</description>",
         "Hello world, and more", "https://m.example/@u/1"},
        {"<link>http://a/bare</link>", "無題", "http://a/bare"},
    };
    for (const Case& c : cases) {
        Result r = ParseAt(Rss(std::string("<item>") + c.item + "</item>"));
        if (!c.link) {
            EXPECT_EQ(0u, r.articles.size()) << c.item;
            continue;
        }
        ASSERT_EQ(1u, r.articles.size()) << c.item;
        EXPECT_EQ(c.title, r.articles[0].title) << c.item;
        EXPECT_EQ(c.link, r.articles[0].link) << c.item;
    }
    // A long description is cut to the slot between characters, whatever markup it held.
    std::string text = "&lt;p&gt;";
    for (int i = 0; i < 300; ++i) text += "\xE3\x81\x82";
    Result r = Parse(Rss("<item><link>l</link><description>" + text + "</description></item>"));
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ(254u, r.articles[0].title.size());
    EXPECT_FALSE(EndsInLeadByte(r.articles[0].title));
}

TEST(PrefixedNames, OfTheAtomAndRssNamespacesAreRead) {
    Result r = Parse(
        "<a:feed xmlns:a=\"http://www.w3.org/2005/Atom\"><a:entry><a:title>P</a:title>"
        "<a:link href=\"http://a/p\"/><a:updated>2004-01-05</a:updated></a:entry></a:feed>");
    ASSERT_EQ(1u, r.articles.size());
    EXPECT_EQ("http://a/p", r.articles[0].link);
    EXPECT_EQ(4387, r.articles[0].day);
    r = Parse(
        "<rdf:RDF xmlns:rss=\"http://purl.org/rss/1.0/\"><rss:item><rss:title>R</rss:title>"
        "<rss:link>http://a/r</rss:link></rss:item></rdf:RDF>");
    EXPECT_EQ("http://a/r", LinkOf(r));
}

TEST(Rfc822Dates, ReadTheFormsFeedsWrite) {
    struct Case {
        const char* text;
        int day;
    } const cases[] = {
        {"Fri, 29 January 2021 16:42:00 GMT", DayNumber(2021, 1, 29)},
        {"Fri Jan 29 2021 16:42:00 GMT+0000", DayNumber(2021, 1, 29)},
        {"Sat, Dec 16 2023 02:02:33 PM", DayNumber(2023, 12, 16)},
        {"Jan 29 16:42:00 2021", DayNumber(2021, 1, 29)},
        {"Sept 5, 2021", DayNumber(2021, 9, 5)},
        {"01 Jan 04", 4383},
        {"01-Jan-2004", 4383},
        {"1 Jan 99", DayNumber(1999, 1, 1)},
        {"01 Janu 2004", -1},
        {"Mon, 01 2004", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.day, ParseRfc822Date(c.text)) << c.text;
    EXPECT_EQ(4383, ParseIsoDate("\n  2004-01-01T00:00:00Z"));
    Result r = Parse(Rss(Item("a", "l", "<dc:date>\n  2004-01-02T10:00:00Z\n</dc:date>")));
    EXPECT_EQ(4384, r.articles.at(0).day);
}

TEST(Links, AreDecodedResolvedAndNeverBestFit) {
    std::string ampersands = "http://a/?";
    for (int i = 0; i < 60; ++i) ampersands += "x=1&amp;";  // 490 bytes written, 250 read
    std::string readAmpersands = "http://a/?";
    for (int i = 0; i < 60; ++i) readAmpersands += "x=1&";
    struct Case {
        std::string link, expected;
    } const cases[] = {
        {"post/1", "http://example.jp/feeds/post/1"},
        {"../x", "http://example.jp/x"},
        {"/abs", "http://example.jp/abs"},
        {"//cdn.example.com/a", "http://cdn.example.com/a"},
        {"?page=2", "http://example.jp/feeds/index.xml?page=2"},
        {"<![CDATA[http://other/a?b=1&c=2]]>", "http://other/a?b=1&c=2"},
        {"http://other/a?b=1&amp;c=2", "http://other/a?b=1&c=2"},
        {"http://a/t&#xE9;l2.jpg", "http://a/t%C3%A9l2.jpg"},
        {"http://a/t\xC3\xA9l2.jpg", "http://a/t%C3%A9l2.jpg"},
        {"http://a/\xE6\x97\xA5\xE6\x9C\xAC", "http://a/日本"},
        {ampersands, readAmpersands},
        {"http://a/" + std::string(250, 'x'), "http://example.jp/"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, LinkOf(ParseAt(Rss(Item("t", c.link))))) << c.link;

    Result r =
        ParseAt(Rss("<item><title>T</title><link>l</link>"
                    "<enclosure url=\"http://a/v?x=1&amp;y=2\" type=\"video/mp4\"/></item>"));
    EXPECT_EQ("http://a/v?x=1&y=2", r.articles.at(1).link);
}

TEST(Links, FollowXmlBaseOfTheFeedTheEntryAndTheLink) {
    Result r = ParseAt(
        "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"http://base.example/dir/\">"
        "<entry><title>a</title><link href=\"p.html\"/></entry>"
        "<entry xml:base=\"sub/\"><title>b</title><link href=\"p.html\"/></entry>"
        "<entry><title>c</title><link xml:base=\"/other/\" href=\"p.html\"/></entry>"
        "<entry xml:base=\"\"><title>d</title><link href=\"p.html\"/></entry></feed>");
    ASSERT_EQ(4u, r.articles.size());
    EXPECT_EQ("http://base.example/dir/p.html", r.articles[0].link);
    EXPECT_EQ("http://base.example/dir/sub/p.html", r.articles[1].link);
    EXPECT_EQ("http://base.example/other/p.html", r.articles[2].link);
    EXPECT_EQ("http://base.example/dir/p.html", r.articles[3].link);
    r = ParseAt(Rss("<item xml:base=\"http://i.example/x/\"><title>i</title><link>post/1</link></item>"));
    EXPECT_EQ("http://i.example/x/post/1", LinkOf(r));
}

TEST(RssItems, TitlesKeepABareLessThanAndReadLineBreaksAsSpaces) {
    Result r = Parse(Rss(Item("1 &lt; 2\nand 3 <b>bold</b>", "l")));
    EXPECT_EQ("1 < 2 and 3 bold", r.articles.at(0).title);
}

}  // namespace

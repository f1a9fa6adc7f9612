// The site name and item count of a fetched feed, in each encoding and format a feed comes in.
#include "config/feed_title.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct TitleCase {
    const char* name;
    std::string document;
    const char* site;  // Shift_JIS, as the dialog shows it
    int count;
};

int Lookup(const std::string& document, char* site) {
    return LookupFeedTitle(TextView{document.c_str(), static_cast<int>(document.size())}, site, kSlotSize);
}

std::string Euc(const std::string& text) {
    // "日本" in EUC-JP: C6FC CBDC
    return text == "nihon" ? std::string("\xC6\xFC\xCB\xDC") : text;
}

TEST(LookupFeedTitle, TitleAndCountInEveryFormat) {
    const TitleCase cases[] = {
        {"rss2 utf-8",
         u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>毎朝ニュース</title>"
         "<item><title>a</title></item><item><title>b</title></item><item><title>c</title></item></channel></"
         "rss>",
         "毎朝ニュース", 3},
        // The channel's own "items" list is not an item.
        {"rss1 with items list",
         "<rdf:RDF><channel><title>R1</title><items><rdf:Seq/></items></channel>"
         "<item rdf:about=\"x\"><title>1</title></item><item rdf:about=\"y\"/></rdf:RDF>",
         "R1", 2},
        {"atom counts entries",
         "<feed><title type=\"text\">Atom site</title><entry><title>e</title></entry><entry></entry></feed>",
         "Atom site", 2},
        {"no items nor entries", "<rss><channel><title>Empty</title></channel></rss>", "Empty", 0},
        {"euc-jp",
         "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><rss><title>" + Euc("nihon") +
             "</title><item></item></rss>",
         "日本", 1},
        {"shift_jis kept as it is",
         "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rss><title>表ソ</title><item>x</item></rss>", "表ソ",
         1},
        {"no declaration is utf-8", u8"<rss><title>東京</title></rss>", "東京", 0},
        {"markup cleaned", "<rss><title><![CDATA[A &amp; B]]></title></rss>", "A & B", 0},
        {"no title", "<rss><channel><item><link>x</link></item></channel></rss>",
         "サイト名が取得できませんでした。", 0},
        {"unclosed title", "<rss><title>never closed", "サイト名が取得できませんでした。", 0},
        {"empty document", "", "サイト名が取得できませんでした。", 0},
    };
    for (const TitleCase& c : cases) {
        char site[kSlotSize];
        int count = Lookup(c.document, site);
        EXPECT_STREQ(c.site, site) << c.name;
        EXPECT_EQ(c.count, count) << c.name;
    }
}

TEST(LookupFeedTitle, LongTitleIsCutWithinTheSlotOnACharacterBoundary) {
    std::string title;
    for (int i = 0; i < 200; ++i) title += u8"あ";  // 600 bytes of UTF-8, 400 of Shift_JIS
    char site[kSlotSize];
    Lookup("<rss><title>" + title + "</title></rss>", site);
    std::string shown = site;
    // 255 bytes of UTF-8 are 85 characters, 170 bytes of Shift_JIS.
    EXPECT_EQ(170u, shown.size());
    EXPECT_EQ(0u, shown.size() % 2);

    char small[8];
    LookupFeedTitle(ViewOf(u8"<rss><title>表表表表表</title></rss>"), small, sizeof small);
    EXPECT_STREQ("表表表", small);
}

std::string Corpus(const char* name) {
    std::string bytes;
    if (FILE* file = std::fopen((std::string(NEWSROLLER_CORPUS_DIR) + "/feeds/" + name).c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

TEST(LookupFeedTitle, RealFeeds) {
    char site[kSlotSize];
    EXPECT_EQ(30, Lookup(Corpus("chardet__10e.org.xml"), site));  // Shift_JIS RSS 1.0
    EXPECT_STREQ("エルエル", site);
    EXPECT_EQ(15, Lookup(Corpus("chardet__aivy.co.jp.xml"), site));  // EUC-JP RSS 1.0
    EXPECT_STREQ("ぬる風呂", site);
}

}  // namespace

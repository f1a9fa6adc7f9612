// Every real-world document of the corpus through the feed parser, and the articles of a sample of
// them as checked by eye (with tools/feedcheck).
#include <gtest/gtest.h>

#include <dirent.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "feed/day_number.h"
#include "feed/parser.h"
#include "platform/code_pages_posix.h"

namespace {

constexpr int kToday = 11000;

const std::string kFeeds = std::string(NEWSROLLER_CORPUS_DIR) + "/feeds/";

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    if (DIR* dir = opendir(kFeeds.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    return names;
}

// The whole file in a block of exactly its text and a zero byte; the text ends at the first zero
// byte, as with the program's own reader.
std::unique_ptr<char[]> Load(const std::string& name, int& length) {
    std::string bytes;
    if (FILE* file = std::fopen((kFeeds + name).c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
        std::fclose(file);
    }
    length = static_cast<int>(strlen(bytes.c_str()));
    std::unique_ptr<char[]> text(new char[length + 1]);
    memcpy(text.get(), bytes.c_str(), length);
    text[length] = '\0';
    return text;
}

struct Parsed {
    std::unique_ptr<ArticleTable> table = std::make_unique<ArticleTable>();
    int found = 0;
};

std::unique_ptr<Parsed> ParseFile(const std::string& name, int maximum = kArticleCapacity,
                                  int countBefore = 0, const char* address = nullptr) {
    auto parsed = std::make_unique<Parsed>();
    int length = 0;
    std::unique_ptr<char[]> text = Load(name, length);
    parsed->table->count = countBefore;
    IconvCodePages codePages;
    FeedParseTarget target{*parsed->table, parsed->found, maximum, kToday, nullptr, address, &codePages};
    ParseFeedDocument(TextView{text.get(), length}, "site", address ? "http://example.jp" : "http://root",
                      target);
    return parsed;
}

constexpr char kAddress[] = "http://example.jp/feed.xml";

bool SlotTextIsSound(const char* text) {
    const void* end = memchr(text, '\0', kSlotSize);
    return end != nullptr;
}

TEST(Corpus, EveryDocumentGivesSoundArticles) {
    const std::vector<std::string> names = CorpusFiles();
    ASSERT_GE(names.size(), 150u);
    const int latest = DayNumber(2500, 12, 31);
    int documentsWithArticles = 0;
    for (const std::string& name : names) {
        auto parsed = ParseFile(name);
        const ArticleTable& table = *parsed->table;
        ASSERT_EQ(parsed->found, table.count) << name;
        if (table.count > 0) ++documentsWithArticles;
        for (int i = 0; i < table.count; ++i) {
            const ArticleEntry& a = table.slot[i];
            ASSERT_STREQ("site", a.site) << name;
            ASSERT_TRUE(SlotTextIsSound(a.title)) << name << " " << i;
            ASSERT_TRUE(SlotTextIsSound(a.link)) << name << " " << i;
            EXPECT_TRUE(a.day == kToday || (a.day >= -1 && a.day <= latest))
                << name << " " << i << " " << a.day;
        }
        // The same document near the end of the table, and with a small maximum.
        auto nearFull = ParseFile(name, kArticleCapacity, kArticleCapacity - 3);
        EXPECT_LE(nearFull->table->count, kArticleCapacity) << name;
        EXPECT_EQ(std::min(parsed->found, 3), nearFull->found) << name;
        auto limited = ParseFile(name, 2);
        EXPECT_EQ(std::min(parsed->found, 2), limited->found) << name;
    }
    EXPECT_GE(documentsWithArticles, 120);
}

TEST(Corpus, ArticleCountsOfASample) {
    struct Expected {
        const char* name;
        int count;
    };
    const Expected expected[] = {
        {"chardet__10e.org.xml", 30},           // RSS 1.0, Shift_JIS
        {"chardet__aivy.co.jp.xml", 15},        // RSS 1.0, EUC-JP
        {"chardet__club.h14m.org.xml", 16},     // RSS 1.0, encoding="euc-jp" ?>
        {"chardet__tls.org.xml", 34},           // RSS 1.0, EUC-JP
        {"chardet__pihgy.hu.xml", 18},          // RSS 2.0: 15 items, 3 of them with an enclosure
        {"netnewswire__atp.rss", 200},          // 100 podcast items, each with an enclosure
        {"tech-blog-rss-feed__atom.xml", 447},  // Atom 1.0
        {"chardet__y-moto.com.xml", 15},        // Atom 0.3, Shift_JIS with CP932 characters
        {"feedparser__chardet-eucjp.xml", 0},   // items without links
        {"feedparser__entry_issued.xml", 0},    // an entry without title and link
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(e.count, ParseFile(e.name)->found) << e.name;
    }
}

TEST(Corpus, ArticlesOfASample) {
    auto sjis = ParseFile("chardet__10e.org.xml");
    EXPECT_STREQ("いろいろちょっと待ってネ。", sjis->table->slot[0].title);
    EXPECT_STREQ("http://10e.org/mt/archives/200601/030402.php", sjis->table->slot[0].link);
    EXPECT_EQ(DayNumber(2006, 1, 3), sjis->table->slot[0].day);

    auto euc = ParseFile("chardet__aivy.co.jp.xml");
    EXPECT_STREQ("ゲーム三昧な正月", euc->table->slot[0].title);
    EXPECT_STREQ("Mr.&Mrs.スミス", euc->table->slot[11].title);

    auto enclosures = ParseFile("chardet__pihgy.hu.xml");
    EXPECT_STREQ("[tel2.jpg]", enclosures->table->slot[2].title);
    EXPECT_STREQ("http://pihgy.hu/files/t%C3%A9l2.jpg", enclosures->table->slot[2].link);  // never best fit

    auto atom = ParseFile("chardet__y-moto.com.xml");
    EXPECT_STREQ("年間走行距離報告～良いお年を！", atom->table->slot[2].title);

    // Atom 0.3: "issued" dates an entry, else "modified".
    auto dates = ParseFile("comm-central__atom03_dates.xml");
    ASSERT_EQ(2, dates->found);
    EXPECT_EQ(DayNumber(2026, 3, 17), dates->table->slot[0].day);
    EXPECT_EQ(DayNumber(2026, 5, 4), dates->table->slot[1].day);

    // The first alternate link's href, not its hreflang.
    auto links = ParseFile("newsboat__multiple_item_links.atom");
    ASSERT_EQ(1, links->found);
    EXPECT_STREQ("gemini://gemini.test.org/tests", links->table->slot[0].link);
    EXPECT_EQ(DayNumber(2022, 5, 13), links->table->slot[0].day);  // from "updated"
}

// One article for each way of writing a feed that once lost or garbled articles, as a tolerant
// reader of feeds shows it (null: not compared).
TEST(Corpus, ArticlesAsFeedsOnTheWebWriteThem) {
    struct Case {
        const char* file;
        int found, slot;
        const char* title;
        const char* link;
        int day;
    } const cases[] = {
        {"tech-blog-rss-feed__atom.xml", 447, 0, nullptr,
         "https://blog.fltech.dev/entry/2026/08/07/NeurIPS2026-WS-AgenticAIBenchmarks-ja",
         DayNumber(2026, 8, 8)},
        {"feedjira__ITunesWithSingleQuotedAttributes.xml", 6, 1, "[AllAboutEverythingEpisode3.m4a]",
         "http://example.com/podcasts/everything/AllAboutEverythingEpisode3.m4a", 0},
        {"node-feedparser__iconv.xml", 20, 0, "В Бузулуке главные стройплощадки детсад и Ледовый дворец",
         "http://www.oren.ru/news/2743422/", 0},
        {"chardet__artifact-jp.com.xml", 0, 1, "HDD･DVDレコーダーのレビュー", nullptr, 0},
        {"netnewswire__scriptingNews.rss", 51, 0, "Good morning students and teachers!",
         "http://scripting.com/2017/06/26.html#a080605", 0},
        {"podcastparser__itunes_no_xmlns.rss", 1, 0, "Namespace Test", "http://example.jp/a", 0},
        {"xml-feed__rss10-datespaces.xml", 10, 0, nullptr, nullptr, DayNumber(2011, 12, 6)},
        {"feed-rs__rss_2.0_nbcny.xml", 1, 0, nullptr, nullptr, DayNumber(2023, 12, 16)},
        {"gofeed__rss_channel_item_xml_base.xml", 1, 0, nullptr, "http://example.org/feeds/post/1", 0},
        {"node-feedparser__tpm-with-empty-base.atom", 20, 1, nullptr,
         "http://example.jp/edblog/were-hiring-senior-editor", 0},
        {"plagger__googlevideo.xml", 20, 1, nullptr, "http://example.jp/", 0},  // too long for a slot
    };
    for (const Case& c : cases) {
        auto parsed = ParseFile(c.file, kArticleCapacity, 0, kAddress);
        if (c.found) {
            EXPECT_EQ(c.found, parsed->found) << c.file;
        }
        ASSERT_LT(c.slot, parsed->table->count) << c.file;
        const ArticleEntry& a = parsed->table->slot[c.slot];
        if (c.title) {
            EXPECT_STREQ(c.title, a.title) << c.file;
        }
        if (c.link) {
            EXPECT_STREQ(c.link, a.link) << c.file;
        }
        if (c.day) {
            EXPECT_EQ(c.day, a.day) << c.file;
        }
    }
}

// Read with the feed's address, every link of the corpus is an address that opens: a scheme in
// front, no reference left.
TEST(Corpus, EveryLinkIsAnAbsoluteAddress) {
    for (const std::string& name : CorpusFiles()) {
        auto parsed = ParseFile(name, kArticleCapacity, 0, kAddress);
        for (int i = 0; i < parsed->table->count; ++i) {
            const char* link = parsed->table->slot[i].link;
            if (!link[0]) continue;
            const char* colon = strchr(link, ':');
            EXPECT_TRUE(colon && colon > link && isalpha(static_cast<unsigned char>(link[0])))
                << name << ": " << link;
            EXPECT_EQ(nullptr, strstr(link, "&amp;")) << name << ": " << link;
        }
    }
}

// A numeric character reference: "&#" and a decimal digit, or "&#x" / "&#X" and a hexadecimal one.
bool HoldsNumericReference(const char* begin, const char* end) {
    for (const char* p = begin; p + 3 < end; ++p) {
        if (p[0] != '&' || p[1] != '#') continue;
        if (isdigit(static_cast<unsigned char>(p[2])) ||
            ((p[2] == 'x' || p[2] == 'X') && isxdigit(static_cast<unsigned char>(p[3]))))
            return true;
    }
    return false;
}

TEST(Corpus, TitlesKeepNoNumericCharacterReference) {
    // Eight documents of the corpus write numeric references in their titles; three are named below.
    int titles = 0;
    for (const std::string& name : CorpusFiles()) {
        auto parsed = ParseFile(name);
        for (int i = 0; i < parsed->table->count; ++i, ++titles) {
            const char* title = parsed->table->slot[i].title;
            EXPECT_FALSE(HoldsNumericReference(title, title + strlen(title)))
                << name << " " << i << " " << title;
        }
    }
    EXPECT_GT(titles, 2000);
    EXPECT_STREQ("Intel's “Cripple AMD” Function (2019)",
                 ParseFile("feedjira__RSSWithComments.xml")->table->slot[20].title);
    EXPECT_STREQ("Wth… reading books?",
                 ParseFile("laminas-feed__wordpress-rss2-dc-atom.xml")->table->slot[0].title);
    // A Shift_JIS document whose titles are written as references.
    EXPECT_STREQ("1：▼つω・。▼ ◆Q2Ql4Ejios ＠涙のバレンタインφ ★",
                 ParseFile("plagger__top10news.xml")->table->slot[0].title);
}

}  // namespace

#include "config/opml_import.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Seen {
    OpmlWalk::Step step;
    std::string site, url;
    bool operator==(const Seen& o) const { return step == o.step && site == o.site && url == o.url; }
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << static_cast<int>(s.step) << " [" << s.site << "] " << s.url;
}

using Step = OpmlWalk::Step;

// Every step of a walk to its end; NewFeed outlines are added to the table as the import does.
std::vector<Seen> Walk(const std::string& document, FeedTable& feeds) {
    OpmlWalk walk(TextView{document.c_str(), static_cast<int>(document.size())});
    std::vector<Seen> seen;
    for (int guard = 0; guard < 20000; ++guard) {
        Step step = walk.Next(feeds);
        if (step == Step::Finished) break;
        bool read = step == Step::NewFeed || step == Step::AlreadyRegistered;
        seen.push_back({step, read ? walk.site() : "", read ? walk.url() : ""});
        if (step == Step::NewFeed && feeds.count < kFeedSlots) {
            CopyCut(feeds.site[feeds.count], kSlotSize, walk.site());
            CopyCut(feeds.url[feeds.count], kSlotSize, walk.url());
            ++feeds.count;
        }
    }
    return seen;
}

std::vector<Seen> Walk(const std::string& document) {
    auto feeds = std::make_unique<FeedTable>();
    return Walk(document, *feeds);
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"1.1\"><body>\n";
const std::string kTail = "</body></opml>\n";

TEST(OpmlWalk, OutlinesTheImportTakesSkipsAndFindsRegistered) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<Seen> expected;
    } cases[] = {
        {"a folder without xmlUrl is skipped, its children are taken",
         "<outline text=\"Folder\">\n<outline text=\"A\" xmlUrl=\"http://a/\"/>\n"
         "<outline text=\"B\" type=\"rss\" xmlUrl=\"http://b/\"/>\n</outline>\n",
         {{Step::Skipped, "", ""}, {Step::NewFeed, "A", "http://a/"}, {Step::NewFeed, "B", "http://b/"}}},
        {"an address seen before in the same file is registered by then",
         "<outline text=\"A\" xmlUrl=\"http://a/\"/><outline text=\"A again\" xmlUrl=\"http://a/\"/>",
         {{Step::NewFeed, "A", "http://a/"}, {Step::AlreadyRegistered, "A again", "http://a/"}}},
        {"title serves only when no text follows anywhere",
         "<outline title=\"T\" xmlUrl=\"http://t/\"/>",
         {{Step::NewFeed, "T", "http://t/"}}},
        {"a title-only outline before one with text is skipped",
         "<outline title=\"T\" xmlUrl=\"http://t/\"/><outline text=\"U\" xmlUrl=\"http://u/\"/>",
         {{Step::Skipped, "", ""}, {Step::NewFeed, "U", "http://u/"}}},
        {"single quotes are no value", "<outline text='S' xmlUrl='http://s/'/>", {{Step::Skipped, "", ""}}},
        {"references and markup in values are cleaned",
         "<outline text=\"Q&amp;A &lt;b&gt;\" xmlUrl=\"http://q/?a=1&amp;b=2\"/>",
         {{Step::NewFeed, "Q&A ", "http://q/?a=1&b=2"}}},
        {"UTF-8 names become Shift_JIS",
         u8"<outline text=\"ニュース\" xmlUrl=\"http://n/\"/>",
         {{Step::NewFeed, "ニュース", "http://n/"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Walk(kHead + c.body + kTail)) << c.name;
    }
    // A start tag that never ends finishes the walk.
    EXPECT_EQ(std::vector<Seen>{}, Walk(kHead + "<outline text=\"A\" xmlUrl=\"http://a/\" "));
}

TEST(OpmlWalk, RegisteredFeedsAreShownButNotAdded) {
    auto feeds = std::make_unique<FeedTable>();
    feeds->count = 1;
    CopyCut(feeds->url[0], kSlotSize, "http://a/");
    std::vector<Seen> seen = Walk(kHead + "<outline text=\"A\" xmlUrl=\"http://a/\"/>" + kTail, *feeds);
    EXPECT_EQ((std::vector<Seen>{{Step::AlreadyRegistered, "A", "http://a/"}}), seen);
    EXPECT_EQ(1, feeds->count);
}

TEST(OpmlWalk, DeclaredEncodingsGiveShiftJisNames) {
    // "ニュース" in EUC-JP and in Shift_JIS bytes.
    const std::string euc = "\xA5\xCB\xA5\xE5\xA1\xBC\xA5\xB9";
    const std::string sjis = "ニュース";
    struct Case {
        std::string declaration, name;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>", euc},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>", sjis},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>", u8"ニュース"},
        {"", u8"ニュース"},  // no declaration: UTF-8
    };
    for (const Case& c : cases) {
        std::string document =
            c.declaration + "<opml><body><outline text=\"" + c.name + "\" xmlUrl=\"http://n/\"/>" + kTail;
        EXPECT_EQ((std::vector<Seen>{{Step::NewFeed, sjis, "http://n/"}}), Walk(document)) << c.declaration;
    }
}

TEST(OpmlWalk, CorpusFilesGiveTheirFeeds) {
    struct Case {
        const char* file;
        int outlines, feeds;
    } cases[] = {
        {"commafeed__opml_v1.1.xml", 2, 1},
        {"feedvalidator__subscriptionList.opml", 13, 13},
        {"liferea__feedlist_de.opml", 29, 16},
    };
    for (const Case& c : cases) {
        std::ifstream in(std::string(NEWSROLLER_CORPUS_DIR) + "/opml/" + c.file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::string document = bytes.str();
        ASSERT_FALSE(document.empty()) << c.file;
        OpmlWalk walk(TextView{document.c_str(), static_cast<int>(document.size())});
        EXPECT_EQ(c.outlines, walk.outlineTotal()) << c.file;
        auto feeds = std::make_unique<FeedTable>();
        std::vector<Seen> seen = Walk(document, *feeds);
        EXPECT_EQ(c.feeds, feeds->count) << c.file;
    }
}

}  // namespace

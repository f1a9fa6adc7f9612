#include "feed/scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "support/scan_walk.h"

namespace {

struct Doc {
    explicit Doc(std::string s) : text(std::move(s)) {}
    TextView view() const { return TextView{text.c_str(), static_cast<int>(text.size())}; }
    std::string text;
};

TEST(FindText, LeavesCursorJustAfterTheMatch) {
    Doc doc("<enclosure url=\"x\" length=\"1\"/>");
    int cursor = 0;
    ASSERT_EQ(kFound, FindText("url", cursor, doc.view().length, doc.view()));
    EXPECT_EQ('=', doc.text[cursor]);
}

TEST(FindText, IsCaseInsensitiveAndSkipsCdata) {
    Doc doc("<a><![CDATA[ encoding ]]> ENCODING here</a>");
    int cursor = 0;
    ASSERT_EQ(kFound, FindTextInDocument("encoding", cursor, doc.view()));
    EXPECT_EQ(doc.text.find("ENCODING") + 8, static_cast<size_t>(cursor));
}

TEST(FindText, NeverMatchesWithinTheLastThreeBytesBeforeTheLimit) {
    Doc doc("abcXYZ");
    int cursor = 0;
    // "XYZ" ends exactly at the limit: p + 3 + 2 < 6 fails for p = 3.
    EXPECT_EQ(kNotFound, FindTextInDocument("XYZ", cursor, doc.view()));
    cursor = 0;
    Doc longer("abcXYZ...");
    EXPECT_EQ(kFound, FindTextInDocument("XYZ", cursor, longer.view()));
    EXPECT_EQ(6, cursor);
}

TEST(FindOpenTag, MatchesItemAndItemWithAttributesButNotItems) {
    Doc doc("<items><item/><item\t><item rdf:about=\"x\">A</item><item>B</item>");
    int cursor = 0;
    ASSERT_EQ(kFound, FindOpenTagInDocument("item", cursor, doc.view()));
    EXPECT_EQ('A', doc.text[cursor]);
    ASSERT_EQ(kFound, FindOpenTagInDocument("item", cursor, doc.view()));
    EXPECT_EQ('B', doc.text[cursor]);
}

TEST(FindOpenTag, NamesCompareCaseInsensitively) {
    Doc doc("<title>A</title> and more text");
    int cursor = 0;
    ASSERT_EQ(kFound, FindOpenTagInDocument("TITLE", cursor, doc.view()));
    EXPECT_EQ('A', doc.text[cursor]);
}

TEST(FindCloseTag, LeavesCursorOnTheLastContentByte) {
    Doc doc("<title>A</title> and more text");
    int cursor = 0;
    ASSERT_EQ(kFound, FindOpenTag("title", cursor, doc.view().length, doc.view()));
    EXPECT_EQ(7, cursor);
    ASSERT_EQ(kFound, FindCloseTag("title", cursor, doc.view().length, doc.view()));
    EXPECT_EQ(7, cursor);
}

TEST(FindCloseTag, DoesNotExamineTheByteAfterTheName) {
    Doc doc("<a>x</titles> trailing");
    int cursor = 0;
    EXPECT_EQ(kFound, FindCloseTagInDocument("title", cursor, doc.view()));
    EXPECT_EQ(3, cursor);
}

TEST(FindCloseTag, BoundedSearchReachesTwoBytesBeyondTheLimit) {
    Doc doc("<item><title>T</title></item> padding");
    int start = 6;
    int cursor = start;
    ASSERT_EQ(kFound, FindOpenTag("title", cursor, 22, doc.view()));
    // The caller's limit is the last byte before "</item": the end tag "</title" ends well before it.
    int limit = static_cast<int>(doc.text.find("</item")) - 1;
    ASSERT_EQ(kFound, FindCloseTag("title", cursor, limit, doc.view()));
    EXPECT_EQ('T', doc.text[cursor]);
}

TEST(TagSearches, IgnoreMarkupInsideCdata) {
    Doc doc("<item><![CDATA[<link>http://inside</link>]]></item> and then some");
    int cursor = 0;
    EXPECT_EQ(kNotFound, FindOpenTagInDocument("link", cursor, doc.view()));
    cursor = 0;
    EXPECT_EQ(kNotFound, FindCloseTagInDocument("link", cursor, doc.view()));
    cursor = 0;
    EXPECT_EQ(kFound, FindCloseTagInDocument("item", cursor, doc.view()));
}

TEST(BoundedSearches, FailAtOnceWithTheCursorAtTheLimit) {
    Doc doc("<title>A</title><title>B</title>");
    for (int which = 0; which < 3; ++which) {
        int cursor = 10;
        int result = which == 0   ? FindText("title", cursor, 10, doc.view())
                     : which == 1 ? FindOpenTag("title", cursor, 10, doc.view())
                                  : FindCloseTag("title", cursor, 8, doc.view());
        EXPECT_EQ(kNotFound, result) << which;
        EXPECT_EQ(10, cursor) << which;
    }
}

TEST(BoundedSearches, StayInsideTheTextWhateverTheLimitAndCursor) {
    Doc doc("<![CDATA[ never closed <title");
    int cursor = -5;
    EXPECT_EQ(kNotFound, FindText("title", cursor, 1 << 30, doc.view()));
    cursor = 0;
    EXPECT_EQ(kNotFound, FindOpenTag("title", cursor, 1 << 30, doc.view()));
    cursor = 0;
    EXPECT_EQ(kNotFound, FindCloseTag("title", cursor, 1 << 30, doc.view()));
    cursor = 1 << 30;
    EXPECT_EQ(kNotFound, FindTextInDocument("x", cursor, doc.view()));
}

TEST(FindInString, FirstByteExactRestCaseInsensitive) {
    int cursor = 0;
    ASSERT_EQ(kFound, FindInString("&amp;", "a &AMP; b", cursor));
    EXPECT_EQ(2, cursor);
    cursor = 0;
    EXPECT_EQ(kNotFound, FindInString("abc", "xxABC", cursor));
    cursor = 0;
    EXPECT_EQ(kNotFound, FindInString("]]>", "]]", cursor));
}

}  // namespace

namespace {

// Random documents made of the pieces that matter to the searches, so that CDATA sections, near
// misses and bounds meet in every combination.
std::string RandomDocument(std::mt19937& rng) {
    static const char* const kPieces[] = {
        "<",        "/",   "!",         "]",      ">",        " ",       "x",       "T",       "<![CDATA[",
        "]]>",      "]]",  "<item>",    "<item ", "</item>",  "<items>", "<title>", "</TITLE", "</titles>",
        "<!-- -->", "url", "URL=\"a\"", "<Title", "\x82\xa0", "it",      "em"};
    std::uniform_int_distribution<int> count(0, 24);
    std::uniform_int_distribution<size_t> piece(0, sizeof kPieces / sizeof kPieces[0] - 1);
    std::string text;
    for (int n = count(rng); n > 0; --n) text += kPieces[piece(rng)];
    return text;
}

TEST(Searches, EndWhereTheByteByByteWalkEnds) {
    std::mt19937 rng(20040101);
    static const char* const kLiterals[] = {"url", "<item", "]]>", "t", "<![CDATA[", "item>"};
    static const char* const kNames[] = {"item", "title", "TITLE", "i"};
    int compared = 0;
    for (int round = 0; round < 20000; ++round) {
        Doc doc(RandomDocument(rng));
        const int length = doc.view().length;
        std::uniform_int_distribution<int> position(-2, length + 4);
        const int start = position(rng);
        const int limit = position(rng);
        for (const char* literal : kLiterals) {
            int a = start, b = start;
            ASSERT_EQ(walk::FindText(literal, a, limit, doc.view()), FindText(literal, b, limit, doc.view()))
                << doc.text << " " << literal << " " << start << " " << limit;
            ASSERT_EQ(a, b) << doc.text << " " << literal << " " << start << " " << limit;
            if (start >= 0) {
                int c = start, d = start;
                ASSERT_EQ(walk::FindInString(literal, doc.text.c_str(), c),
                          FindInString(literal, doc.text.c_str(), d))
                    << doc.text << " " << literal << " " << start;
                ASSERT_EQ(c, d) << doc.text << " " << literal << " " << start;
            }
        }
        for (const char* name : kNames) {
            int a = start, b = start;
            ASSERT_EQ(walk::FindOpenTag(name, a, limit, doc.view()), FindOpenTag(name, b, limit, doc.view()))
                << doc.text << " " << name << " " << start << " " << limit;
            ASSERT_EQ(a, b) << doc.text << " " << name << " " << start << " " << limit;
            a = b = start;
            const int widened = limit + 2 > length ? length : limit + 2;
            ASSERT_EQ(walk::FindCloseTag(name, a, widened, doc.view()),
                      FindCloseTag(name, b, limit, doc.view()))
                << doc.text << " " << name << " " << start << " " << limit;
            ASSERT_EQ(a, b) << doc.text << " " << name << " " << start << " " << limit;
            a = b = start;
            ASSERT_EQ(walk::FindCloseTag(name, a, length, doc.view()),
                      FindCloseTagInDocument(name, b, doc.view()));
            ASSERT_EQ(a, b) << doc.text << " " << name << " " << start;
            ++compared;
        }
    }
    EXPECT_EQ(80000, compared);
}

TEST(FindText, TheSkipOfAnUnclosedCdataSectionStopsAtTheSearchBound) {
    Doc doc("<![CDATA[ url url url url");
    int cursor = 0;
    EXPECT_EQ(kNotFound, FindText("zzz", cursor, doc.view().length, doc.view()));
    // The search stops on the first position where "zzz" could no longer end 3 bytes before the end.
    EXPECT_EQ(doc.view().length - 3 - 2 + 1, cursor);
}

TEST(FindOpenTag, NeedsTheClosingBracketBeforeTheLastThreeBytes) {
    Doc doc("<item attr=\"x\">abc");
    int cursor = 0;
    EXPECT_EQ(kFound, FindOpenTagInDocument("item", cursor, doc.view()));
    Doc cut("<item attr=\"x\">ab");
    cursor = 0;
    EXPECT_EQ(kNotFound, FindOpenTagInDocument("item", cursor, cut.view()));
    EXPECT_EQ(cut.view().length - 3, cursor);
}

TEST(FindOpenTag, StepsOverShiftJisBytesAndComments) {
    Doc doc("\x82\xa0<!-- <item> --><item>\x82\xa0</item>  ");
    int cursor = 0;
    // A comment is not a CDATA section: markup inside it is found.
    ASSERT_EQ(kFound, FindOpenTagInDocument("item", cursor, doc.view()));
    EXPECT_EQ(doc.text.find("<item>") + 6, static_cast<size_t>(cursor));
}

TEST(FindInString, LeavesTheCursorOnTheLastCandidateWhenNothingMatches) {
    int cursor = 0;
    EXPECT_EQ(kNotFound, FindInString("&lt;", "a & b & c", cursor));
    EXPECT_EQ(6, cursor);  // the second "&", the last place "&lt;" could still start
}

}  // namespace

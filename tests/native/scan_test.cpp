#include "feed/scan.h"

#include <gtest/gtest.h>

#include <string>

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

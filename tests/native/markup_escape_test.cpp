#include "config/markup_escape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Escape(const std::string& source) {
    char target[kEscapedSize];
    memset(target, 'Z', sizeof target);
    EscapeForMarkup(source.c_str(), target);
    EXPECT_LT(strnlen(target, sizeof target), sizeof target);
    return target;
}

TEST(EscapeForMarkup, ReplacesTheFiveCharacters) {
    EXPECT_EQ("A&amp;B &lt;x&gt;", Escape("A&B <x>"));
    EXPECT_EQ("&quot;q&quot; it&#039;s", Escape("\"q\" it's"));
    EXPECT_EQ("表示ソ", Escape("表示ソ"));  // trail bytes 0x5C pass unchanged
    EXPECT_EQ("", Escape(""));
}

TEST(EscapeForMarkup, AWholeSlotAlwaysFits) {
    for (char c : {'"', '&', '<', '\'', 'x'}) {
        std::string slot(kSlotSize - 1, c);
        char expected[kEscapedSize];
        EscapeForMarkup(std::string(1, c).c_str(), expected);
        std::string whole;
        for (size_t i = 0; i < slot.size(); ++i) whole += expected;
        EXPECT_EQ(whole, Escape(slot)) << c;
    }
}

TEST(EscapeForMarkup, LongerTextThatDoesNotFitIsDroppedInWholeRuns) {
    const size_t limit = kEscapedSize - 1;
    // As many "&quot;" as fit; the rest and the final run do not.
    std::string quotes(limit, '"');
    EXPECT_EQ(limit / 6 * 6, Escape(quotes + "abc").size());
    // A run and its entity are dropped together; a later, shorter run can still fit.
    std::string a(limit / 2, 'a'), b(limit / 2 + 10, 'b');
    EXPECT_EQ(a + "&amp;", Escape(a + "&" + b));
    EXPECT_EQ(a + "&amp;" + "c&lt;", Escape(a + "&" + b + "<c<"));
    EXPECT_EQ(std::string(limit - 5, 'x') + "&amp;", Escape(std::string(limit - 5, 'x') + "&"));
    EXPECT_EQ("", Escape(std::string(limit - 4, 'x') + "&"));
    EXPECT_EQ(std::string(limit, 'x'), Escape(std::string(limit, 'x')));
    EXPECT_EQ("", Escape(std::string(limit + 1, 'x')));
}

TEST(CopyForXml, ControlBytesBecomeSpacesAndLoneLeadBytesGo) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "plain"},
        {"a\tb\r\nc\x01", "a b  c "},
        {"表示", "表示"},                // 0x5C trail bytes stay with their lead bytes
        {"x\x81", "x"},                  // a lead byte at the end would swallow the closing quote
        {"x\x81\"y", "x\"y"},            // a lead byte before a quote
        {"\x81 \x81\x40", " \x81\x40"},  // the first lead byte has no trail; the second has
        {"\x7f", "\x7f"},
    };
    for (const Case& c : cases) {
        char out[kSlotSize];
        CopyForXml(c.in.c_str(), out, sizeof out);
        EXPECT_EQ(c.out, out) << c.in;
    }
    char small[4];
    CopyForXml("ab表", small, sizeof small);  // no room for the whole character
    EXPECT_STREQ("ab", small);
}

}  // namespace

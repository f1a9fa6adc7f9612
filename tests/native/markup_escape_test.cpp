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

}  // namespace

#include "feed/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodePageOfEncodingName, FoldsCaseDashesAndUnderscores) {
    struct Case {
        const char* name;
        unsigned codePage;
    } const cases[] = {
        {"UTF-8", kCodePageUtf8},
        {"Windows-1251", 1251},
        {"iso_8859-1", kCodePageWindows1252},
        {"ISO-8859-15", 28605},
        {"big5", 950},
        {"GB2312", 936},
        {"EUC-KR", 949},
        {"x-sjis", kCodePageShiftJis},
        {"EUC_JP", kCodePageEucJp},
        {"klingon", 0},
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.codePage, CodePageOfEncodingName(c.name)) << c.name;
}

TEST(WellFormedText, RefusesWhatTheEncodingCannotHold) {
    struct Case {
        std::string bytes;
        bool utf8, shiftJis;
    } const cases[] = {
        {"plain", true, true},          {"\xE3\x81\x82", true, false},
        {"\x82\xA0\xB1", false, true},   // あ and a half-width ｱ
        {"caf\xE9 ", false, false},      // Latin-1: E9 20 is no Shift_JIS pair either
        {"\xC0\x80", false, false},      // an overlong UTF-8 zero; 80 is no Shift_JIS byte
        {"\xED\xA0\x80", false, false},  // a surrogate
        {"\xE3\x81", false, true},       // UTF-8 cut short, a Shift_JIS pair
        {"\x82", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.utf8, IsWellFormedUtf8(c.bytes.data(), c.bytes.size())) << c.bytes;
        EXPECT_EQ(c.shiftJis, IsWellFormedShiftJis(c.bytes.data(), c.bytes.size())) << c.bytes;
    }
}

}  // namespace

#include "platform/wide_win.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp932Boundary, LiteralsAreShiftJisAndConvertToUtf16) {
    const char* text = "表示";
    EXPECT_EQ('\x95', text[0]);
    EXPECT_EQ('\x5C', text[1]);
    EXPECT_EQ(std::wstring(L"\u8868\u793A"), Cp932ToWide(text));
    EXPECT_EQ(std::string("表示"), WideToCp932(L"\u8868\u793A"));
}

}  // namespace

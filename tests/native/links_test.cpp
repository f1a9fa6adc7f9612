#include "net/links.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PrepareLinkForShell, EncodesSpacesAndRefusesWhatCouldAddAnArgument) {
    struct Case {
        const char* link;
        const char* prepared;  // null: refused
    };
    const Case cases[] = {
        {"http://x.test/a.html", "http://x.test/a.html"},
        {"http://x.test/my page.html?q=a b", "http://x.test/my%20page.html?q=a%20b"},
        {"http://x.test/a  b", "http://x.test/a%20%20b"},
        {" http://x.test/a.html ", "http://x.test/a.html"},  // spaces around an address are no part of it
        {"http://x.test/記事.html", "http://x.test/記事.html"},
        {"http://x.test/ソ表", "http://x.test/ソ表"},  // trail bytes 0x5C
        {"http://x.test/a%22b", "http://x.test/a%22b"},
        {"http://x.test/a\" --new-window \"file:///C:/x", nullptr},
        {"http://x.test/a\"", nullptr},
        {"http://x.test/<script>", nullptr},
        {"http://x.test/a>b", nullptr},
        {"http://x.test/a\tb", nullptr},
        {"http://x.test/a\nb", nullptr},
        {"http://x.test/a\x01", nullptr},
        {"http://x.test/a\x1F"
         "b",
         nullptr},
        {"http://x.test/setup.exe ", nullptr},  // a trailing space hides no extension
        {"http://x.test/my setup.exe", nullptr},
        {"javascript:alert(1)", nullptr},
        {" ", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[kShellLinkSize] = "stale";
        const bool opened = PrepareLinkForShell(c.link, out, sizeof out);
        EXPECT_EQ(c.prepared != nullptr, opened) << c.link;
        EXPECT_EQ(c.prepared ? c.prepared : "", std::string(out)) << c.link;
    }
}

TEST(PrepareLinkForShell, AFullSlotOfSpacesFitsAndAnEncodingThatDoesNotFitIsRefusedNotCut) {
    const std::string head = "http://x.test/";
    const size_t spaces = kSlotSize - 1 - head.size() - 1;
    std::string link = head + std::string(spaces, ' ') + "a", encoded = head;
    for (size_t i = 0; i < spaces; ++i) encoded += "%20";
    encoded += "a";
    ASSERT_EQ(kSlotSize - 1, link.size());
    char out[kShellLinkSize];
    ASSERT_TRUE(PrepareLinkForShell(link.c_str(), out, sizeof out));
    EXPECT_EQ(encoded, out);
    // "http://x.test/a%20b" takes 19 bytes and the zero.
    char small[19];
    EXPECT_FALSE(PrepareLinkForShell("http://x.test/a b", small, sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_TRUE(PrepareLinkForShell("http://x.test/a_b", small, sizeof small));
}

}  // namespace

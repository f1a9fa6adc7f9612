#include "net/links.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST(PrepareLinkForShell, AFullSlotOfSpacesFitsAndALinkIsRefusedRatherThanCut) {
    const std::string link = "http://x.test/" + std::string(kSlotSize - 16, ' ') + "a";
    char out[kShellLinkSize];
    ASSERT_TRUE(PrepareLinkForShell(link.c_str(), out, sizeof out));
    EXPECT_EQ(14 + 3 * (kSlotSize - 16) + 1, strlen(out));
    char small[19];  // "http://x.test/a%20b" needs 20 bytes with its zero
    EXPECT_FALSE(PrepareLinkForShell("http://x.test/a b", small, sizeof small));
    EXPECT_STREQ("", small);
}

}  // namespace

#include "feed/link_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ResolveLink, JoinsTheWaysAddressesAreWritten) {
    struct Case {
        const char* base;
        const char* link;
        const char* resolved;
    } const cases[] = {
        {"http://a/b/c/d;p?q", "../../g", "http://a/g"},
        {"http://a/b/c/d;p?q", "g/./h/../i", "http://a/b/c/g/i"},
        {"http://a/b/c/d;p?q", ".", "http://a/b/c/"},
        {"http://a/b/c/d;p?q", "#s", "http://a/b/c/d;p?q#s"},
        {"http://a", "g", "http://a/g"},
        {"http://a/b", "mailto:x@a", "mailto:x@a"},
        {"http://a/b", "", ""},
        {"", "g", "g"},
        {"error", "/g", "/g"},
    };
    for (const Case& c : cases) {
        char out[kLinkWorkSize];
        ASSERT_TRUE(ResolveLink(c.base, c.link, out, sizeof out)) << c.link;
        EXPECT_STREQ(c.resolved, out) << c.base << " + " << c.link;
    }
    char small[12];
    EXPECT_FALSE(ResolveLink("http://a/b/", "cdefgh", small, sizeof small));
}

TEST(ReadLink, DecodesReferencesAndEncodesWhatShiftJisLacks) {
    struct Case {
        std::string raw;
        TextEncoding encoding;
        const char* link;
    } const cases[] = {
        {"  http://a/?b=1&AMP;c=&#x32;&quot;\n", TextEncoding::Utf8, "http://a/?b=1&c=2\""},
        {"http://a/\xC2\xB5\xC2\xA7", TextEncoding::Utf8, "http://a/%C2%B5§"},  // µ only by best fit
        {"http://a/\xFF", TextEncoding::Utf8, "http://a/%FF"},                  // not UTF-8
        {"http://a/&#x1F600;", TextEncoding::Utf8, "http://a/%F0%9F%98%80"},
        {"http://a/\x93\xFA", TextEncoding::ShiftJis, "http://a/日"},
        {"http://a/\xC6\xFC\x8E\xB1", TextEncoding::EucJp, "http://a/日ｱ"},
    };
    for (const Case& c : cases) {
        char out[kLinkWorkSize];
        EXPECT_TRUE(ReadLink(c.raw.data(), static_cast<int>(c.raw.size()), c.encoding, out, sizeof out));
        EXPECT_STREQ(c.link, out) << c.raw;
    }
    char small[8];
    EXPECT_FALSE(ReadLink("http://a/b", 10, TextEncoding::Utf8, small, sizeof small));
}

}  // namespace

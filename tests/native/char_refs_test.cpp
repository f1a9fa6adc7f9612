#include "feed/char_refs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>

#include "feed/decode.h"
#include "feed/text.h"

namespace {

std::string Clean(const std::string& text) {
    char slot[kSlotSize];
    CopyCut(slot, sizeof slot, text.c_str());
    CleanText(slot);
    return slot;
}

std::string Utf8Of(uint32_t codePoint) {
    std::string out;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

// The character as UTF-8 text is converted; not at the start, where a byte-order mark is dropped.
std::string ShiftJisOf(uint32_t codePoint) {
    const std::string utf8 = "x" + Utf8Of(codePoint);
    char out[8];
    return std::string(out + 1, Utf8ToShiftJis(utf8.data(), utf8.size(), out, sizeof out) - 1);
}

bool EndsInLeadByte(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) i += IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i > text.size();
}

TEST(CleanText, ReferencesThatNameACharacterBecomeItsShiftJisForm) {
    struct Case {
        const char* text;
        const char* cleaned;
    };
    const Case cases[] = {
        {"It&#8217;s", "It’s"},
        {"It&#x2019;s &#X2019;", "It’s ’"},
        {"&#12354;&#x3042;", "ああ"},
        {"&#0000065;&#x00041;", "AA"},  // seven and six digits, leading zeros counted
        {"Wait&hellip;", "Wait…"},
        {"&Dagger;&dagger;&alpha;&Omega;", "‡†αΩ"},  // names compare case-sensitively
        {"caf&eacute;", "cafe"},                     // the best fit UTF-8 text gets too
        {"a&mdash;b&#x2212;c",
         "a\x81\x5C"
         "b\x81\x7C"
         "c"},                                             // the neighbours UTF-8 text gets
        {"a&#x1F600;b&#1114111;c&#x10FFFF;d", "a b c d"},  // no Shift_JIS form: one space
        {"a&#xA0;b&#32;&#32;c", "a b c"},
        {"a&#10;b&#x9;c&#13;",
         "a b c"},  // line breaks and tabs between words read as spacess are squeezed afterwards
        {"&#x41;&#66;&#x43;", "ABC"},
        {"&&#65;;&#&#66;", "&A;&#B"},
        // The fixed references keep their own bytes.
        {"&yen;&#165;&#xA5;", "\\\\\\"},
        {"a&#160;b", "ab"},
        {"&QUOT;&#039;&#36;", "\"'$"},
        // References naming no character stay as they are.
        {"&#0;&#x0;&#xD800;&#55296;&#xDFFF;", "&#0;&#x0;&#xD800;&#55296;&#xDFFF;"},
        {"&#x110000;&#1114112;&#12345678;&#x0000041;", "&#x110000;&#1114112;&#12345678;&#x0000041;"},
        {"&#;&#x;&#x41 ;&hellip &HELLIP;&unknown;&thetasyms;",
         "&#;&#x;&#x41 ;&hellip &HELLIP;&unknown;&thetasyms;"},
        {"It&#8217", "It&#8217"},
        // One level of references per pass: "&amp;" makes references for the pass after the tags.
        {"&amp;#8217;&amp;hellip;", "’…"},
        {"&amp;#60;b&amp;#62;", "<b>"},  // shown, as "&amp;lt;b&amp;gt;" is
        {"&#60;b&#62;x", "x"},           // stripped, as "&lt;b&gt;x" is
        {"<![CDATA[It&#8217;s <b>x</b>]]>", "It’s x"},
        {"<![CDATA[&#60;b&#62;]]>", "<b>"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.cleaned, Clean(c.text)) << c.text;
}

TEST(CleanText, AReferenceGivesWhatItsCharacterGivesAsUtf8Text) {
    for (uint32_t codePoint = 1; codePoint <= 0xFFFF; ++codePoint) {
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) continue;
        const std::string expected = Clean("x" + ShiftJisOf(codePoint) + "y");
        char hex[16];
        snprintf(hex, sizeof hex, "x&#x%X;y", static_cast<unsigned>(codePoint));
        ASSERT_EQ(expected, Clean(hex)) << hex;
        if (codePoint == 160) continue;  // "&#160;" is removed
        ASSERT_EQ(expected, Clean("x&#" + std::to_string(codePoint) + ";y")) << codePoint;
    }
}

TEST(CleanText, AFullSlotOfReferencesShrinksAndACutReferenceStays) {
    std::string text;
    while (text.size() + 7 <= 252) text += "&#8217;";
    text += "&#8";  // the slot's last bytes: a reference cut short
    ASSERT_EQ(255u, text.size());
    std::string expected;
    for (int i = 0; i < 36; ++i) expected += "’";
    EXPECT_EQ(expected + "&#8", Clean(text));
}

TEST(CleanText, NeverGrowsAndNeverLeavesHalfACharacter) {
    const char* const pieces[] = {"&#8217;",  "&hellip;",  "&amp;",  "&lt;",    "&gt;",    "&#x1F600;",
                                  "&#12354;", "あ",        "ソ",     "ゾ",      "表",      "&",
                                  "#",        ";",         "x",      " ",       "<",       ">",
                                  "]]>",      "<![CDATA[", "&#160;", "&#",      "&mdash;", "&amp;#8217;",
                                  "\n",       "&#x3C;",    "&nbsp;", "&#xFF71;"};
    std::mt19937 rng(932);
    std::uniform_int_distribution<size_t> pick(0, sizeof pieces / sizeof pieces[0] - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        while (text.size() < 300 && pick(rng) != 0) text += pieces[pick(rng)];
        char slot[kSlotSize];
        const size_t before = CopyCut(slot, sizeof slot, text.c_str());
        CleanText(slot);
        ASSERT_LE(strlen(slot), before) << text;
        ASSERT_FALSE(EndsInLeadByte(slot)) << text;
    }
}

TEST(HtmlEntities, TheTableHoldsTheHtml4NamesEachFoundByItsName) {
    ASSERT_EQ(252u, kHtmlEntityCount);
    std::set<uint32_t> codePoints;
    for (size_t i = 0; i < kHtmlEntityCount; ++i) {
        const HtmlEntity& e = kHtmlEntities[i];
        EXPECT_EQ(e.codePoint, HtmlEntityCodePoint(e.name, strlen(e.name))) << e.name;
        codePoints.insert(e.codePoint);
    }
    EXPECT_EQ(252u, codePoints.size());
    // A few of each block of the list, from memory of other sources than the table.
    const HtmlEntity expected[] = {{"nbsp", 0xA0},    {"yuml", 0xFF},    {"OElig", 0x152},
                                   {"euro", 0x20AC},  {"sigmaf", 0x3C2}, {"thetasym", 0x3D1},
                                   {"image", 0x2111}, {"lang", 0x2329},  {"diams", 0x2666},
                                   {"apos", 0}};  // "&apos;" is XML's, not HTML 4's
    for (const HtmlEntity& e : expected)
        EXPECT_EQ(e.codePoint, HtmlEntityCodePoint(e.name, strlen(e.name))) << e.name;
}

}  // namespace

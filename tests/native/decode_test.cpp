#include "feed/decode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "feed/cp932_table.h"
#include "feed/text.h"

namespace {

std::string Clean(const std::string& text) {
    char buffer[kSlotSize];
    CopyCut(buffer, sizeof buffer, text.c_str());
    CleanText(buffer);
    return buffer;
}

std::string FromUtf8(const std::string& utf8, size_t outSize = 1024) {
    std::string out(outSize, '\x7F');
    size_t n = Utf8ToShiftJis(utf8.data(), utf8.size(), &out[0], outSize);
    EXPECT_EQ('\0', out[n]);
    return out.substr(0, n);
}

std::string FromEucJp(std::string bytes) {
    bytes.resize(EucJpToShiftJis(&bytes[0], bytes.size()));
    return bytes;
}

// True when `text` ends inside a double-byte Shift_JIS character.
bool EndsInLeadByte(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) i += IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i > text.size();
}

TEST(CleanText, DecodesTheTableOfReferencesCaseInsensitively) {
    EXPECT_EQ("Tom & Jerry", Clean("Tom &amp; Jerry"));
    EXPECT_EQ("5 > 3", Clean("5 &gt; 3"));
    EXPECT_EQ("\"'$#\\&'\"", Clean("&QUOT;&#039;&#36;&#035;&yen;&#38;&apos;&#34;"));
    EXPECT_EQ("a b", Clean("a&nbsp;b"));
    EXPECT_EQ("ab", Clean("a&#160;b"));
    // Beyond the table, references that name a character are decoded too.
    EXPECT_EQ("あ…A", Clean("&#12354;&hellip;&#x41;"));
}

TEST(CleanText, StripsTagsAfterTheFirstDecodingAndDecodesAgainAfterward) {
    EXPECT_EQ("Big news", Clean("&lt;b&gt;Big&lt;/b&gt; news"));
    EXPECT_EQ("<", Clean("&amp;lt;"));   // once in the first pass, once after the tags
    EXPECT_EQ("x < y", Clean("x < y"));  // a "<" that begins no tag is text
    EXPECT_EQ("1<2", Clean("1<2"));
    EXPECT_EQ("a <b", Clean("a <b"));  // no ">" after it
    EXPECT_EQ("a b", Clean("a <br> b"));
}

TEST(CleanText, InsideCdataTheFirstDecodingIsSkipped) {
    EXPECT_EQ("a <b>", Clean("<![CDATA[a &lt;b&gt;]]>"));
    EXPECT_EQ("title", Clean("<![CDATA[<b>title</b>]]>"));
    // Any marker turns the first decoding off, "&#160;" included.
    EXPECT_EQ("<b>x", Clean("&#160;&lt;b&gt;x"));
}

TEST(CleanText, ReadsLineBreaksBetweenWordsAsSpacesAndSqueezesSpaces) {
    EXPECT_EQ("a b ", Clean("  a  b  "));
    EXPECT_EQ("a b", Clean("a \n b"));
    EXPECT_EQ("a b", Clean("\ta\r\nb\n"));  // at either end they go
    EXPECT_EQ(" ", Clean(" "));
    EXPECT_EQ(" ", Clean("   "));
    EXPECT_EQ("", Clean(""));
}

TEST(CleanText, LeavesShiftJisTextAlone) {
    // "表示" and "ソ" have 0x5C trail bytes; "ゾ" a 0x5D one.
    EXPECT_EQ("表示 ソ ゾ", Clean("表示  ソ ゾ"));
    EXPECT_EQ("ゾ", Clean("<![CDATA[ゾ]]>"));
}

TEST(Utf8ToShiftJis, ConvertsJapaneseAndDropsALeadingByteOrderMark) {
    EXPECT_EQ("\x82\xA0", FromUtf8("\xE3\x81\x82"));
    EXPECT_EQ("abc", FromUtf8("\xEF\xBB\xBF"
                              "abc"));
    EXPECT_EQ("a \x82\xA0", FromUtf8("a\xEF\xBB\xBF\xE3\x81\x82"));  // only a leading mark is dropped
    EXPECT_EQ("\xB1", FromUtf8("\xEF\xBD\xB1"));                     // half-width katakana, one byte
}

TEST(Utf8ToShiftJis, DashAndMinusFindTheirNeighbours) {
    EXPECT_EQ("\x81\x5C", FromUtf8("\xE2\x80\x94"));  // em dash -> horizontal bar
    EXPECT_EQ("\x81\x7C", FromUtf8("\xE2\x88\x92"));  // minus sign -> fullwidth hyphen-minus
}

TEST(Utf8ToShiftJis, UsesWindowsBestFitAndASpaceForCharactersWithoutAForm) {
    EXPECT_EQ("cafe", FromUtf8("caf\xC3\xA9"));
    EXPECT_EQ("\x5C", FromUtf8("\xC2\xA5"));
    EXPECT_EQ("\xFA\x40", FromUtf8("\xE2\x85\xB0"));  // small roman numeral one
    EXPECT_EQ("a b", FromUtf8("a\xC2\xA0"
                              "b"));           // no-break space has no form
    EXPECT_EQ(" ", FromUtf8("\xED\xA0\x80"));  // an encoded surrogate
}

TEST(Utf8ToShiftJis, AFourByteCharacterIsOneSpace) {
    const std::string title = u8"\U0001F389 Big news";
    EXPECT_EQ("  Big news", FromUtf8(title));
    EXPECT_EQ("Big news", Clean(FromUtf8(title)));
}

TEST(Utf8ToShiftJis, MalformedSequencesTakeOnlyContinuationBytes) {
    EXPECT_EQ(" abc", FromUtf8("\xE3\x81"
                               "abc"));  // truncated three-byte character
    EXPECT_EQ("  a", FromUtf8("\x80\xBF"
                              "a"));  // stray continuation bytes
    EXPECT_EQ(" x", FromUtf8("\xF0\x9F\x8E"
                             "x"));                        // truncated four-byte character
    EXPECT_EQ(" \x82\xA0", FromUtf8("\xE3\xE3\x81\x82"));  // a lead byte where a continuation belongs
    EXPECT_EQ("  ", FromUtf8("\xFF\xFE"));
    EXPECT_EQ(" ", FromUtf8(std::string("\xC0\x80", 2)));  // an overlong zero never ends the text
}

TEST(Utf8ToShiftJis, ReadsNoFurtherThanTheLengthAndWritesNoFurtherThanTheBuffer) {
    const char text[] = "\xE3\x81\x82\xE3\x81\x84";  // "あい"
    char out[16];
    EXPECT_EQ(3u, Utf8ToShiftJis(text, 4, out, sizeof out));
    EXPECT_EQ(std::string("\x82\xA0 "), out);
    // Five bytes of room: "あ" fits, "い" would leave no room for the zero.
    EXPECT_EQ(2u, Utf8ToShiftJis(text, 6, out, 4));
    EXPECT_EQ(std::string("\x82\xA0"), out);
    EXPECT_EQ(0u, Utf8ToShiftJis(text, 6, out, 1));
    EXPECT_EQ('\0', out[0]);
}

TEST(Utf8ToShiftJis, OutputIsNeverLongerThanInputAndNeverEndsInALeadByte) {
    std::mt19937 rng(932);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        std::string input;
        for (int n = length(rng); n > 0; --n)
            input += static_cast<char>(byte(rng) | (round % 3 == 0 ? 0x80 : 0));
        std::string out(input.size() + 1, '\0');
        size_t n = Utf8ToShiftJis(input.data(), input.size(), &out[0], out.size());
        ASSERT_LE(n, strnlen(input.c_str(), input.size()));
        ASSERT_FALSE(EndsInLeadByte(out.substr(0, n)));
    }
}

TEST(Cp932Table, MapsAsciiToItself) {
    // Utf8ToShiftJis copies runs of ASCII as they are.
    for (uint16_t unit = 0; unit < 0x80; ++unit) EXPECT_EQ(unit, Cp932CodeOf(unit));
}

TEST(Cp932Table, AgreesWithGlibcWhereTheTwoAgreeOnJisX0208) {
    // Hiragana, katakana and the kanji rows are the same in every CP932 table.
    const uint16_t units[] = {0x3042, 0x30A2, 0x4E9C, 0x8868, 0x793A, 0x9F9C, 0xFF01, 0x3000};
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd);
    for (uint16_t unit : units) {
        char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        char out[4];
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 2, outLeft = sizeof out;
        ASSERT_NE(static_cast<size_t>(-1), iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft));
        ASSERT_EQ(2, outPtr - out);
        uint16_t expected = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                  static_cast<unsigned char>(out[1]));
        EXPECT_EQ(expected, Cp932CodeOf(unit)) << std::hex << unit;
    }
    iconv_close(cd);
}

TEST(EucJpToShiftJis, MapsRowAndCell) {
    EXPECT_EQ("\x88\x9F", FromEucJp("\xB0\xA1"));  // 亜
    EXPECT_EQ("\x83\x41", FromEucJp("\xA5\xA2"));  // ア
    EXPECT_EQ(
        "\x82\xA0"
        "abc",
        FromEucJp("\xA4\xA2"
                  "abc"));
    EXPECT_EQ("\xEA\x9F", FromEucJp("\xF4\xA1"));  // row 84, the last of JIS X 0208 (堯)
}

TEST(EucJpToShiftJis, AgreesWithIconvOnEveryJisX0208Character) {
    iconv_t cd = iconv_open("SHIFT_JIS", "EUC-JP");
    ASSERT_NE(reinterpret_cast<iconv_t>(-1), cd);
    int compared = 0;
    for (int c1 = 0xA1; c1 <= 0xF4; ++c1) {
        for (int c2 = 0xA1; c2 <= 0xFE; ++c2) {
            char in[2] = {static_cast<char>(c1), static_cast<char>(c2)};
            char out[4];
            char* inPtr = in;
            char* outPtr = out;
            size_t inLeft = 2, outLeft = sizeof out;
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
                outPtr - out != 2) {
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                continue;  // not a character of JIS X 0208
            }
            ASSERT_EQ(std::string(out, 2), FromEucJp(std::string(in, 2))) << std::hex << c1 << " " << c2;
            ++compared;
        }
    }
    iconv_close(cd);
    EXPECT_GT(compared, 6800);
}

TEST(EucJpToShiftJis, ALeadByteCutOffAtTheEndBecomesASpaceAndTheByteAfterStays) {
    char buffer[3] = {'\xA4', '\0', '\0'};
    EucJpToShiftJis(buffer, 1);
    EXPECT_EQ(' ', buffer[0]);
    EXPECT_EQ('\0', buffer[1]);
    // A 8E or 8F that begins no character passes as it comes.
    EXPECT_EQ(
        "\x8E"
        "a",
        FromEucJp("\x8E"
                  "a"));
}

TEST(EucJpToShiftJis, HalfWidthKatakanaBecomeOneByteAndJisX0212ASpace) {
    struct Case {
        std::string euc, sjis;
    } const cases[] = {
        {"\x8E\xB1\x8E\xDF", "\xB1\xDF"},  // ｱﾟ
        {"a\x8F\xB0\xA1"
         "b",
         "a b"},
        {"\xA4\xA2\x8E", "\x82\xA0 "},  // cut off after its first byte
    };
    for (const Case& c : cases) EXPECT_EQ(c.sjis, FromEucJp(c.euc));
    EXPECT_EQ(2u, EucJpCutLength("\x8E\xB1\x8F\xB0\xA1", 5, 4));
}

TEST(CutLengths, NeverSplitACharacter) {
    EXPECT_EQ(1u, Utf8CutLength("a\xE3\x81\x82", 4, 3));
    EXPECT_EQ(4u, Utf8CutLength("a\xE3\x81\x82", 4, 4));
    EXPECT_EQ(1u, Utf8CutLength("a\xF0\x9F\x8E\x89", 5, 4));
    EXPECT_EQ(2u, Utf8CutLength("\x80\x80\x80\x80", 4, 2));  // no lead byte to keep whole
    EXPECT_EQ(1u, EucJpCutLength("a\xA4\xA2", 3, 2));
    EXPECT_EQ(3u, EucJpCutLength("a\xA4\xA2"
                                 "b",
                                 4, 3));
    EXPECT_EQ(1u, ShiftJisCutLength("a\x82\xA0", 3, 2));
}

}  // namespace

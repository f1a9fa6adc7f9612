// The Unicode-to-Shift_JIS table of the portable code against Windows' own conversion, unit by
// unit over all 65,536 16-bit units.
#include <windows.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "feed/cp932_table.h"
#include "feed/decode.h"

namespace {

// What WideCharToMultiByte makes of one unit: its Shift_JIS code, or kCp932NoForm when the
// default character had to be used.
uint16_t WindowsCodeOf(wchar_t unit) {
    char bytes[8] = {};
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(932, 0, &unit, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return kCp932NoForm;
    if (n == 1) return static_cast<unsigned char>(bytes[0]);
    return static_cast<uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                 static_cast<unsigned char>(bytes[1]));
}

std::string Describe(unsigned unit, uint16_t expected, uint16_t actual) {
    char text[80];
    std::snprintf(text, sizeof text, "U+%04X: Windows %04X, table %04X\n", unit, expected, actual);
    return text;
}

TEST(Cp932Table, EqualsWideCharToMultiByteForEveryUnit) {
    std::string differences;
    int mapped = 0;
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        const uint16_t expected = WindowsCodeOf(static_cast<wchar_t>(unit));
        const uint16_t actual = Cp932CodeOf(static_cast<uint16_t>(unit));
        if (expected != actual) differences += Describe(unit, expected, actual);
        if (actual != kCp932NoForm) ++mapped;
    }
    EXPECT_EQ("", differences);
    EXPECT_GT(mapped, 7000);
}

// The C runtime's wctomb under the "Japanese" locale (what the conversion once used) refuses the
// same units: it fails exactly where WideCharToMultiByte had to use the default character.
TEST(Cp932Table, EqualsTheCRuntimeConversionUnderTheJapaneseLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    ASSERT_NE(nullptr, std::setlocale(LC_ALL, "Japanese"));
    std::string differences;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        char bytes[MB_LEN_MAX] = {};
        int n = std::wctomb(bytes, static_cast<wchar_t>(unit));
        uint16_t runtime = kCp932NoForm;
        if (n == 1) runtime = static_cast<unsigned char>(bytes[0]);
        if (n == 2)
            runtime = static_cast<uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                            static_cast<unsigned char>(bytes[1]));
        const uint16_t table = Cp932CodeOf(static_cast<uint16_t>(unit));
        if (runtime != table) differences += Describe(unit, runtime, table);
    }
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ("", differences);
}

// The portable conversion gives Windows' bytes for text too: each unit of the Basic Multilingual
// Plane written as UTF-8 converts to its Windows bytes, or to a space.
TEST(Cp932Table, Utf8ToShiftJisGivesWindowsBytesForEveryCharacter) {
    std::string differences;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit == 0xFEFF || unit == 0xFFFE) continue;  // dropped as a byte-order mark
        char utf8[4];
        int length;
        if (unit < 0x80) {
            utf8[0] = static_cast<char>(unit);
            length = 1;
        } else if (unit < 0x800) {
            utf8[0] = static_cast<char>(0xC0 | (unit >> 6));
            utf8[1] = static_cast<char>(0x80 | (unit & 0x3F));
            length = 2;
        } else {
            utf8[0] = static_cast<char>(0xE0 | (unit >> 12));
            utf8[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            utf8[2] = static_cast<char>(0x80 | (unit & 0x3F));
            length = 3;
        }
        char out[8];
        size_t n = Utf8ToShiftJis(utf8, static_cast<size_t>(length), out, sizeof out);
        wchar_t wide = static_cast<wchar_t>(unit == 0x2014 ? 0x2015 : unit == 0x2212 ? 0xFF0D : unit);
        uint16_t expected = WindowsCodeOf(wide);
        if (expected == kCp932NoForm) expected = ' ';
        uint16_t actual = n == 1 ? static_cast<unsigned char>(out[0])
                                 : static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                         static_cast<unsigned char>(out[1]));
        if (n < 1 || n > 2 || actual != expected) differences += Describe(unit, expected, actual);
    }
    EXPECT_EQ("", differences);
}

}  // namespace

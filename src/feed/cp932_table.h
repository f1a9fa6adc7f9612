#pragma once
// Unicode to Shift_JIS (code page 932) for one 16-bit unit, from a table generated once from
// Windows' own conversion (tools/gen_cp932_table), so that every build and every process locale
// gives the same bytes.
#include <cstdint>

constexpr uint16_t kCp932NoForm = 0xFFFF;

extern const uint8_t kCp932PageIndex[256];
extern const uint16_t kCp932Pages[][256];

// The unit's Shift_JIS code: one byte when below 0x100, else lead << 8 | trail; kCp932NoForm when
// the unit has no Shift_JIS form.
inline uint16_t Cp932CodeOf(uint16_t unit) { return kCp932Pages[kCp932PageIndex[unit >> 8]][unit & 0xFF]; }

// A Unicode code point in Shift_JIS, the same for UTF-8 text and character references: the em dash and the
// minus sign, which have no form, take their nearest neighbours' (the horizontal bar, the fullwidth
// hyphen-minus); a code point beyond U+FFFF has no form.
inline uint16_t ShiftJisCodeOf(uint32_t codePoint) {
    if (codePoint == 0x2014) {
        codePoint = 0x2015;
    } else if (codePoint == 0x2212) {
        codePoint = 0xFF0D;
    } else if (codePoint > 0xFFFF) {
        return kCp932NoForm;
    }
    return Cp932CodeOf(static_cast<uint16_t>(codePoint));
}

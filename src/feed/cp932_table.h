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

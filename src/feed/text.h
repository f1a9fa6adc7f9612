#pragma once
// Shift_JIS byte strings in fixed slots: copies are cut, never grown, and never end in half a
// double-byte character.
#include <cstddef>

constexpr size_t kSlotSize = 256;  // names, titles, links and URLs: 255 bytes and a zero

// A Shift_JIS lead byte (81-9F, E0-FC) starts a double-byte character.
inline bool IsShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// ASCII letters folded to lower case; every other byte, Shift_JIS ones included, stays as it is.
inline unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
// Zero-terminated texts equal but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(const char* a, const char* b);
// `text` begins with `prefix`, but for the case of ASCII letters.
bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix);

// The largest length <= max at which `text` (of `length` bytes) can be cut without splitting a
// double-byte character.
size_t ShiftJisCutLength(const char* text, size_t length, size_t max);

// Copies `src` (zero-terminated) into `dest` of `destSize` bytes, cut at a character boundary,
// always zero-terminated. Returns the length copied.
size_t CopyCut(char* dest, size_t destSize, const char* src);

// Appends `src` to the zero-terminated `dest` of `destSize` bytes the same way.
size_t AppendCut(char* dest, size_t destSize, const char* src);

// A zero-terminated byte string and its length (the index of the zero byte).
struct TextView {
    const char* bytes;
    int length;
};

TextView ViewOf(const char* zeroTerminated);

#pragma once
// Text decoding for values taken out of feed and OPML documents: UTF-8 and EUC-JP to Shift_JIS
// (code page 932), and cleaning of markup and character references. Nothing here allocates.
#include <cstddef>

// Cleans a zero-terminated Shift_JIS text in place: drops CDATA markers and "&#160;", decodes
// character references (a fixed set to fixed bytes, every other one that names a character to its
// Shift_JIS form or a space), strips tags (a "<" that begins none is text), reads a run of tabs and
// line breaks between words as a space and squeezes spaces. The text never grows.
void CleanText(char* text);

// Converts at most `length` bytes of UTF-8 (ending early at a zero byte) to Shift_JIS in `out` of
// `outSize` bytes, always zero-terminated and cut only between characters. A character without a
// Shift_JIS form, a character beyond U+FFFF and a malformed or truncated sequence each become one
// space; a leading byte-order mark is dropped. Returns the output length. The output is never
// longer than the input, so `outSize` = length + 1 always suffices.
size_t Utf8ToShiftJis(const char* utf8, size_t length, char* out, size_t outSize);

// Converts the first `count` bytes of `bytes` from EUC-JP to Shift_JIS in place and returns their
// new length: JIS X 0208 keeps its two bytes, a half-width katakana (8E xx) becomes its one byte, a
// JIS X 0212 character (8F xx xx) one space. A character cut off at the end becomes a space.
size_t EucJpToShiftJis(char* bytes, size_t count);

// The longest cut of `length` bytes of UTF-8 or EUC-JP at most `max` bytes long that does not
// split a character (as Utf8ToShiftJis and EucJpToShiftJis walk them).
size_t Utf8CutLength(const char* text, size_t length, size_t max);
size_t EucJpCutLength(const char* text, size_t length, size_t max);

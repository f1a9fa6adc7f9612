#pragma once
// The encoding a feed or OPML document declares, and values taken out of it as Shift_JIS.
#include <cstddef>
#include <string>

#include "feed/text.h"

enum class TextEncoding { ShiftJis, Utf8, EucJp };

// From the XML declaration ("<?xml" ... "?>"): EUC-JP when it names "euc-jp" or "euc_jp" (whatever
// else it names), else Shift_JIS for "shift-jis" or "shift_jis", else UTF-8, also without one.
TextEncoding DeclaredEncoding(TextView document);

// The value of the declaration's encoding attribute (in either quote) into `name` (`size` bytes,
// cut to fit); false, and `name` empty, when the document declares none.
bool DeclaredEncodingName(TextView document, char* name, size_t size);

// The Windows code page of an encoding name, whatever its case, dashes and underscores
// ("windows-1251", "ISO-8859-5", "Big5", "gb2312", "EUC-KR", "koi8-r" ...); 0 for an unknown name.
constexpr unsigned kCodePageUtf8 = 65001, kCodePageShiftJis = 932, kCodePageEucJp = 51932,
                   kCodePageWindows1252 = 1252;
unsigned CodePageOfEncodingName(const char* name);

// Whether `length` bytes are well-formed UTF-8 (no overlong forms, no surrogates), or Shift_JIS
// (code page 932 lead and trail bytes, half-width katakana).
bool IsWellFormedUtf8(const char* bytes, size_t length);

// How much of a text reads as UTF-8: its well-formed characters beyond ASCII, and the bytes that
// begin no well-formed character.
struct Utf8Shape {
    size_t characters = 0;
    size_t malformed = 0;
};
Utf8Shape ShapeOfUtf8(const char* bytes, size_t length);
bool IsWellFormedShiftJis(const char* bytes, size_t length);

// Appends `length` bytes of windows-1252 (ISO-8859-1 read as browsers read it) to `out` as UTF-8.
void Windows1252ToUtf8(const char* bytes, size_t length, std::string& out);

// Copies the `count` bytes at `raw`, cut to `max` bytes without splitting a character, into `dest`
// (`destSize` bytes, more than `max`) as Shift_JIS.
void TakeAsShiftJis(const char* raw, int count, size_t max, TextEncoding encoding, char* dest,
                    size_t destSize = kSlotSize);

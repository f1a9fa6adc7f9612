#pragma once
// The encoding a feed or OPML document declares, and values taken out of it as Shift_JIS.
#include <cstddef>

#include "feed/text.h"

enum class TextEncoding { ShiftJis, Utf8, EucJp };

// From the XML declaration ("<?xml" ... "?>"): EUC-JP when it names "euc-jp" or "euc_jp" (whatever
// else it names), else Shift_JIS for "shift-jis" or "shift_jis", else UTF-8, also without one.
TextEncoding DeclaredEncoding(TextView document);

// Copies the `count` bytes at `raw`, cut to `max` bytes without splitting a character, into `dest`
// (kSlotSize bytes) as Shift_JIS.
void TakeAsShiftJis(const char* raw, int count, size_t max, TextEncoding encoding, char* dest);

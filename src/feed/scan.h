#pragma once
// Forward searches over raw markup with a caller-owned cursor (a byte index), bounded by a limit
// and stepping over CDATA sections. Results: 0 found, -1 not found; the cursor moves either way.
// Every search stays inside the text (which must have a zero byte at text.bytes[text.length]),
// whatever the cursor and limit.
#include "feed/text.h"

constexpr int kFound = 0;
constexpr int kNotFound = -1;
constexpr int kMaxLiteralLength = 51;  // longer literals are searched by their first 51 bytes
constexpr int kMaxTagNameLength = 29;  // longer tag names are searched by their first 29 bytes

// A literal (at most 51 bytes), case-insensitive; cursor just after the match.
int FindText(const char* literal, int& cursor, int limit, TextView text);
int FindTextInDocument(const char* literal, int& cursor, TextView text);

// "<" + name followed by a space or ">"; cursor just after the ">" that ends the start tag.
int FindOpenTag(const char* name, int& cursor, int limit, TextView document);
int FindOpenTagInDocument(const char* name, int& cursor, TextView document);

// "</" + name; cursor on the byte before the "<". The bounded form searches to limit + 2.
int FindCloseTag(const char* name, int& cursor, int limit, TextView document);
int FindCloseTagInDocument(const char* name, int& cursor, TextView document);

// A literal in a zero-terminated string, first byte exact and the rest case-insensitive, with no
// CDATA handling; cursor on the first byte of the match.
int FindInString(const char* literal, const char* string, int& cursor);

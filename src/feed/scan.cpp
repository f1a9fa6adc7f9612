#include "feed/scan.h"

#include <cstring>

// Every search below works with `last`, the first position at which the cursor may no longer move
// on: a search for a pattern of L bytes within `limit` steps while cursor + L + 2 < limit, so
// last = limit - L - 2. The quick scans jump with memchr to the next byte that can matter; a
// position they jump over is one at which the byte-by-byte walk would only have stepped on, so
// results and cursors are the same as with that walk.

namespace {

inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Case-insensitive comparison of `length` bytes at `at` with `pattern`. It stops at the first
// difference, so it never reads past the zero byte that ends the text.
bool MatchesAt(const char* at, const char* pattern, int length) {
    for (int i = 0; i < length; ++i) {
        if (Lower(static_cast<unsigned char>(at[i])) != Lower(static_cast<unsigned char>(pattern[i]))) return false;
    }
    return true;
}

// The first position in [from, last) holding `byte`, else `last`.
inline int ScanTo(const char* text, int from, int last, char byte) {
    if (from >= last) return from;
    const void* hit = memchr(text + from, byte, static_cast<size_t>(last - from));
    return hit ? static_cast<int>(static_cast<const char*>(hit) - text) : last;
}

// A limit within the text, so that no search reads beyond its zero byte.
int Clamp(int limit, int length) {
    if (limit > length) return length;
    return limit < 0 ? 0 : limit;
}

void ClampCursor(int& cursor) {
    if (cursor < 0) cursor = 0;
}

inline bool BeginsMarkupDeclaration(const char* text, int at) { return text[at] == '<' && text[at + 1] == '!'; }

// On "<![CDATA[", moves the cursor to the first "]" of the next "]]>", stopping at `last` (the
// search's own stop condition). Returns whether a CDATA section began there. Needs cursor <= last.
bool SkipCdata(const char* text, int& cursor, int last) {
    if (!BeginsMarkupDeclaration(text, cursor)) return false;
    if (!MatchesAt(text + cursor, "<![CDATA[", 9)) return false;
    for (;;) {
        cursor = ScanTo(text, cursor, last, ']');
        if (cursor >= last) return true;
        if (MatchesAt(text + cursor, "]]>", 3)) return true;
        ++cursor;
    }
}

int BuildPattern(char* buffer, size_t size, const char* prefix, const char* name) {
    buffer[0] = '\0';
    strncat(buffer, prefix, size - 1);
    strncat(buffer, name, size - 1 - strlen(buffer));
    return static_cast<int>(strlen(buffer));
}

// The next position in [p, last) where FindText has anything to do: a "<" (a CDATA section may
// begin there) or the literal's first byte in either case; else `last`.
int NextTextCandidate(const char* text, int p, int last, unsigned char first) {
    if (first == '<') return ScanTo(text, p, last, '<');
    const unsigned char lower = Lower(first);
    const unsigned char upper = (lower >= 'a' && lower <= 'z') ? static_cast<unsigned char>(lower - 32) : lower;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    while (p < last) {
        unsigned char c = bytes[p];
        if (c == lower || c == upper || c == '<') return p;
        ++p;
    }
    return last;
}

int FindTextBounded(const char* literal, int& cursor, int limit, TextView text) {
    ClampCursor(cursor);
    limit = Clamp(limit, text.length);
    const int length = static_cast<int>(strnlen(literal, kMaxLiteralLength));
    if (length == 0) return kNotFound;
    const int last = limit - length - 2;
    const unsigned char first = static_cast<unsigned char>(literal[0]);
    int p = cursor;
    while (p < last) {
        p = NextTextCandidate(text.bytes, p, last, first);
        cursor = p;
        if (p >= last) break;
        if (SkipCdata(text.bytes, cursor, last)) p = cursor;
        if (MatchesAt(text.bytes + p, literal, length)) {
            cursor = p + length;
            return kFound;
        }
        p = cursor + 1;
        cursor = p;
    }
    return kNotFound;
}

int FindOpenTagBounded(const char* name, int& cursor, int limit, TextView document) {
    ClampCursor(cursor);
    limit = Clamp(limit, document.length);
    char pattern[kMaxTagNameLength + 3];
    const int length = BuildPattern(pattern, sizeof pattern, "<", name);
    const char* text = document.bytes;
    const int last = limit - length - 2;
    if (cursor >= last) return kNotFound;
    for (;;) {
        // The candidate where the scan stops is examined even at `last`.
        cursor = ScanTo(text, cursor, last, '<');
        SkipCdata(text, cursor, last);
        if (MatchesAt(text + cursor, pattern, length) && (text[cursor + length] == ' ' || text[cursor + length] == '>')) {
            cursor += length;
            // The start tag ends at the next ">", which must come before the last 3 bytes.
            int end = ScanTo(text, cursor, limit - 3, '>');
            if (end >= limit - 3) {
                if (cursor < limit - 3) cursor = limit - 3;
                return kNotFound;
            }
            cursor = end + 1;
            return kFound;
        }
        ++cursor;
        if (cursor >= last) return kNotFound;
    }
}

int FindCloseTagBounded(const char* name, int& cursor, int limit, TextView document) {
    ClampCursor(cursor);
    limit = Clamp(limit, document.length);
    char pattern[kMaxTagNameLength + 3];
    const int length = BuildPattern(pattern, sizeof pattern, "</", name);
    const char* text = document.bytes;
    const int last = limit - length - 2;
    while (cursor < last) {
        // Next "<" followed by "/" or "!"; the candidate where the scan stops is examined even at `last`.
        for (;;) {
            cursor = ScanTo(text, cursor, last, '<');
            if (cursor >= last || text[cursor + 1] == '/' || text[cursor + 1] == '!') break;
            ++cursor;
        }
        if (text[cursor] != '<') break;  // stopped at the bound on an ordinary byte
        if (text[cursor + 1] == '!') {
            if (!SkipCdata(text, cursor, last)) ++cursor;
        } else if (text[cursor + 1] == '/') {
            if (MatchesAt(text + cursor, pattern, length)) {
                cursor -= 1;
                return kFound;
            }
            ++cursor;
        } else {
            break;  // stopped at the bound on a "<" of another kind
        }
    }
    return kNotFound;
}

}  // namespace

int FindText(const char* literal, int& cursor, int limit, TextView text) {
    return FindTextBounded(literal, cursor, limit, text);
}

int FindTextInDocument(const char* literal, int& cursor, TextView text) {
    return FindTextBounded(literal, cursor, text.length, text);
}

int FindOpenTag(const char* name, int& cursor, int limit, TextView document) {
    return FindOpenTagBounded(name, cursor, limit, document);
}

int FindOpenTagInDocument(const char* name, int& cursor, TextView document) {
    return FindOpenTagBounded(name, cursor, document.length, document);
}

int FindCloseTag(const char* name, int& cursor, int limit, TextView document) {
    // An end tag that ends just before the caller's limit byte is still found.
    long long widened = static_cast<long long>(limit) + 2;
    return FindCloseTagBounded(name, cursor, widened > document.length ? document.length : static_cast<int>(widened),
                               document);
}

int FindCloseTagInDocument(const char* name, int& cursor, TextView document) {
    return FindCloseTagBounded(name, cursor, document.length, document);
}

int FindInString(const char* literal, const char* string, int& cursor) {
    ClampCursor(cursor);
    const int length = static_cast<int>(strlen(literal));
    const int size = static_cast<int>(strlen(string));
    if (length == 0) return kNotFound;
    int i = cursor;
    while (i + length <= size) {
        // Quick scan for the first byte, compared exactly.
        const void* hit = memchr(string + i, literal[0], static_cast<size_t>(size - length + 1 - i));
        if (!hit) {
            cursor = size - length + 1;
            break;
        }
        i = static_cast<int>(static_cast<const char*>(hit) - string);
        cursor = i;
        if (MatchesAt(string + i, literal, length)) return kFound;
        i = cursor + 1;
    }
    return kNotFound;
}

#include "feed/scan.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

// Every search below works with `last`, the first position at which the cursor may no longer move
// on: a search for a pattern of L bytes within `limit` steps while cursor + L + 2 < limit, so
// last = limit - L - 2. The quick scans jump to the next position that can matter (a "<" that may
// begin a CDATA section or the pattern, or the pattern's first byte); a position they jump over is
// one at which the byte-by-byte walk would only have stepped on, so results and cursors are the
// same as with that walk (tests/native/scan_test.cpp holds the walk and compares).

namespace {

// Index of the lowest set bit of a non-zero mask.
inline int LowestBit(unsigned mask) {
#if defined(_MSC_VER)
    unsigned long index;
    _BitScanForward(&index, mask);
    return static_cast<int>(index);
#else
    return __builtin_ctz(mask);
#endif
}

// Case-insensitive comparison of `length` bytes at `at` with `pattern`. It stops at the first
// difference, so it never reads past the zero byte that ends the text.
bool MatchesAt(const char* at, const char* pattern, int length) {
    for (int i = 0; i < length; ++i) {
        if (AsciiLower(static_cast<unsigned char>(at[i])) !=
            AsciiLower(static_cast<unsigned char>(pattern[i])))
            return false;
    }
    return true;
}

// The first position in [from, last) holding `byte`, else `last` (`from` when from >= last).
// Tags lie a few dozen bytes apart, so the scan is inline, 16 bytes at a time where SSE2 exists.
inline int ScanTo(const char* text, int from, int last, char byte) {
    int i = from;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i needle = _mm_set1_epi8(byte);
    while (i + 16 <= last) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, needle)));
        if (mask != 0) return i + LowestBit(mask);
        i += 16;
    }
#endif
    while (i < last && text[i] != byte) ++i;
    return i;
}

// The first "<" in [from, last) followed by "!" or by `next` in either case, else `last`. Reads up
// to text[last], which the callers' bounds keep inside the text.
inline int ScanToOpening(const char* text, int from, int last, unsigned char next) {
    const char lower = static_cast<char>(AsciiLower(next));
    const char upper = static_cast<char>((lower >= 'a' && lower <= 'z') ? lower - 32 : lower);
    int i = from;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i lt = _mm_set1_epi8('<'), bang = _mm_set1_epi8('!');
    const __m128i lo = _mm_set1_epi8(lower), up = _mm_set1_epi8(upper);
    while (i + 16 <= last) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 1));
        const __m128i wanted = _mm_or_si128(
            _mm_cmpeq_epi8(after, bang), _mm_or_si128(_mm_cmpeq_epi8(after, lo), _mm_cmpeq_epi8(after, up)));
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, lt), wanted)));
        if (mask != 0) return i + LowestBit(mask);
        i += 16;
    }
#endif
    for (; i < last; ++i) {
        if (text[i] == '<' && (text[i + 1] == '!' || text[i + 1] == lower || text[i + 1] == upper)) return i;
    }
    return i;
}

// The first "<" in [from, last) followed by "!", or by "/" and `next` in either case, else `last`.
// Reads up to text[last + 1], which the callers' bounds keep inside the text.
inline int ScanToClosing(const char* text, int from, int last, unsigned char next) {
    const char lower = static_cast<char>(AsciiLower(next));
    const char upper = static_cast<char>((lower >= 'a' && lower <= 'z') ? lower - 32 : lower);
    int i = from;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i lt = _mm_set1_epi8('<'), bang = _mm_set1_epi8('!'), slash = _mm_set1_epi8('/');
    const __m128i lo = _mm_set1_epi8(lower), up = _mm_set1_epi8(upper);
    while (i + 16 <= last) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 1));
        const __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 2));
        const __m128i name = _mm_or_si128(_mm_cmpeq_epi8(third, lo), _mm_cmpeq_epi8(third, up));
        const __m128i wanted =
            _mm_or_si128(_mm_cmpeq_epi8(after, bang), _mm_and_si128(_mm_cmpeq_epi8(after, slash), name));
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, lt), wanted)));
        if (mask != 0) return i + LowestBit(mask);
        i += 16;
    }
#endif
    for (; i < last; ++i) {
        if (text[i] == '<' &&
            (text[i + 1] == '!' || (text[i + 1] == '/' && (text[i + 2] == lower || text[i + 2] == upper)))) {
            return i;
        }
    }
    return i;
}

// A limit within the text, so that no search reads beyond its zero byte.
int Clamp(int limit, int length) {
    if (limit > length) return length;
    return limit < 0 ? 0 : limit;
}

void ClampCursor(int& cursor) {
    if (cursor < 0) cursor = 0;
}

inline bool BeginsMarkupDeclaration(const char* text, int at) {
    return text[at] == '<' && text[at + 1] == '!';
}

// On "<![CDATA[", moves the cursor to the first "]" of the next "]]>", stopping at `last` (the
// search's own stop condition). Returns whether a CDATA section began there. Needs cursor <= last.
bool SkipCdataSection(const char* text, int& cursor, int last) {
    if (!MatchesAt(text + cursor, "<![CDATA[", 9)) return false;
    for (;;) {
        cursor = ScanTo(text, cursor, last, ']');
        if (cursor >= last) return true;
        if (MatchesAt(text + cursor, "]]>", 3)) return true;
        ++cursor;
    }
}

inline bool SkipCdata(const char* text, int& cursor, int last) {
    return BeginsMarkupDeclaration(text, cursor) && SkipCdataSection(text, cursor, last);
}

// Tag names are compared after their "<" or "</"; a longer name counts by its first 29 bytes.
inline int NameLength(const char* name) { return static_cast<int>(strnlen(name, kMaxTagNameLength)); }

// The next position in [p, last) where FindText has anything to do: a "<" (a CDATA section may
// begin there) or the literal's first byte in either case; else `last`.
int NextTextCandidate(const char* text, int p, int last, const char* literal) {
    const unsigned char first = static_cast<unsigned char>(literal[0]);
    if (first == '<')
        return literal[1] ? ScanToOpening(text, p, last, static_cast<unsigned char>(literal[1]))
                          : ScanTo(text, p, last, '<');
    const unsigned char lower = AsciiLower(first);
    const unsigned char upper =
        (lower >= 'a' && lower <= 'z') ? static_cast<unsigned char>(lower - 32) : lower;
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
    int p = cursor;
    while (p < last) {
        p = NextTextCandidate(text.bytes, p, last, literal);
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
    const int nameLength = NameLength(name);
    const int length = nameLength + 1;  // "<" + name
    const char* text = document.bytes;
    const int last = limit - length - 2;
    if (cursor >= last) return kNotFound;
    for (;;) {
        // The candidate where the scan stops is examined even at `last`.
        if (nameLength) {
            cursor = ScanToOpening(text, cursor, last, static_cast<unsigned char>(name[0]));
            // The walk would have stopped on a "<" just before `last`, failed there and ended on
            // `last` without looking at it.
            if (cursor == last && text[last - 1] == '<') return kNotFound;
        } else {
            cursor = ScanTo(text, cursor, last, '<');
        }
        SkipCdata(text, cursor, last);
        if (text[cursor] == '<' && MatchesAt(text + cursor + 1, name, nameLength) &&
            (text[cursor + length] == ' ' || text[cursor + length] == '>')) {
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
    const int nameLength = NameLength(name);
    const int length = nameLength + 2;  // "</" + name
    const char* text = document.bytes;
    const int last = limit - length - 2;
    while (cursor < last) {
        // Next "<" followed by "/" or "!"; the candidate where the scan stops is examined even at `last`.
        if (nameLength) {
            cursor = ScanToClosing(text, cursor, last, static_cast<unsigned char>(name[0]));
        } else {
            for (;;) {
                cursor = ScanTo(text, cursor, last, '<');
                if (cursor >= last || text[cursor + 1] == '/' || text[cursor + 1] == '!') break;
                ++cursor;
            }
        }
        if (text[cursor] != '<') break;  // stopped at the bound on an ordinary byte
        if (text[cursor + 1] == '!') {
            if (!SkipCdataSection(text, cursor, last)) ++cursor;
        } else if (text[cursor + 1] == '/') {
            if (MatchesAt(text + cursor + 2, name, nameLength)) {
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
    return FindCloseTagBounded(
        name, cursor, widened > document.length ? document.length : static_cast<int>(widened), document);
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

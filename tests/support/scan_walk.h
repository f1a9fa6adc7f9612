#pragma once
// The markup searches written as plain byte-by-byte walks, step for step as their rules read. The
// real searches (src/feed/scan.cpp) jump with quick scans and must end in the same place with the
// same result; the native tests and a fuzz target compare the two.
#include <cstring>
#include <string>

#include "feed/scan.h"

namespace walk {

inline unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline bool Matches(const char* at, const char* pattern, int length) {
    for (int i = 0; i < length; ++i) {
        if (Lower(static_cast<unsigned char>(at[i])) != Lower(static_cast<unsigned char>(pattern[i])))
            return false;
    }
    return true;
}

inline int Clamp(int limit, int length) { return limit > length ? length : (limit < 0 ? 0 : limit); }

// Skips a CDATA section at the cursor while `canMove`; true when one began there.
template <typename CanMove>
inline bool SkipCdata(const char* text, int& cursor, CanMove canMove) {
    if (text[cursor] != '<' || text[cursor + 1] != '!' || !Matches(text + cursor, "<![CDATA[", 9))
        return false;
    while (canMove(cursor)) {
        if (text[cursor] == ']' && Matches(text + cursor, "]]>", 3)) break;
        ++cursor;
    }
    return true;
}

inline int FindText(const char* literal, int& cursor, int limit, TextView t) {
    if (cursor < 0) cursor = 0;
    limit = Clamp(limit, t.length);
    const int L = static_cast<int>(strlen(literal));
    auto canMove = [&](int at) { return at + L + 2 < limit; };
    int p = cursor;
    while (p + L + 2 < limit) {
        if (SkipCdata(t.bytes, cursor, canMove)) p = cursor;
        if (Matches(t.bytes + p, literal, L)) {
            cursor = p + L;
            return kFound;
        }
        p = cursor + 1;
        cursor = p;
    }
    return kNotFound;
}

inline int FindOpenTag(const char* name, int& cursor, int limit, TextView t) {
    if (cursor < 0) cursor = 0;
    limit = Clamp(limit, t.length);
    const std::string pattern = std::string("<") + name;
    const int L = static_cast<int>(pattern.size());
    const char* text = t.bytes;
    auto canMove = [&](int at) { return at + L + 2 < limit; };
    if (cursor + L + 2 >= limit) return kNotFound;
    for (;;) {
        while (text[cursor] != '<' && canMove(cursor)) ++cursor;
        SkipCdata(text, cursor, canMove);
        if (Matches(text + cursor, pattern.c_str(), L) &&
            (text[cursor + L] == ' ' || text[cursor + L] == '>')) {
            cursor += L;
            while (cursor + 3 < limit) {
                if (text[cursor++] == '>') return kFound;
            }
            return kNotFound;
        }
        ++cursor;
        if (!canMove(cursor)) return kNotFound;
    }
}

inline int FindCloseTag(const char* name, int& cursor, int limit, TextView t) {
    if (cursor < 0) cursor = 0;
    limit = Clamp(limit, t.length);
    const std::string pattern = std::string("</") + name;
    const int L = static_cast<int>(pattern.size());
    const char* text = t.bytes;
    auto canMove = [&](int at) { return at + L + 2 < limit; };
    while (canMove(cursor)) {
        while (!(text[cursor] == '<' && (text[cursor + 1] == '/' || text[cursor + 1] == '!')) &&
               canMove(cursor)) {
            ++cursor;
        }
        if (text[cursor] == '<' && text[cursor + 1] == '!') {
            if (!SkipCdata(text, cursor, canMove)) ++cursor;
        } else if (text[cursor] == '<' && text[cursor + 1] == '/') {
            if (Matches(text + cursor, pattern.c_str(), L)) {
                cursor -= 1;
                return kFound;
            }
            ++cursor;
        } else {
            break;
        }
    }
    return kNotFound;
}

inline int FindInString(const char* literal, const char* string, int& cursor) {
    const int L = static_cast<int>(strlen(literal));
    const int N = static_cast<int>(strlen(string));
    int i = cursor;
    while (i + L <= N) {
        while (i + L <= N && string[i] != literal[0]) ++i;
        cursor = i;
        if (i + L > N) break;
        if (Matches(string + i, literal, L)) return kFound;
        i = cursor + 1;
    }
    return kNotFound;
}

}  // namespace walk

#include "feed/scan.h"

#include <cstring>

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

int Clamp(int limit, int length) { return limit < length ? limit : length; }

void ClampCursor(int& cursor) {
    if (cursor < 0) cursor = 0;
}

// On "<![CDATA[", moves the cursor byte by byte to the first "]" of the next "]]>", stopping early
// where `canMove` says the search must end. Returns whether a CDATA section began there.
template <typename CanMove>
bool SkipCdata(const char* text, int& cursor, CanMove canMove) {
    if (text[cursor] != '<' || text[cursor + 1] != '!') return false;
    if (!MatchesAt(text + cursor, "<![CDATA[", 9)) return false;
    while (canMove(cursor)) {
        if (text[cursor] == ']' && MatchesAt(text + cursor, "]]>", 3)) break;
        ++cursor;
    }
    return true;
}

char* BuildPattern(char* buffer, size_t size, const char* prefix, const char* name) {
    buffer[0] = '\0';
    strncat(buffer, prefix, size - 1);
    strncat(buffer, name, size - 1 - strlen(buffer));
    return buffer;
}

int FindTextBounded(const char* literal, int& cursor, int limit, TextView text) {
    ClampCursor(cursor);
    limit = Clamp(limit, text.length);
    const int length = static_cast<int>(strnlen(literal, 51));
    auto canMove = [&](int at) { return at + length + 2 < limit; };
    int p = cursor;
    while (p + length + 2 < limit) {
        if (SkipCdata(text.bytes, cursor, canMove)) p = cursor;
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
    char pattern[40];
    BuildPattern(pattern, sizeof pattern, "<", name);
    const int length = static_cast<int>(strlen(pattern));
    const char* text = document.bytes;
    auto canMove = [&](int at) { return at + length + 2 < limit; };
    if (cursor + length + 2 >= limit) return kNotFound;
    for (;;) {
        while (text[cursor] != '<' && canMove(cursor)) ++cursor;
        SkipCdata(text, cursor, canMove);
        if (MatchesAt(text + cursor, pattern, length) && (text[cursor + length] == ' ' || text[cursor + length] == '>')) {
            cursor += length;
            while (cursor + 3 < limit) {
                char c = text[cursor++];
                if (c == '>') return kFound;
            }
            return kNotFound;
        }
        ++cursor;
        if (!canMove(cursor)) return kNotFound;
    }
}

int FindCloseTagBounded(const char* name, int& cursor, int limit, TextView document) {
    ClampCursor(cursor);
    limit = Clamp(limit, document.length);
    char pattern[40];
    BuildPattern(pattern, sizeof pattern, "</", name);
    const int length = static_cast<int>(strlen(pattern));
    const char* text = document.bytes;
    auto canMove = [&](int at) { return at + length + 2 < limit; };
    while (canMove(cursor)) {
        while (!(text[cursor] == '<' && (text[cursor + 1] == '/' || text[cursor + 1] == '!')) && canMove(cursor)) {
            ++cursor;
        }
        if (text[cursor] != '<') break;  // stopped at the bound on an ordinary byte
        if (text[cursor + 1] == '!') {
            if (!SkipCdata(text, cursor, canMove)) ++cursor;
        } else if (text[cursor + 1] == '/') {
            if (MatchesAt(text + cursor, pattern, length)) {
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
        while (i + length <= size && string[i] != literal[0]) ++i;
        cursor = i;
        if (i + length > size) break;
        if (MatchesAt(string + i, literal, length)) return kFound;
        i = cursor + 1;
    }
    return kNotFound;
}

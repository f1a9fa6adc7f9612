#include "feed/text.h"

#include <cstring>

size_t ShiftJisCutLength(const char* text, size_t length, size_t max) {
    if (length <= max) return length;
    // Walk characters from the start: a trail byte can look like a lead byte, so only a forward
    // walk knows where characters begin.
    size_t i = 0;
    while (i < max) {
        size_t step = IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i;
}

size_t CopyCut(char* dest, size_t destSize, const char* src) {
    if (destSize == 0) return 0;
    size_t length = ShiftJisCutLength(src, strnlen(src, destSize), destSize - 1);
    memmove(dest, src, length);
    dest[length] = '\0';
    return length;
}

size_t AppendCut(char* dest, size_t destSize, const char* src) {
    size_t used = strnlen(dest, destSize);
    if (used >= destSize) return used;
    return used + CopyCut(dest + used, destSize - used, src);
}

TextView ViewOf(const char* zeroTerminated) {
    return TextView{zeroTerminated, static_cast<int>(strlen(zeroTerminated))};
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(static_cast<unsigned char>(*a)) != AsciiLower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (AsciiLower(static_cast<unsigned char>(*text)) !=
            AsciiLower(static_cast<unsigned char>(*prefix))) {
            return false;
        }
    }
    return true;
}

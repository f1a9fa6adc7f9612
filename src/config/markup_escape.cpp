#include "config/markup_escape.h"

#include <cstring>

namespace {

const char* EntityFor(char c) {
    switch (c) {
        case '"':
            return "&quot;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '&':
            return "&amp;";
        case '\'':
            return "&#039;";
        default:
            return nullptr;
    }
}

}  // namespace

void EscapeForMarkup(const char* source, char* target) {
    size_t used = 0;
    const char* run = source;
    const char* p = source;
    for (; *p; ++p) {
        const char* entity = EntityFor(*p);
        if (!entity) continue;
        size_t runLength = static_cast<size_t>(p - run);
        size_t entityLength = strlen(entity);
        // A run and its entity go in whole or not at all.
        if (used + runLength + entityLength < kEscapedSize) {
            memcpy(target + used, run, runLength);
            memcpy(target + used + runLength, entity, entityLength);
            used += runLength + entityLength;
        }
        run = p + 1;
    }
    size_t runLength = static_cast<size_t>(p - run);
    if (used + runLength < kEscapedSize) {
        memcpy(target + used, run, runLength);
        used += runLength;
    }
    target[used] = '\0';
}

void CopyForXml(const char* source, char* target, size_t size) {
    if (size == 0) return;
    size_t used = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(source); *p;) {
        if (IsShiftJisLead(*p)) {
            unsigned char trail = p[1];
            if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) {
                if (used + 2 >= size) break;
                target[used++] = static_cast<char>(p[0]);
                target[used++] = static_cast<char>(trail);
                p += 2;
            } else {
                ++p;  // a lone lead byte
            }
            continue;
        }
        if (used + 1 >= size) break;
        target[used++] = static_cast<char>(*p < 0x20 ? ' ' : *p);
        ++p;
    }
    target[used] = '\0';
}

#pragma once
// Character references that name a Unicode character: "&#N;" (1 to 7 decimal digits), "&#xH;" or
// "&#XH;" (1 to 6 hexadecimal digits) with a value from 1 to U+10FFFF that is not a surrogate, and
// the 252 named entities of HTML 4 (names compare case-sensitively: "&Dagger;" is not "&dagger;").
#include <cstddef>
#include <cstdint>

// The reference that begins at `text` (on its "&") of a zero-terminated text: its length through
// the ";", with the character it names in `codePoint`; 0 when no such reference begins there.
size_t ReadCharacterReference(const char* text, uint32_t& codePoint);

// The code point of an HTML 4 entity name (without "&" and ";"), or 0 for an unknown name.
uint32_t HtmlEntityCodePoint(const char* name, size_t length);

struct HtmlEntity {
    const char* name;
    uint32_t codePoint;
};
// Sorted by name in byte order.
extern const HtmlEntity kHtmlEntities[];
extern const size_t kHtmlEntityCount;

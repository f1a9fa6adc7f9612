#include "feed/decode.h"

#include <cstdint>
#include <cstring>

#include "feed/char_refs.h"
#include "feed/cp932_table.h"
#include "feed/scan.h"
#include "feed/text.h"

namespace {

struct Reference {
    const char* text;
    char replacement;
};

// Decoded in this order; the order decides which reference is replaced first.
const Reference kReferences[] = {
    {"&quot;", '"'},  {"&lt;", '<'},    {"&gt;", '>'},   {"&amp;", '&'},  {"&nbsp;", ' '}, {"&yen;", '\x5C'},
    {"&apos;", '\''}, {"&#039;", '\''}, {"&#39;", '\''}, {"&#034;", '"'}, {"&#34;", '"'},  {"&#038;", '&'},
    {"&#38;", '&'},   {"&#036;", '$'},  {"&#36;", '$'},  {"&#035;", '#'}, {"&#35;", '#'},  {"&#165;", '\x5C'},
};

// The bytes that make a step of CleanText necessary.
enum : unsigned char { kAmpersand = 1, kLessThan = 2, kBracket = 4, kSpace = 8, kControl = 16 };

struct ByteClasses {
    unsigned char of[256] = {};
    constexpr ByteClasses() {
        of[static_cast<unsigned char>('&')] = kAmpersand;
        of[static_cast<unsigned char>('<')] = kLessThan;
        of[static_cast<unsigned char>(']')] = kBracket;
        of[static_cast<unsigned char>(' ')] = kSpace;
        of[static_cast<unsigned char>('\t')] = kControl;
        of[static_cast<unsigned char>('\n')] = kControl;
        of[static_cast<unsigned char>('\r')] = kControl;
    }
    unsigned char operator[](unsigned char byte) const { return of[byte]; }
};
constexpr ByteClasses kByteClass;

inline bool BeginsTagName(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == '!' || c == '?';
}

// Removed without replacement, in this order.
const char* const kMarkers[] = {"&#160;", "<![CDATA[", "]]>"};

void RemoveBytes(char* text, size_t at, size_t count) {
    size_t length = strlen(text + at);
    memmove(text + at, text + at + count, length - count + 1);
}

bool RemoveMarkers(char* text) {
    bool removed = false;
    for (const char* marker : kMarkers) {
        if (!strchr(text, marker[0])) continue;  // no occurrence can begin anywhere
        const size_t length = strlen(marker);
        int cursor = 0;
        while (FindInString(marker, text, cursor) == kFound) {
            RemoveBytes(text, static_cast<size_t>(cursor), length);
            removed = true;
        }
    }
    return removed;
}

// The `length` bytes at `text` are one of the fixed references, which keep their own replacements.
bool IsFixedReference(const char* text, size_t length) {
    if (length > 6) return false;  // the longest, "&quot;" and "&#039;", have 6 bytes
    for (const Reference& reference : kReferences) {
        size_t i = 0;
        while (i < length && AsciiLower(static_cast<unsigned char>(text[i])) == reference.text[i]) ++i;
        if (i == length && reference.text[i] == '\0') return true;
    }
    return false;
}

// Every other reference that names a character becomes its Shift_JIS form, or one space when it
// has none. Done before the fixed references, so that a reference which "&amp;" turns into waits
// for the next pass, as "&amp;lt;" does. A reference has at least 4 bytes and a character at most
// 2, so the text only shrinks. Returns the byte classes of what it wrote in place of references.
unsigned DecodeCharacterReferences(char* text) {
    unsigned produced = 0;
    char* write = nullptr;  // set at the first reference decoded: from there on the text moves left
    char* read = text;
    for (char* amp = strchr(text, '&'); amp; amp = strchr(amp + 1, '&')) {
        uint32_t codePoint = 0;
        const size_t length = ReadCharacterReference(amp, codePoint);
        if (length == 0 || IsFixedReference(amp, length)) continue;
        if (!write) {
            write = amp;
        } else {
            memmove(write, read, static_cast<size_t>(amp - read));
            write += amp - read;
        }
        uint16_t code = ShiftJisCodeOf(codePoint);
        if (code == kCp932NoForm || code == 0) code = ' ';
        if (code > 0xFF) {
            *write++ = static_cast<char>(code >> 8);
        } else {
            produced |= kByteClass[static_cast<unsigned char>(code)];
        }
        *write++ = static_cast<char>(code & 0xFF);
        read = amp + length;
        amp = read - 1;
    }
    if (write) memmove(write, read, strlen(read) + 1);
    return produced;
}

// A bit for each byte that can follow the "&" of a fixed reference: the letters and "#".
inline uint32_t FollowerBit(char c) {
    const unsigned char lower = AsciiLower(static_cast<unsigned char>(c));
    if (lower >= 'a' && lower <= 'z') return 1u << (lower - 'a');
    return lower == '#' ? 1u << 26 : 0;
}

// The other references first; then every occurrence of each fixed reference becomes its byte. The
// next search starts one byte after the replacement, so "&amp;lt;" becomes "&lt;" in one pass.
// Returns the byte classes of what the other references became.
unsigned DecodeReferences(char* text) {
    const unsigned produced = DecodeCharacterReferences(text);
    // Which bytes follow an "&": a reference that cannot begin anywhere is not searched for. A
    // replacement adds what follows a new "&", and what follows an "&" before it.
    uint32_t followers = 0;
    for (const char* amp = strchr(text, '&'); amp; amp = strchr(amp + 1, '&'))
        followers |= FollowerBit(amp[1]);
    for (const Reference& reference : kReferences) {
        if (!(followers & FollowerBit(reference.text[1]))) continue;
        const size_t length = strlen(reference.text);
        int cursor = 0;
        while (FindInString(reference.text, text, cursor) == kFound) {
            text[cursor] = reference.replacement;
            RemoveBytes(text, static_cast<size_t>(cursor) + 1, length - 1);
            if (text[cursor] == '&') followers |= FollowerBit(text[cursor + 1]);
            if (cursor > 0 && text[cursor - 1] == '&') followers |= FollowerBit(text[cursor]);
            cursor += 1;
        }
    }
    return produced;
}

// A "<" that begins a tag (a letter, "/", "!" or "?" follows it, and a ">" comes later) is dropped
// with everything up to the next ">". Any other "<" is text ("1 < 2") and stays.
void StripTags(char* text) {
    const char* lastClose = strrchr(text, '>');
    char* write = text;
    bool inside = false;
    for (const char* read = text; *read; ++read) {
        if (inside) {
            if (*read == '>') inside = false;
        } else if (*read == '<' && read < lastClose && BeginsTagName(read[1])) {
            inside = true;
        } else {
            *write++ = *read;
        }
    }
    *write = '\0';
}

// Drops leading spaces and squeezes runs of spaces; a single trailing space stays. This is the walk
// "from the first byte while the next byte is not the terminator, remove the current byte when it
// is a space followed by a space or a space at the start, else step on", done in one pass: the
// byte after the current one is always the next unread byte, and the start is an empty output.
void SqueezeSpaces(char* text) {
    size_t write = 0;
    for (size_t read = 0; text[read] != '\0'; ++read) {
        const char c = text[read];
        const char next = text[read + 1];
        if (c == ' ' && next != '\0' && (next == ' ' || write == 0)) continue;
        text[write++] = c;
    }
    text[write] = '\0';
}

inline bool IsControlByte(char c) { return c == '\t' || c == '\n' || c == '\r'; }

// A run of tabs and line breaks between two words is read as one space; at the start or the end of
// the text it goes.
void ControlBytesToSpaces(char* text) {
    char* write = text;
    for (const char* read = text; *read;) {
        if (!IsControlByte(*read)) {
            *write++ = *read++;
            continue;
        }
        while (IsControlByte(*read)) ++read;
        if (write != text && *read) *write++ = ' ';
    }
    *write = '\0';
}

// Continuation bytes a UTF-8 lead byte asks for; 0 for a byte that cannot begin a sequence.
inline int ContinuationsWanted(unsigned char b) {
    if ((b & 0xE0) == 0xC0) return 1;
    if ((b & 0xF0) == 0xE0) return 2;
    if ((b & 0xF8) == 0xF0) return 3;
    return 0;
}

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

constexpr uint32_t kMalformed = 0xFFFFFFFF;

// Decodes the character at `at` (at < length) and returns its byte count. Units beyond U+FFFF and
// malformed or truncated sequences come back as kMalformed; a malformed sequence takes only the
// continuation bytes that follow its lead byte.
inline size_t DecodeUtf8(const unsigned char* s, size_t at, size_t length, uint32_t& unit) {
    const unsigned char b0 = s[at];
    if (b0 < 0x80) {
        unit = b0;
        return 1;
    }
    const int wanted = ContinuationsWanted(b0);
    int present = 0;
    while (present < wanted && at + 1 + present < length && IsContinuation(s[at + 1 + present])) ++present;
    if (wanted == 0 || present < wanted || wanted == 3) {
        unit = kMalformed;
        return 1 + static_cast<size_t>(present);
    }
    if (wanted == 1) {
        unit = ((b0 & 0x1Fu) << 6) | (s[at + 1] & 0x3Fu);
    } else {
        unit = ((b0 & 0x0Fu) << 12) | ((s[at + 1] & 0x3Fu) << 6) | (s[at + 2] & 0x3Fu);
    }
    return 1 + static_cast<size_t>(wanted);
}

}  // namespace

void CleanText(char* text) {
    if (!text) return;
    // Each step only acts on texts holding certain bytes; decoding can bring "<" and spaces, but
    // only where there was a "&", and the line breaks it brings are counted.
    unsigned found = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        found |= kByteClass[*p];
    const bool amp = found & kAmpersand;
    bool markersRemoved = false;
    if (found & (kAmpersand | kLessThan | kBracket)) markersRemoved = RemoveMarkers(text);
    if (amp && !markersRemoved) found |= DecodeReferences(text);
    if (found & (kLessThan | kAmpersand)) StripTags(text);
    if (amp) found |= DecodeReferences(text);
    if (found & kControl) ControlBytesToSpaces(text);
    if (found & (kSpace | kAmpersand | kControl)) SqueezeSpaces(text);
}

size_t Utf8ToShiftJis(const char* utf8, size_t length, char* out, size_t outSize) {
    if (!out || outSize == 0) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8);
    const size_t end = utf8 ? strnlen(utf8, length) : 0;
    const size_t room = outSize - 1;
    size_t written = 0;
    size_t at = 0;
    // A byte-order mark at the start is dropped.
    if (end >= 3 && s[0] == 0xEF && ((s[1] == 0xBB && s[2] == 0xBF) || (s[1] == 0xBF && s[2] == 0xBE)))
        at = 3;
    while (at < end) {
        uint32_t unit = s[at];
        if (unit < 0x80) {
            // A run of ASCII: Windows maps every ASCII unit to its own byte.
            size_t run = at + 1;
            while (run < end && s[run] < 0x80) ++run;
            size_t count = run - at;
            if (count > room - written) count = room - written;
            memcpy(out + written, s + at, count);
            written += count;
            at += count;
            if (at < run) break;  // no more room
            continue;
        } else if ((unit & 0xF0) == 0xE0 && at + 2 < end && IsContinuation(s[at + 1]) &&
                   IsContinuation(s[at + 2])) {
            // The common case of Japanese text: a whole three-byte character.
            unit = ((unit & 0x0Fu) << 12) | ((s[at + 1] & 0x3Fu) << 6) | (s[at + 2] & 0x3Fu);
            at += 3;
        } else {
            at += DecodeUtf8(s, at, end, unit);
        }
        uint16_t code = (unit == kMalformed || unit == 0) ? kCp932NoForm : ShiftJisCodeOf(unit);
        if (code == kCp932NoForm) code = ' ';
        if (code > 0xFF) {
            if (written + 2 > room) break;
            out[written++] = static_cast<char>(code >> 8);
        } else if (written + 1 > room) {
            break;
        }
        out[written++] = static_cast<char>(code & 0xFF);
    }
    out[written] = '\0';
    return written;
}

size_t EucJpToShiftJis(char* bytes, size_t count) {
    unsigned char* b = reinterpret_cast<unsigned char*>(bytes);
    size_t i = 0, out = 0;
    while (i < count) {
        const unsigned c1 = b[i];
        // A half-width katakana (8E xx) is one Shift_JIS byte; JIS X 0212 (8F xx xx) has no form.
        if (c1 == 0x8E && i + 1 < count && b[i + 1] >= 0xA1 && b[i + 1] <= 0xDF) {
            b[out++] = b[i + 1];
            i += 2;
            continue;
        }
        if (c1 == 0x8F && i + 2 < count && b[i + 1] >= 0xA1 && b[i + 1] <= 0xFE && b[i + 2] >= 0xA1 &&
            b[i + 2] <= 0xFE) {
            b[out++] = ' ';
            i += 3;
            continue;
        }
        if ((c1 == 0x8E || c1 == 0x8F) && i + 1 >= count) {  // the rest was cut off
            b[out++] = ' ';
            break;
        }
        if (c1 < 0xA1 || c1 > 0xFE) {
            b[out++] = b[i++];
            continue;
        }
        if (i + 1 >= count) {  // the second byte was cut off
            b[out++] = ' ';
            i = count;
            break;
        }
        unsigned c2 = b[i + 1];
        if (c1 & 1) {
            c2 = (c2 - 0x61) & 0xFF;
            if (c2 > 0x7E) c2 += 1;
        } else {
            c2 = (c2 - 2) & 0xFF;
        }
        b[out++] = static_cast<unsigned char>(((c1 + 1) >> 1) + (c1 < 0xDF ? 0x30 : 0x70));
        b[out++] = static_cast<unsigned char>(c2);
        i += 2;
    }
    return out;
}

size_t Utf8CutLength(const char* text, size_t length, size_t max) {
    if (length <= max) return length;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    // Step back over the continuation bytes before the cut to the lead byte they belong to.
    size_t lead = max;
    int continuations = 0;
    while (lead > 0 && continuations < 3 && IsContinuation(s[lead - 1])) {
        --lead;
        ++continuations;
    }
    if (lead == 0) return max;
    const int wanted = ContinuationsWanted(s[lead - 1]);
    if (wanted > continuations) return lead - 1;  // the cut would split this character
    return max;
}

size_t EucJpCutLength(const char* text, size_t length, size_t max) {
    if (length <= max) return length;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < max) {
        size_t step = (s[i] >= 0xA1 && s[i] <= 0xFE) || s[i] == 0x8E ? 2 : s[i] == 0x8F ? 3 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i;
}

#include "feed/link_reading.h"

#include <cstdint>
#include <cstring>

#include "feed/char_refs.h"
#include "feed/cp932_table.h"
#include "feed/decode.h"
#include "feed/text.h"

namespace {

// Characters Windows converts to Shift_JIS only by best fit, to a character that is not theirs:
// every non-ASCII character it turns into an ASCII byte, and these.
const uint16_t kBestFitPairs[] = {0x00A2, 0x00A3, 0x00AB, 0x00AC, 0x00AF,
                                  0x00B5, 0x00B7, 0x00B8, 0x00BB, 0x3094};

class LinkWriter {
  public:
    LinkWriter(char* out, size_t size) : out_(out), size_(size) {}

    void Byte(char c) {
        if (length_ + 1 < size_) {
            out_[length_++] = c;
        } else {
            fits_ = false;
        }
    }

    void Percent(unsigned char b) {
        static const char kHex[] = "0123456789ABCDEF";
        Byte('%');
        Byte(kHex[b >> 4]);
        Byte(kHex[b & 15]);
    }

    void CodePoint(uint32_t cp) {
        if (cp < 0x80) {
            Byte(static_cast<char>(cp));
            return;
        }
        const uint16_t code = ExactShiftJisCode(cp);
        if (code != kCp932NoForm) {
            if (code > 0xFF) Byte(static_cast<char>(code >> 8));
            Byte(static_cast<char>(code & 0xFF));
            return;
        }
        unsigned char utf8[4];
        int n;
        if (cp < 0x800) {
            utf8[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            n = 1;
        } else if (cp < 0x10000) {
            utf8[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            utf8[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            n = 2;
        } else {
            utf8[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            utf8[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            utf8[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            n = 3;
        }
        utf8[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        for (int i = 0; i < n; ++i) Percent(utf8[i]);
    }

    // Ends the text with spaces at both ends trimmed.
    bool Finish() {
        while (length_ > 0 && out_[length_ - 1] == ' ') --length_;
        out_[length_] = '\0';
        size_t lead = 0;
        while (out_[lead] == ' ') ++lead;
        if (lead > 0) memmove(out_, out_ + lead, length_ - lead + 1);
        return fits_;
    }

  private:
    static uint16_t ExactShiftJisCode(uint32_t cp) {
        if (cp > 0xFFFF) return kCp932NoForm;
        const uint16_t code = Cp932CodeOf(static_cast<uint16_t>(cp));
        if (code == kCp932NoForm || code < 0x80) return kCp932NoForm;
        for (uint16_t pair : kBestFitPairs) {
            if (pair == cp) return kCp932NoForm;
        }
        return code;
    }

    char* out_;
    size_t size_;
    size_t length_ = 0;
    bool fits_ = true;
};

// The UTF-8 character at `s` (`left` bytes remain): its code point and length; 0 when malformed.
size_t DecodeUtf8Character(const unsigned char* s, size_t left, uint32_t& cp) {
    size_t extra;
    if (s[0] >= 0xC2 && s[0] <= 0xDF) {
        extra = 1;
        cp = s[0] & 0x1Fu;
    } else if (s[0] >= 0xE0 && s[0] <= 0xEF) {
        extra = 2;
        cp = s[0] & 0x0Fu;
    } else if (s[0] >= 0xF0 && s[0] <= 0xF4) {
        extra = 3;
        cp = s[0] & 0x07u;
    } else {
        return 0;
    }
    if (extra >= left) return 0;
    for (size_t k = 1; k <= extra; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[k] & 0x3Fu);
    }
    return extra + 1;
}

struct FixedReference {
    const char* text;
    char byte;
};
const FixedReference kFixedReferences[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};

bool HasScheme(const char* link) {
    const char* p = link;
    if (!((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'))) return false;
    while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') || *p == '+' ||
           *p == '-' || *p == '.')
        ++p;
    return *p == ':';
}

// Removes "." and ".." segments from the path that begins at `path` and ends at the first "?",
// "#" or the end, in place.
void RemoveDotSegments(char* path) {
    const size_t end = strcspn(path, "?#");
    char result[kLinkWorkSize];
    if (end >= sizeof result) return;
    size_t length = 0;
    size_t at = 0;
    while (at < end) {
        // The segment after the "/" at `at`.
        size_t next = at + 1;
        while (next < end && path[next] != '/') ++next;
        const size_t segment = next - at - 1;
        const bool last = next >= end;
        if (segment == 1 && path[at + 1] == '.') {
            if (last) result[length++] = '/';
        } else if (segment == 2 && path[at + 1] == '.' && path[at + 2] == '.') {
            while (length > 0 && result[length - 1] != '/') --length;
            if (length > 0) --length;
            if (last) result[length++] = '/';
        } else {
            memcpy(result + length, path + at, next - at);
            length += next - at;
        }
        at = next;
    }
    if (length == 0 && end > 0) result[length++] = '/';
    memmove(path + length, path + end, strlen(path + end) + 1);
    memcpy(path, result, length);
}

}  // namespace

bool ReadLink(const char* raw, int count, TextEncoding encoding, char* out, size_t outSize) {
    if (outSize == 0) return false;
    LinkWriter writer(out, outSize);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(raw);
    const size_t n = count < 0 ? 0 : strnlen(raw, static_cast<size_t>(count));
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c == '<' && n - i >= 9 && memcmp(raw + i, "<![CDATA[", 9) == 0) {
            i += 9;
        } else if (c == ']' && n - i >= 3 && memcmp(raw + i, "]]>", 3) == 0) {
            i += 3;
        } else if (c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '&') {
            uint32_t cp = 0;
            size_t length = ReadCharacterReference(raw + i, cp);
            if (length > 0 && i + length <= n) {
                writer.CodePoint(cp);
                i += length;
                continue;
            }
            char fixed = '&';
            length = 1;
            for (const FixedReference& r : kFixedReferences) {
                const size_t size = strlen(r.text);
                if (n - i >= size && StartsWithIgnoringAsciiCase(raw + i, r.text)) {
                    fixed = r.byte;
                    length = size;
                    break;
                }
            }
            writer.Byte(fixed);
            i += length;
        } else if (c < 0x80) {
            writer.Byte(static_cast<char>(c));
            ++i;
        } else if (encoding == TextEncoding::Utf8) {
            uint32_t cp;
            const size_t length = DecodeUtf8Character(s + i, n - i, cp);
            if (length == 0) {
                writer.Percent(c);
                ++i;
            } else {
                writer.CodePoint(cp);
                i += length;
            }
        } else if (encoding == TextEncoding::ShiftJis) {
            writer.Byte(static_cast<char>(c));
            if (IsShiftJisLead(c) && i + 1 < n) writer.Byte(raw[++i]);
            ++i;
        } else {
            const size_t size = (c == 0x8F) ? 3 : (c == 0x8E || (c >= 0xA1 && c <= 0xFE)) ? 2 : 1;
            if (i + size > n || size == 1) {
                writer.Percent(c);
                ++i;
                continue;
            }
            char pair[3] = {raw[i], raw[i + 1], size == 3 ? raw[i + 2] : '\0'};
            const size_t length = EucJpToShiftJis(pair, size);
            for (size_t k = 0; k < length; ++k) writer.Byte(pair[k]);
            i += size;
        }
    }
    return writer.Finish();
}

bool ResolveLink(const char* base, const char* link, char* out, size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    auto fits = [&](size_t length) { return length < outSize; };
    if (link[0] == '\0' || HasScheme(link) || !HasScheme(base)) {
        if (!fits(strlen(link))) return false;
        memcpy(out, link, strlen(link) + 1);
        return true;
    }
    const size_t schemeEnd = static_cast<size_t>(strchr(base, ':') - base) + 1;
    size_t authorityEnd = schemeEnd;
    if (base[schemeEnd] == '/' && base[schemeEnd + 1] == '/')
        authorityEnd = schemeEnd + 2 + strcspn(base + schemeEnd + 2, "/?#");
    size_t keep;  // bytes of the base kept in front of the link
    const char* glue = "";
    if (link[0] == '/' && link[1] == '/') {
        keep = schemeEnd;
    } else if (link[0] == '/') {
        keep = authorityEnd;
    } else if (link[0] == '?') {
        keep = authorityEnd + strcspn(base + authorityEnd, "?#");
    } else if (link[0] == '#') {
        keep = authorityEnd + strcspn(base + authorityEnd, "#");
    } else {
        const size_t pathEnd = authorityEnd + strcspn(base + authorityEnd, "?#");
        keep = pathEnd;
        while (keep > authorityEnd && base[keep - 1] != '/') --keep;
        if (keep == authorityEnd) glue = "/";
    }
    const size_t linkLength = strlen(link), glueLength = strlen(glue);
    if (!fits(keep + glueLength + linkLength)) return false;
    memcpy(out, base, keep);
    memcpy(out + keep, glue, glueLength);
    memcpy(out + keep + glueLength, link, linkLength + 1);
    if (link[0] != '?' && link[0] != '#' && !(link[0] == '/' && link[1] == '/')) {
        const size_t pathStart = authorityEnd;
        if (out[pathStart] == '/') RemoveDotSegments(out + pathStart);
    }
    return true;
}

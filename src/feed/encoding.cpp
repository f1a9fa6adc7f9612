#include "feed/encoding.h"

#include <cstdint>
#include <cstring>

#include "feed/decode.h"
#include "feed/scan.h"

TextEncoding DeclaredEncoding(TextView document) {
    int cursor = 0;
    if (FindTextInDocument("<?xml", cursor, document) != kFound) return TextEncoding::Utf8;
    const int afterXml = cursor;
    if (FindTextInDocument("?>", cursor, document) != kFound) return TextEncoding::Utf8;
    const int limit = cursor;
    auto declares = [&](const char* name) {
        int at = afterXml;
        return FindText(name, at, limit, document) == kFound;
    };
    if (declares("euc-jp") || declares("euc_jp")) return TextEncoding::EucJp;
    if (declares("shift-jis") || declares("shift_jis")) return TextEncoding::ShiftJis;
    return TextEncoding::Utf8;
}

bool DeclaredEncodingName(TextView document, char* name, size_t size) {
    if (size == 0) return false;
    name[0] = '\0';
    int cursor = 0;
    if (FindTextInDocument("<?xml", cursor, document) != kFound) return false;
    int end = cursor;
    if (FindTextInDocument("?>", end, document) != kFound) return false;
    if (FindText("encoding", cursor, end, document) != kFound) return false;
    const char* p = document.bytes + cursor;
    const char* stop = document.bytes + end;
    while (p < stop && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
    if (p >= stop || *p != '=') return false;
    ++p;
    while (p < stop && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
    if (p >= stop || (*p != '"' && *p != '\'')) return false;
    const char quote = *p++;
    const char* close = static_cast<const char*>(memchr(p, quote, static_cast<size_t>(stop - p)));
    if (!close) return false;
    size_t length = static_cast<size_t>(close - p);
    if (length >= size) length = size - 1;
    memcpy(name, p, length);
    name[length] = '\0';
    return length > 0;
}

namespace {

struct NamedCodePage {
    const char* name;  // lower case, without dashes and underscores
    unsigned codePage;
};

const NamedCodePage kCodePageNames[] = {
    {"utf8", kCodePageUtf8},
    {"usascii", 20127},
    {"ascii", 20127},
    {"shiftjis", 932},
    {"sjis", 932},
    {"xsjis", 932},
    {"windows31j", 932},
    {"cp932", 932},
    {"ms932", 932},
    {"mskanji", 932},
    {"eucjp", kCodePageEucJp},
    {"xeucjp", kCodePageEucJp},
    {"iso2022jp", 50220},
    {"csiso2022jp", 50220},
    {"gb2312", 936},
    {"gbk", 936},
    {"cp936", 936},
    {"xgbk", 936},
    {"euccn", 936},
    {"gb18030", 54936},
    {"hzgb2312", 52936},
    {"big5", 950},
    {"big5hkscs", 950},
    {"cp950", 950},
    {"xbig5", 950},
    {"euckr", 949},
    {"ksc56011987", 949},
    {"cp949", 949},
    {"uhc", 949},
    {"windows874", 874},
    {"tis620", 874},
    {"iso885911", 874},
    {"koi8r", 20866},
    {"koi8u", 21866},
    {"cp866", 866},
    {"ibm866", 866},
    {"macintosh", 10000},
    {"xmacroman", 10000},
    {"iso88591", kCodePageWindows1252},
    {"latin1", kCodePageWindows1252},
    {"l1", kCodePageWindows1252},
    {"iso885915", 28605},
    {"iso88592", 28592},
    {"iso88593", 28593},
    {"iso88594", 28594},
    {"iso88595", 28595},
    {"iso88596", 28596},
    {"iso88597", 28597},
    {"iso88598", 28598},
    {"iso88598i", 28598},
    {"iso88599", 28599},
    {"iso885913", 28603},
    {"windows1250", 1250},
    {"windows1251", 1251},
    {"windows1252", kCodePageWindows1252},
    {"windows1253", 1253},
    {"windows1254", 1254},
    {"windows1255", 1255},
    {"windows1256", 1256},
    {"windows1257", 1257},
    {"windows1258", 1258},
    {"cp1250", 1250},
    {"cp1251", 1251},
    {"cp1252", kCodePageWindows1252},
    {"cp1253", 1253},
    {"cp1254", 1254},
    {"cp1255", 1255},
    {"cp1256", 1256},
    {"cp1257", 1257},
    {"cp1258", 1258},
};

// windows-1252's characters for the bytes 80 to 9F; the five it leaves undefined keep their byte.
const uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

unsigned CodePageOfEncodingName(const char* name) {
    char folded[32];
    size_t length = 0;
    for (const char* p = name; *p; ++p) {
        if (*p == '-' || *p == '_' || *p == ' ') continue;
        if (length + 1 >= sizeof folded) return 0;
        folded[length++] = static_cast<char>(AsciiLower(static_cast<unsigned char>(*p)));
    }
    folded[length] = '\0';
    for (const NamedCodePage& entry : kCodePageNames) {
        if (strcmp(entry.name, folded) == 0) return entry.codePage;
    }
    return 0;
}

Utf8Shape ShapeOfUtf8(const char* bytes, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes);
    Utf8Shape shape;
    size_t i = 0;
    while (i < length) {
        // Eight bytes of ASCII at a time.
        uint64_t block;
        if (i + 8 <= length && (memcpy(&block, s + i, 8), (block & 0x8080808080808080ull) == 0)) {
            i += 8;
            continue;
        }
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t extra = 0;
        uint32_t value = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            value = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            value = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            value = b & 0x07u;
        }
        bool formed = extra > 0 && i + extra < length;
        for (size_t k = 1; formed && k <= extra; ++k) {
            formed = (s[i + k] & 0xC0) == 0x80;
            value = (value << 6) | (s[i + k] & 0x3Fu);
        }
        static const uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
        if (formed && value >= kSmallest[extra] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
            ++shape.characters;
            i += extra + 1;
        } else {
            ++shape.malformed;
            ++i;
        }
    }
    return shape;
}

bool IsWellFormedUtf8(const char* bytes, size_t length) { return ShapeOfUtf8(bytes, length).malformed == 0; }

bool IsWellFormedShiftJis(const char* bytes, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length) {
        const unsigned char b = s[i];
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            ++i;
            continue;
        }
        if (!IsShiftJisLead(b) || i + 1 >= length) return false;
        const unsigned char trail = s[i + 1];
        if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
        i += 2;
    }
    return true;
}

void Windows1252ToUtf8(const char* bytes, size_t length, std::string& out) {
    out.reserve(out.size() + length + length / 2);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            continue;
        }
        const uint32_t unit = (b < 0xA0) ? kWindows1252High[b - 0x80] : b;
        if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

void TakeAsShiftJis(const char* raw, int count, size_t max, TextEncoding encoding, char* dest,
                    size_t destSize) {
    size_t length = count < 0 ? 0 : static_cast<size_t>(count);
    switch (encoding) {
        case TextEncoding::Utf8:
            Utf8ToShiftJis(raw, Utf8CutLength(raw, length, max), dest, destSize);
            return;
        case TextEncoding::EucJp:
            length = EucJpCutLength(raw, length, max);
            memcpy(dest, raw, length);
            dest[length] = '\0';
            dest[EucJpToShiftJis(dest, length)] = '\0';
            return;
        case TextEncoding::ShiftJis:
            length = ShiftJisCutLength(raw, length, max);
            memcpy(dest, raw, length);
            dest[length] = '\0';
            return;
    }
}

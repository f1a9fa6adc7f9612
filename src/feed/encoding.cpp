#include "feed/encoding.h"

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

void TakeAsShiftJis(const char* raw, int count, size_t max, TextEncoding encoding, char* dest) {
    size_t length = count < 0 ? 0 : static_cast<size_t>(count);
    switch (encoding) {
        case TextEncoding::Utf8:
            Utf8ToShiftJis(raw, Utf8CutLength(raw, length, max), dest, kSlotSize);
            return;
        case TextEncoding::EucJp:
            length = EucJpCutLength(raw, length, max);
            memcpy(dest, raw, length);
            dest[length] = '\0';
            EucJpToShiftJis(dest, length);
            return;
        case TextEncoding::ShiftJis:
            length = ShiftJisCutLength(raw, length, max);
            memcpy(dest, raw, length);
            dest[length] = '\0';
            return;
    }
}

#include "config/feed_title.h"

#include <cstring>

#include "feed/decode.h"
#include "feed/scan.h"

namespace {

enum class Encoding { Utf8, ShiftJis, EucJp };

constexpr size_t kTitleBytes = kSlotSize - 1;

// UTF-8 unless the XML declaration names EUC-JP or Shift_JIS (EUC-JP is looked for first).
Encoding DeclaredEncoding(TextView document) {
    int cursor = 0;
    if (FindTextInDocument("<?xml", cursor, document) != kFound) return Encoding::Utf8;
    const int afterXml = cursor;
    if (FindTextInDocument("?>", cursor, document) != kFound) return Encoding::Utf8;
    const int limit = cursor;
    auto declares = [&](const char* name) {
        int at = afterXml;
        return FindText(name, at, limit, document) == kFound;
    };
    if (declares("euc-jp") || declares("euc_jp")) return Encoding::EucJp;
    if (declares("shift-jis") || declares("shift_jis")) return Encoding::ShiftJis;
    return Encoding::Utf8;
}

int CountStartTags(const char* name, TextView document) {
    int count = 0;
    int cursor = 0;
    while (FindOpenTagInDocument(name, cursor, document) == kFound) ++count;
    return count;
}

}  // namespace

int LookupFeedTitle(TextView document, char* site, size_t size) {
    if (!site || size == 0) return 0;
    const Encoding encoding = DeclaredEncoding(document);
    int cursor = 0;
    if (FindOpenTagInDocument("title", cursor, document) != kFound) {
        CopyCut(site, size, "サイト名が取得できませんでした。");
        return 0;
    }
    const int start = cursor;
    if (FindCloseTagInDocument("title", cursor, document) != kFound) {
        CopyCut(site, size, "サイト名が取得できませんでした。");
        return 0;
    }
    // The content runs from just after the start tag to the byte before the end tag.
    const char* raw = document.bytes + start;
    const size_t length = cursor + 1 > start ? static_cast<size_t>(cursor + 1 - start) : 0;
    char title[kSlotSize];
    switch (encoding) {
        case Encoding::Utf8:
            Utf8ToShiftJis(raw, Utf8CutLength(raw, length, kTitleBytes), title, sizeof title);
            break;
        case Encoding::EucJp: {
            size_t cut = EucJpCutLength(raw, length, kTitleBytes);
            memcpy(title, raw, cut);
            title[cut] = '\0';
            EucJpToShiftJis(title, cut);
            break;
        }
        case Encoding::ShiftJis: {
            size_t cut = ShiftJisCutLength(raw, length, kTitleBytes);
            memcpy(title, raw, cut);
            title[cut] = '\0';
            break;
        }
    }
    CopyCut(site, size, title);
    CleanText(site);
    int items = CountStartTags("item", document);
    return items > 0 ? items : CountStartTags("entry", document);
}

#include "config/feed_title.h"

#include "feed/decode.h"
#include "feed/encoding.h"
#include "feed/scan.h"

namespace {

constexpr size_t kTitleBytes = kSlotSize - 1;

int CountStartTags(const char* name, TextView document) {
    int count = 0;
    int cursor = 0;
    while (FindOpenTagInDocument(name, cursor, document) == kFound) ++count;
    return count;
}

}  // namespace

int LookupFeedTitle(TextView document, char* site, size_t size) {
    if (!site || size == 0) return 0;
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
    // The content runs from just after the start tag to the byte before the end tag; the first
    // title of RSS 1.0, RSS 2.0 and Atom alike is the feed's own.
    char title[kSlotSize];
    TakeAsShiftJis(document.bytes + start, cursor + 1 - start, kTitleBytes, DeclaredEncoding(document),
                   title);
    CopyCut(site, size, title);
    CleanText(site);
    int items = CountStartTags("item", document);
    return items > 0 ? items : CountStartTags("entry", document);
}

#include "feed/parser.h"

#include <cstring>

#include "platform/platform.h"
#include "feed/day_number.h"
#include "feed/decode.h"
#include "feed/encoding.h"
#include "feed/scan.h"

// The document is never turned into a tree: every value is found by forward searches over the raw
// bytes from a remembered position, bounded by the enclosing item or entry, then cut, converted to
// Shift_JIS and cleaned straight into its slot. Nothing is allocated.

namespace {

const char kUntitled[] = "無題";

constexpr size_t kValueBytes = kSlotSize - 1;   // 255: the longest value taken from a document
constexpr size_t kDcDateBytes = kSlotSize - 2;  // 254 for "dc:date"

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class FeedParser {
  public:
    FeedParser(TextView document, const char* site, const char* root, FeedParseTarget& target)
        : doc_(document),
          site_(site ? site : ""),
          root_(root ? root : ""),
          target_(target),
          encoding_(DeclaredEncoding(document)),
          slot_(target.articles.count < 0 ? 0 : target.articles.count) {}

    void Run() {
        if (slot_ >= kArticleCapacity || target_.maximum < 1) {
            Finish();
            return;
        }
        ReadItems();
        if (added_ == 0) ReadEntries();
        Finish();
    }

  private:
    // Copies the `count` bytes at `from`, cut to `max` bytes without splitting a character, into
    // `dest` (kSlotSize bytes) as Shift_JIS.
    void TakeBytes(int from, int count, size_t max, char* dest) const {
        TakeAsShiftJis(doc_.bytes + from, count, max, encoding_, dest);
    }

    // Element content: from `start` (just after the start tag) to `last` (the byte before the end tag).
    void TakeContent(int start, int last, size_t max, char* dest) const {
        TakeBytes(start, last - start + 1, max, dest);
    }

    // An attribute value: the bytes between the first double quote at or after `from` and the
    // next one, both before `limit`. False (and `dest` untouched) when a quote is missing.
    bool TakeQuoted(int from, int limit, char* dest) const {
        if (from < 0 || from >= limit) return false;
        const char* open =
            static_cast<const char*>(memchr(doc_.bytes + from, '"', static_cast<size_t>(limit - from)));
        if (!open) return false;
        const int start = static_cast<int>(open - doc_.bytes) + 1;
        if (start >= limit) return false;
        const char* close =
            static_cast<const char*>(memchr(doc_.bytes + start, '"', static_cast<size_t>(limit - start)));
        if (!close) return false;
        TakeBytes(start, static_cast<int>(close - doc_.bytes) - start, kValueBytes, dest);
        return true;
    }

    // Finds the element `name` between `from` and `limit`; on success gives its content bounds.
    // `stop` receives where the search stopped.
    bool FindElement(const char* name, int from, int limit, int& start, int& last,
                     int* stop = nullptr) const {
        int cursor = from;
        if (FindOpenTag(name, cursor, limit, doc_) != kFound) {
            if (stop) *stop = cursor;
            return false;
        }
        start = cursor;
        if (FindCloseTag(name, cursor, limit, doc_) != kFound) {
            if (stop) *stop = cursor;
            return false;
        }
        last = cursor;
        return true;
    }

    // Parses the element `name` as a date; -1 when it is missing or not a date.
    int DateOf(const char* name, size_t max, int from, int limit, bool isoFirst, bool tryOther,
               bool& present) const {
        int start, last;
        present = FindElement(name, from, limit, start, last);
        if (!present) return -1;
        char value[kSlotSize];
        TakeContent(start, last, max, value);
        int day = isoFirst ? ParseIsoDate(value) : ParseRfc822Date(value);
        if (day == -1 && tryOther) day = isoFirst ? ParseRfc822Date(value) : ParseIsoDate(value);
        return day;
    }

    // A link written on its own line keeps a space from the line break after cleaning; an address
    // never begins or ends with one, and with it the link could neither be opened nor joined.
    static void TrimSpaces(char* link) {
        size_t length = strlen(link);
        while (length > 0 && link[length - 1] == ' ') link[--length] = '\0';
        size_t lead = 0;
        while (link[lead] == ' ') ++lead;
        if (lead > 0) memmove(link, link + lead, length - lead + 1);
    }

    // A link beginning with "/" gets the site root in front, when the joined link fits the slot.
    void CompleteRelativeLink(char* link) const {
        TrimSpaces(link);
        if (link[0] != '/') return;
        const size_t rootLength = strlen(root_);
        const size_t linkLength = strlen(link);
        if (rootLength + linkLength + 1 >= kSlotSize) return;
        memmove(link + rootLength, link, linkLength + 1);
        memcpy(link, root_, rootLength);
    }

    // Counts the article in the current slot; false when parsing must stop.
    bool Complete() {
        ++slot_;
        ++added_;
        ++target_.foundCount;
        return slot_ < kArticleCapacity && added_ != target_.maximum;
    }

    void Finish() { target_.articles.count = slot_; }

    ArticleEntry& Current() { return target_.articles.slot[slot_]; }

    void ReadItems() {
        int position = 0;
        for (;;) {
            // Keeps the ticker painting while a long document is read.
            if (target_.pump) target_.pump->DispatchOne();
            if (FindOpenTagInDocument("item", position, doc_) != kFound) return;
            const int itemStart = position;
            int itemLimit = itemStart;
            if (FindCloseTagInDocument("item", itemLimit, doc_) != kFound) return;

            int titleStart, titleLast, stop;
            if (!FindElement("title", itemStart, itemLimit, titleStart, titleLast, &stop)) {
                position = stop;
                continue;
            }
            ArticleEntry* entry = &Current();
            CopyCut(entry->site, sizeof entry->site, site_);
            TakeContent(titleStart, titleLast, kValueBytes, entry->title);
            CleanText(entry->title);
            if (entry->title[0] == '\0') CopyCut(entry->title, sizeof entry->title, kUntitled);

            int linkStart, linkLast;
            const bool hasLink = FindElement("link", itemStart, itemLimit, linkStart, linkLast);
            if (hasLink) {
                TakeContent(linkStart, linkLast, kValueBytes, entry->link);
                CleanText(entry->link);
                CompleteRelativeLink(entry->link);
                entry->day = ItemDay(itemStart, itemLimit);
                if (!Complete()) return;
            }
            ReadEnclosure(itemStart, itemLimit, hasLink);
            if (slot_ >= kArticleCapacity || added_ == target_.maximum) return;
            position = itemLimit;
        }
    }

    int ItemDay(int itemStart, int itemLimit) const {
        bool present;
        int day = DateOf("dc:date", kDcDateBytes, itemStart, itemLimit, true, true, present);
        if (!present) day = DateOf("pubDate", kValueBytes, itemStart, itemLimit, false, true, present);
        return day == -1 ? target_.today : day;
    }

    // An enclosure becomes an article of its own, titled with its file name in square brackets.
    void ReadEnclosure(int itemStart, int itemLimit, bool itemHadLink) {
        int cursor = itemStart;
        if (FindText("<enclosure", cursor, itemLimit, doc_) != kFound) return;
        if (FindText("url", cursor, itemLimit, doc_) != kFound) return;
        char url[kSlotSize];
        if (!TakeQuoted(cursor, itemLimit, url)) return;

        ArticleEntry& entry = Current();
        CopyCut(entry.site, sizeof entry.site, site_);
        CopyCut(entry.link, sizeof entry.link, url);
        TrimSpaces(entry.link);

        // The file name follows the last "/" at index 8 or later (after "http://x").
        const size_t linkLength = strlen(entry.link);
        const char* fileName = entry.link + (linkLength < 8 ? linkLength : 8);
        for (size_t k = linkLength; k > 8; --k) {
            if (entry.link[k - 1] == '/') {
                fileName = entry.link + k;
                break;
            }
        }
        if (itemHadLink || strlen(entry.title) >= 254) {
            CopyCut(entry.title, sizeof entry.title, "[");
        } else {
            AppendCut(entry.title, sizeof entry.title, "[");
        }
        if (strlen(entry.title) + 2 + strlen(fileName) < kSlotSize) {
            AppendCut(entry.title, sizeof entry.title, fileName);
            AppendCut(entry.title, sizeof entry.title, "]");
        }
        CompleteRelativeLink(entry.link);

        bool present;
        const int day = DateOf("pubDate", kValueBytes, itemStart, itemLimit, false, false, present);
        entry.day = day == -1 ? target_.today : day;
        Complete();
    }

    void ReadEntries() {
        int position = 0;
        for (;;) {
            if (FindOpenTagInDocument("entry", position, doc_) != kFound) return;
            const int entryStart = position;
            int entryLimit = entryStart;
            if (FindCloseTagInDocument("entry", entryLimit, doc_) != kFound) return;
            if (ReadEntry(entryStart, entryLimit)) {
                if (!Complete()) return;
                position = entryLimit;
            }
        }
    }

    // Fills the current slot from one Atom entry; false when the entry has no title or no link.
    bool ReadEntry(int entryStart, int entryLimit) {
        int titleStart, titleLast;
        if (!FindElement("title", entryStart, entryLimit, titleStart, titleLast)) return false;
        ArticleEntry& entry = Current();
        CopyCut(entry.site, sizeof entry.site, site_);
        TakeContent(titleStart, titleLast, kValueBytes, entry.title);
        CleanText(entry.title);

        // The first link whose rel is "alternate", else the last link. " rel" and "href" are
        // searched up to the end of the entry, not only inside the tag.
        int cursor = entryStart;
        if (FindText("<link", cursor, entryLimit, doc_) != kFound) return false;
        char rel[kSlotSize] = "";
        int noted;
        for (;;) {
            noted = cursor;
            int relCursor = noted;
            if (FindText(" rel", relCursor, entryLimit, doc_) == kFound)
                TakeQuoted(relCursor, entryLimit, rel);
            if (EqualsIgnoringAsciiCase(rel, "alternate")) break;
            cursor = noted;
            if (FindText("<link", cursor, entryLimit, doc_) != kFound) break;
        }
        int hrefCursor = noted;
        if (FindText("href", hrefCursor, entryLimit, doc_) != kFound) return false;
        char href[kSlotSize];
        if (!TakeQuoted(hrefCursor, entryLimit, href)) return false;
        CopyCut(entry.site, sizeof entry.site, site_);
        CopyCut(entry.link, sizeof entry.link, href);
        CleanText(entry.link);
        CompleteRelativeLink(entry.link);

        // Atom 0.3 dates the entry with "issued"; Atom 1.0 with "published" or "updated".
        entry.day = target_.today;
        static const char* const kDateNames[] = {"issued", "published", "updated"};
        for (const char* name : kDateNames) {
            bool present;
            const int day = DateOf(name, kValueBytes, entryStart, entryLimit, true, false, present);
            if (!present) continue;
            if (day != -1) entry.day = day;
            break;
        }
        return true;
    }

    TextView doc_;
    const char* site_;
    const char* root_;
    FeedParseTarget& target_;
    TextEncoding encoding_;
    int slot_;
    int added_ = 0;
};

}  // namespace

void ParseFeedDocument(TextView document, const char* site, const char* root, FeedParseTarget& target) {
    if (!document.bytes || document.length < 0) document = TextView{"", 0};
    FeedParser parser(document, site, root, target);
    parser.Run();
}

int ParseRfc822Date(const char* text) {
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!text) return -1;
    const char* p = text;
    while (*p && !IsDigit(*p)) ++p;
    if (!*p) return -1;
    int day = 0, digits = 0;
    for (; IsDigit(*p); ++p, ++digits) {
        if (digits < 3) day = day * 10 + (*p - '0');
    }
    if (digits > 2) return -1;
    if (*p == ' ') {
        while (*p == ' ') ++p;
    }
    const char* word = p;
    while (*p && *p != ' ') ++p;
    if (p - word != 3) return -1;
    char month[4] = {word[0], word[1], word[2], '\0'};
    int monthNumber = 0;
    for (int m = 0; m < 12; ++m) {
        if (EqualsIgnoringAsciiCase(month, kMonths[m])) monthNumber = m + 1;
    }
    if (monthNumber == 0) return -1;
    while (*p && !IsDigit(*p)) ++p;
    int year = 0;
    digits = 0;
    for (; IsDigit(*p); ++p, ++digits) {
        if (digits < 5) year = year * 10 + (*p - '0');
    }
    if (digits != 4 || year < 1992 || year > 2500) return -1;
    return DayNumber(year, monthNumber, day);
}

int ParseIsoDate(const char* text) {
    if (!text) return -1;
    int year = 0;
    int i = 0;
    for (; i < 4 && IsDigit(text[i]); ++i) year = year * 10 + (text[i] - '0');
    if (year < 1992 || year > 2500) return -1;  // also covers a text shorter than 4 bytes
    const char* p = text + 4;
    // A run of one or two digits after the next digit at or after p; -1 when there is none.
    auto nextNumber = [](const char*& at) {
        while (*at && !IsDigit(*at)) ++at;
        if (!*at) return -1;
        int value = 0, digits = 0;
        for (; IsDigit(*at); ++at, ++digits) {
            if (digits < 3) value = value * 10 + (*at - '0');
        }
        return digits > 2 ? -1 : value;
    };
    const int month = nextNumber(p);
    if (month < 1 || month > 12) return -1;
    const int day = nextNumber(p);
    if (day < 1 || day > 31) return -1;
    return DayNumber(year, month, day);
}

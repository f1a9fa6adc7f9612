#include "feed/parser.h"

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "feed/char_refs.h"
#include "feed/cp932_table.h"
#include "feed/day_number.h"
#include "feed/decode.h"
#include "feed/encoding.h"
#include "feed/link_reading.h"
#include "feed/scan.h"

// The document is never turned into a tree: every value is found by forward searches over the raw
// bytes from a remembered position, bounded by the enclosing item or entry, then cut, converted to
// Shift_JIS and cleaned straight into its slot. A document in a code page other than UTF-8,
// Shift_JIS and EUC-JP is first read as UTF-8, once; nothing else is allocated.

namespace {

const char kUntitled[] = "無題";

constexpr size_t kValueBytes = kSlotSize - 1;   // 255: the longest value taken from a document
constexpr size_t kDcDateBytes = kSlotSize - 2;  // 254 for "dc:date"
constexpr size_t kTextBytes = 1023;             // a description read for a title, before cleaning
constexpr size_t kNameSize = 48;                // an element name with its namespace prefix

const char kAtomNamespace[] = "http://www.w3.org/2005/Atom";
const char kAtom03Namespace[] = "http://purl.org/atom/ns#";
const char kRss10Namespace[] = "http://purl.org/rss/1.0/";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameByte(char c) { return c != '\0' && !IsSpace(c) && c != '/' && c != '>' && c != '='; }

// Element names as a document writes them: bare, or with the prefix it binds to their namespace.
struct RssNames {
    char item[kNameSize], title[kNameSize], link[kNameSize], description[kNameSize], guid[kNameSize];
};
struct AtomNames {
    char entry[kNameSize], title[kNameSize], link[kNameSize], summary[kNameSize], content[kNameSize];
    char dates[5][kNameSize];  // Atom 0.3 "issued", "modified", "created"; Atom 1.0 "published", "updated"
};

void Compose(char* name, const char* prefix, const char* local) {
    name[0] = '\0';
    if (prefix[0]) {
        AppendCut(name, kNameSize, prefix);
        AppendCut(name, kNameSize, ":");
    }
    AppendCut(name, kNameSize, local);
}

void NameRss(RssNames& n, const char* prefix) {
    Compose(n.item, prefix, "item");
    Compose(n.title, prefix, "title");
    Compose(n.link, prefix, "link");
    Compose(n.description, prefix, "description");
    Compose(n.guid, prefix, "guid");
}

void NameAtom(AtomNames& n, const char* prefix) {
    Compose(n.entry, prefix, "entry");
    Compose(n.title, prefix, "title");
    Compose(n.link, prefix, "link");
    Compose(n.summary, prefix, "summary");
    Compose(n.content, prefix, "content");
    static const char* const kDateNames[5] = {"issued", "published", "updated", "modified", "created"};
    for (int i = 0; i < 5; ++i) Compose(n.dates[i], prefix, kDateNames[i]);
}

class FeedParser {
  public:
    FeedParser(TextView document, const char* site, const char* root, FeedParseTarget& target)
        : doc_(document),
          site_(site ? site : ""),
          root_(root ? root : ""),
          target_(target),
          encoding_(TextEncoding::Utf8),
          slot_(target.articles.count < 0 ? 0 : target.articles.count) {}

    void Run() {
        if (slot_ >= kArticleCapacity || target_.maximum < 1) {
            Finish();
            return;
        }
        ChooseEncoding();
        FindDocumentBase();
        char prefix[kNameSize];
        RssNames rss;
        NameRss(rss, "");
        ReadItems(rss);
        if (added_ == 0 && NamespacePrefix(kRss10Namespace, prefix)) {
            NameRss(rss, prefix);
            ReadItems(rss);
        }
        AtomNames atom;
        if (added_ == 0) {
            NameAtom(atom, "");
            ReadEntries(atom);
        }
        if (added_ == 0 &&
            (NamespacePrefix(kAtomNamespace, prefix) || NamespacePrefix(kAtom03Namespace, prefix))) {
            NameAtom(atom, prefix);
            ReadEntries(atom);
        }
        Finish();
    }

  private:
    // The declared encoding; a code page other than the three read directly is read as UTF-8 first.
    // Without a declaration, bytes that are not UTF-8 (but for a few) are Shift_JIS when they can
    // be, else windows-1252.
    void ChooseEncoding() {
        encoding_ = DeclaredEncoding(doc_);
        if (encoding_ != TextEncoding::Utf8) return;
        const size_t length = static_cast<size_t>(doc_.length);
        char name[32];
        if (DeclaredEncodingName(doc_, name, sizeof name)) {
            const unsigned codePage = CodePageOfEncodingName(name);
            // A document written in UTF-8 under another label: UTF-8 sequences seldom arise by chance.
            const bool read =
                codePage == kCodePageWindows1252 ||
                (codePage != 0 && codePage != kCodePageUtf8 && codePage != 20127 && target_.codePages);
            if (read && codePage != kCodePageShiftJis && codePage != kCodePageEucJp &&
                IsWellFormedUtf8(doc_.bytes, length))
                return;
            if (codePage == kCodePageShiftJis) {
                encoding_ = TextEncoding::ShiftJis;
            } else if (codePage == kCodePageEucJp) {
                encoding_ = TextEncoding::EucJp;
            } else if (codePage == kCodePageWindows1252) {
                Windows1252ToUtf8(doc_.bytes, length, converted_);
                UseConverted();
            } else if (codePage != 0 && codePage != kCodePageUtf8 && codePage != 20127 && target_.codePages &&
                       target_.codePages->ToUtf8(codePage, doc_.bytes, length, converted_)) {
                UseConverted();
            }
            return;
        }
        // A UTF-8 document with a stray byte or two stays UTF-8.
        const Utf8Shape shape = ShapeOfUtf8(doc_.bytes, length);
        if (shape.malformed == 0 || shape.characters >= 4 * shape.malformed) return;
        if (IsWellFormedShiftJis(doc_.bytes, length)) {
            encoding_ = TextEncoding::ShiftJis;
            return;
        }
        Windows1252ToUtf8(doc_.bytes, length, converted_);
        UseConverted();
    }

    void UseConverted() {
        // A zero byte the conversion made would end the text early, as in any document.
        doc_ = TextView{converted_.c_str(), static_cast<int>(strlen(converted_.c_str()))};
    }

    // The prefix a document's root element binds to `uri` ("a10" for
    // xmlns:a10="http://www.w3.org/2005/Atom"); false when it binds none.
    bool NamespacePrefix(const char* uri, char* prefix) const {
        int cursor = 0;
        while (FindText(uri, cursor, rootTagEnd_ + 3, doc_) == kFound) {
            const int uriStart = cursor - static_cast<int>(strlen(uri));
            int p = uriStart - 1;  // the quote
            if (p < 1 || (doc_.bytes[p] != '"' && doc_.bytes[p] != '\'')) continue;
            --p;
            while (p > 0 && IsSpace(doc_.bytes[p])) --p;
            if (doc_.bytes[p] != '=') continue;
            --p;
            while (p > 0 && IsSpace(doc_.bytes[p])) --p;
            const int nameEnd = p + 1;
            while (p > 0 && IsNameByte(doc_.bytes[p - 1]) && doc_.bytes[p - 1] != ':') --p;
            if (p < 6 || !StartsWithIgnoringAsciiCase(doc_.bytes + p - 6, "xmlns:")) continue;
            const int length = nameEnd - p;
            if (length <= 0 || length >= 16) continue;
            memcpy(prefix, doc_.bytes + p, static_cast<size_t>(length));
            prefix[length] = '\0';
            return true;
        }
        return false;
    }

    // --- Tags and attributes -------------------------------------------------------------------

    // The ">" that ends the tag whose "<" is at `tagStart`, outside quoted values; -1 when none
    // comes before `limit`.
    int TagEnd(int tagStart, int limit) const {
        char quote = 0;
        for (int p = tagStart + 1; p < limit; ++p) {
            const char c = doc_.bytes[p];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                return p;
            }
        }
        return -1;
    }

    // The "<" of the tag that ends just before `afterTag`.
    int TagStartBefore(int afterTag) const {
        int p = afterTag - 1;
        while (p > 0 && doc_.bytes[p] != '<') --p;
        return p;
    }

    // The value of the attribute `name` (matched whole, in any case) of the tag from `tagStart` to
    // `tagEnd` (its ">"), in either quote or none: [valueStart, valueEnd). False when it has none.
    bool Attribute(int tagStart, int tagEnd, const char* name, int& valueStart, int& valueEnd) const {
        const char* b = doc_.bytes;
        const int nameLength = static_cast<int>(strlen(name));
        int p = tagStart + 1;
        while (p < tagEnd && IsNameByte(b[p])) ++p;  // the element name
        while (p < tagEnd) {
            while (p < tagEnd && (IsSpace(b[p]) || b[p] == '/')) ++p;
            const int start = p;
            while (p < tagEnd && IsNameByte(b[p])) ++p;
            const int end = p;
            if (end == start) {
                ++p;
                continue;
            }
            while (p < tagEnd && IsSpace(b[p])) ++p;
            int vs = end, ve = end;
            if (p < tagEnd && b[p] == '=') {
                ++p;
                while (p < tagEnd && IsSpace(b[p])) ++p;
                if (p < tagEnd && (b[p] == '"' || b[p] == '\'')) {
                    const char quote = b[p];
                    vs = ++p;
                    while (p < tagEnd && b[p] != quote) ++p;
                    ve = p;
                    if (p < tagEnd) ++p;
                } else {
                    vs = p;
                    while (p < tagEnd && !IsSpace(b[p])) ++p;
                    ve = p;
                }
            }
            if (end - start == nameLength && StartsWithIgnoringAsciiCase(b + start, name)) {
                valueStart = vs;
                valueEnd = ve;
                return true;
            }
        }
        return false;
    }

    bool AttributeEquals(int tagStart, int tagEnd, const char* name, const char* value) const {
        int vs, ve;
        if (!Attribute(tagStart, tagEnd, name, vs, ve)) return false;
        const int length = static_cast<int>(strlen(value));
        return ve - vs == length && StartsWithIgnoringAsciiCase(doc_.bytes + vs, value);
    }

    // The element name of the tag at `tagStart` equals `name`, whatever its case.
    bool TagNamed(int tagStart, int tagEnd, const char* name) const {
        int p = tagStart + 1;
        while (p < tagEnd && IsNameByte(doc_.bytes[p])) ++p;
        const int length = p - tagStart - 1;
        return length == static_cast<int>(strlen(name)) &&
               StartsWithIgnoringAsciiCase(doc_.bytes + tagStart + 1, name);
    }

    // The link element that belongs to the element whose content runs from `from` to before
    // `limit` itself, not to an element nested in it (a source, an author, a shared post): the first whose
    // rel is "alternate" or missing, else the last. Gives its tag's bounds; false when there is none.
    bool OwnLink(const char* name, int from, int limit, int& tagStart, int& tagEnd) const {
        const char* b = doc_.bytes;
        bool found = false;
        int p = from;
        while (p < limit) {
            const char* lt = static_cast<const char*>(memchr(b + p, '<', static_cast<size_t>(limit - p)));
            if (!lt) break;
            const int start = static_cast<int>(lt - b);
            const char next = b[start + 1];
            if (next == '!' || next == '?' || next == '/') {
                p = SkipMarkup(start, limit);
                continue;
            }
            const int end = TagEnd(start, limit);
            if (end < 0) break;
            if (TagNamed(start, end, name)) {
                int vs, ve;
                const bool alternate =
                    !Attribute(start, end, "rel", vs, ve) || AttributeEquals(start, end, "rel", "alternate");
                if (Attribute(start, end, "href", vs, ve)) {
                    tagStart = start;
                    tagEnd = end;
                    found = true;
                    if (alternate) return true;
                }
            }
            p = end + 1;
            if (b[end - 1] != '/') p = AfterElement(start, end, limit);
        }
        return found;
    }

    // Past a comment, a CDATA section, a processing instruction or an end tag that begins at `at`.
    int SkipMarkup(int at, int limit) const {
        int cursor = at;
        const char* closer = ">";
        if (StartsWithIgnoringAsciiCase(doc_.bytes + at, "<!--")) {
            closer = "-->";
        } else if (StartsWithIgnoringAsciiCase(doc_.bytes + at, "<![CDATA[")) {
            closer = "]]>";
        }
        if (FindText(closer, cursor, limit + 2, doc_) != kFound) return limit;
        return cursor;
    }

    // Past the end tag of the element whose start tag runs from `tagStart` to `tagEnd`; just after
    // the start tag when its end tag is missing.
    int AfterElement(int tagStart, int tagEnd, int limit) const {
        char name[kNameSize];
        int length = 0;
        for (int p = tagStart + 1; p < tagEnd && IsNameByte(doc_.bytes[p]) && length + 1 < kMaxTagNameLength;
             ++p)
            name[length++] = doc_.bytes[p];
        name[length] = '\0';
        int cursor = tagEnd + 1;
        if (length == 0 || FindCloseTag(name, cursor, limit, doc_) != kFound) return tagEnd + 1;
        const char* gt = static_cast<const char*>(
            memchr(doc_.bytes + cursor + 1, '>', static_cast<size_t>(limit - cursor)));
        return gt ? static_cast<int>(gt - doc_.bytes) + 1 : limit;
    }

    // --- Values ----------------------------------------------------------------------------------

    // Copies the `count` bytes at `from`, cut to `max` bytes without splitting a character, into
    // `dest` (kSlotSize bytes) as Shift_JIS.
    void TakeBytes(int from, int count, size_t max, char* dest) const {
        TakeAsShiftJis(doc_.bytes + from, count, max, encoding_, dest);
    }

    // Element content: from `start` (just after the start tag) to `last` (the byte before the end tag).
    void TakeContent(int start, int last, size_t max, char* dest) const {
        TakeBytes(start, last - start + 1, max, dest);
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

    // A title made of the start of an element's text (a description, a summary): cleaned, then cut
    // to the slot. False when the element is missing or holds no text.
    bool TextAsTitle(const char* name, int from, int limit, char* title) const {
        int start, last;
        if (!FindElement(name, from, limit, start, last)) return false;
        char text[kTextBytes + 1];
        const int count = last - start + 1;
        TakeAsShiftJis(doc_.bytes + start, count, kTextBytes, encoding_, text, sizeof text);
        if (static_cast<size_t>(count) > kTextBytes) DropCutMarkup(text);
        CleanText(text);
        size_t length = strlen(text);
        while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
        if (length == 0) return false;
        CopyCut(title, kSlotSize, text[0] == ' ' ? text + 1 : text);
        return true;
    }

    // A tag, an escaped tag or a reference cut in half at the end of a text goes.
    static void DropCutMarkup(char* text) {
        struct Opening {
            const char* open;
            const char* close;
        };
        static const Opening kOpenings[] = {{"<", ">"}, {"&lt;", "&gt;"}, {"&", ";"}};
        for (const Opening& o : kOpenings) {
            char* last = nullptr;
            for (char* p = strstr(text, o.open); p; p = strstr(p + 1, o.open)) last = p;
            if (last && !strstr(last, o.close)) *last = '\0';
        }
    }

    static void TrimSpaces(char* text) {
        size_t length = strlen(text);
        while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
        size_t lead = 0;
        while (text[lead] == ' ') ++lead;
        if (lead > 0) memmove(text, text + lead, length - lead + 1);
    }

    // A link from the bytes [start, end): references decoded, converted, resolved against `base`,
    // then stored; a link too long for its slot becomes the site's address.
    void TakeLink(int start, int end, const char* base, char* dest) const {
        char link[kLinkWorkSize];
        char resolved[kLinkWorkSize];
        const bool fits = ReadLink(doc_.bytes + start, end - start, encoding_, link, sizeof link);
        // Without the feed's address only a link from the site root can be completed.
        if (base[0] == '\0' && link[0] == '/' && link[1] != '/') base = root_;
        if (fits && ResolveLink(base, link, resolved, sizeof resolved) && strlen(resolved) <= kValueBytes) {
            CopyCut(dest, kSlotSize, resolved);
            return;
        }
        CopyCut(dest, kSlotSize, root_);
        AppendCut(dest, kSlotSize, "/");
    }

    // The base of the element whose start tag ends just before `afterTag`: its xml:base resolved
    // against `outer`, else `outer`.
    void BaseOf(int tagStart, int tagEnd, const char* outer, char* base) const {
        int vs, ve;
        CopyCut(base, kLinkWorkSize, outer);
        if (tagEnd < 0 || !Attribute(tagStart, tagEnd, "xml:base", vs, ve)) return;
        char value[kLinkWorkSize];
        if (!ReadLink(doc_.bytes + vs, ve - vs, encoding_, value, sizeof value) || value[0] == '\0') return;
        char resolved[kLinkWorkSize];
        if (ResolveLink(outer, value, resolved, sizeof resolved)) CopyCut(base, kLinkWorkSize, resolved);
    }

    // The feed's address, with the xml:base of the document's root element and of its channel.
    void FindDocumentBase() {
        CopyCut(docBase_, sizeof docBase_, target_.address ? target_.address : "");
        const char* b = doc_.bytes;
        for (int p = 0; p < doc_.length; ++p) {
            if (b[p] != '<' || b[p + 1] == '?' || b[p + 1] == '!') continue;
            const int end = TagEnd(p, doc_.length);
            if (end < 0) return;
            rootTagEnd_ = end;
            char base[kLinkWorkSize];
            BaseOf(p, end, docBase_, base);
            CopyCut(docBase_, sizeof docBase_, base);
            break;
        }
        int cursor = 0;
        if (FindOpenTagInDocument("channel", cursor, doc_) == kFound) {
            char base[kLinkWorkSize];
            const int start = TagStartBefore(cursor);
            BaseOf(start, cursor - 1, docBase_, base);
            CopyCut(docBase_, sizeof docBase_, base);
        }
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

    // Counts the article in the current slot; false when parsing must stop.
    bool Complete() {
        ++slot_;
        ++added_;
        ++target_.foundCount;
        return slot_ < kArticleCapacity && added_ != target_.maximum;
    }

    void Finish() { target_.articles.count = slot_; }

    ArticleEntry& Current() { return target_.articles.slot[slot_]; }

    // --- RSS -------------------------------------------------------------------------------------

    void ReadItems(const RssNames& names) {
        int position = 0;
        for (;;) {
            // Keeps the ticker painting while a long document is read.
            if (target_.pump) target_.pump->DispatchOne();
            if (FindOpenTagInDocument(names.item, position, doc_) != kFound) return;
            const int itemStart = position;
            int itemLimit = itemStart;
            if (FindCloseTagInDocument(names.item, itemLimit, doc_) != kFound) return;

            ArticleEntry* entry = &Current();
            CopyCut(entry->site, sizeof entry->site, site_);
            int titleStart, titleLast;
            if (FindElement(names.title, itemStart, itemLimit, titleStart, titleLast)) {
                TakeContent(titleStart, titleLast, kValueBytes, entry->title);
                CleanText(entry->title);
                if (entry->title[0] == '\0') CopyCut(entry->title, sizeof entry->title, kUntitled);
            } else if (!TextAsTitle(names.description, itemStart, itemLimit, entry->title)) {
                // Microblog items carry a link and no title: they are shown untitled.
                CopyCut(entry->title, sizeof entry->title, kUntitled);
            }

            char base[kLinkWorkSize];
            BaseOf(TagStartBefore(itemStart), itemStart - 1, docBase_, base);
            const bool hasLink = ItemLink(names, itemStart, itemLimit, base, entry->link);
            if (hasLink) {
                entry->day = ItemDay(itemStart, itemLimit);
                if (!Complete()) return;
            }
            ReadEnclosure(itemStart, itemLimit, hasLink, base);
            if (slot_ >= kArticleCapacity || added_ == target_.maximum) return;
            position = itemLimit;
        }
    }

    // The item's link element, else its own Atom link, else its guid when that is a permalink
    // address.
    bool ItemLink(const RssNames& names, int itemStart, int itemLimit, const char* base, char* link) {
        int start, last;
        if (FindElement(names.link, itemStart, itemLimit, start, last)) {
            TakeLink(start, last + 1, base, link);
            return true;
        }
        int tagStart, tagEnd, vs, ve;
        // The prefix of Atom's namespace is looked for once, by the first item that needs it.
        if (!atomLinkKnown_) {
            char prefix[kNameSize];
            if (NamespacePrefix(kAtomNamespace, prefix)) Compose(atomLink_, prefix, "link");
            atomLinkKnown_ = true;
        }
        if (atomLink_[0] && OwnLink(atomLink_, itemStart, itemLimit + 1, tagStart, tagEnd) &&
            Attribute(tagStart, tagEnd, "href", vs, ve)) {
            TakeLink(vs, ve, base, link);
            return true;
        }
        if (!FindElement(names.guid, itemStart, itemLimit, start, last)) return false;
        const int tagLimit = start - 1;
        if (AttributeEquals(TagStartBefore(start), tagLimit, "isPermaLink", "false")) return false;
        int p = start;
        while (p <= last && IsSpace(doc_.bytes[p])) ++p;
        // An address of another scheme ("urn:", "tag:") opens nothing.
        int q = p;
        while (q <= last && (IsLetter(doc_.bytes[q]) || IsDigit(doc_.bytes[q]) || doc_.bytes[q] == '+' ||
                             doc_.bytes[q] == '-' || doc_.bytes[q] == '.'))
            ++q;
        if (q > p && q <= last && doc_.bytes[q] == ':' &&
            !StartsWithIgnoringAsciiCase(doc_.bytes + p, "http:") &&
            !StartsWithIgnoringAsciiCase(doc_.bytes + p, "https:"))
            return false;
        TakeLink(start, last + 1, base, link);
        return true;
    }

    int ItemDay(int itemStart, int itemLimit) const {
        bool present;
        int day = DateOf("dc:date", kDcDateBytes, itemStart, itemLimit, true, true, present);
        if (!present) day = DateOf("pubDate", kValueBytes, itemStart, itemLimit, false, true, present);
        return day == -1 ? target_.today : day;
    }

    // An enclosure becomes an article of its own, titled with its file name in square brackets.
    void ReadEnclosure(int itemStart, int itemLimit, bool itemHadLink, const char* base) {
        int cursor = itemStart;
        if (FindText("<enclosure", cursor, itemLimit, doc_) != kFound) return;
        const int tagStart = cursor - 10;
        const int tagEnd = TagEnd(tagStart, itemLimit + 1);
        int vs, ve;
        if (tagEnd < 0 || !Attribute(tagStart, tagEnd, "url", vs, ve)) return;

        ArticleEntry& entry = Current();
        CopyCut(entry.site, sizeof entry.site, site_);
        // The file name is shown as text; the link is read as a link.
        char url[kSlotSize];
        TakeBytes(vs, ve - vs, kValueBytes, url);
        TrimSpaces(url);

        // The file name follows the last "/" at index 8 or later (after "http://x").
        const size_t linkLength = strlen(url);
        const char* fileName = url + (linkLength < 8 ? linkLength : 8);
        for (size_t k = linkLength; k > 8; --k) {
            if (url[k - 1] == '/') {
                fileName = url + k;
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
        TakeLink(vs, ve, base, entry.link);

        bool present;
        const int day = DateOf("pubDate", kValueBytes, itemStart, itemLimit, false, false, present);
        entry.day = day == -1 ? target_.today : day;
        Complete();
    }

    // --- Atom ------------------------------------------------------------------------------------

    void ReadEntries(const AtomNames& names) {
        int position = 0;
        for (;;) {
            if (FindOpenTagInDocument(names.entry, position, doc_) != kFound) return;
            const int entryStart = position;
            int entryLimit = entryStart;
            if (FindCloseTagInDocument(names.entry, entryLimit, doc_) != kFound) return;
            if (ReadEntry(names, entryStart, entryLimit)) {
                if (!Complete()) return;
                position = entryLimit;
            }
        }
    }

    // Fills the current slot from one Atom entry; false when the entry has no link, or no title
    // and no text to title it by.
    bool ReadEntry(const AtomNames& names, int entryStart, int entryLimit) {
        ArticleEntry& entry = Current();
        int titleStart, titleLast;
        if (FindElement(names.title, entryStart, entryLimit, titleStart, titleLast)) {
            TakeContent(titleStart, titleLast, kValueBytes, entry.title);
            CleanText(entry.title);
        } else if (!TextAsTitle(names.summary, entryStart, entryLimit, entry.title) &&
                   !TextAsTitle(names.content, entryStart, entryLimit, entry.title)) {
            return false;
        }

        int tagStart, tagEnd, vs, ve;
        if (!OwnLink(names.link, entryStart, entryLimit + 1, tagStart, tagEnd)) return false;
        Attribute(tagStart, tagEnd, "href", vs, ve);
        char entryBase[kLinkWorkSize], linkBase[kLinkWorkSize];
        BaseOf(TagStartBefore(entryStart), entryStart - 1, docBase_, entryBase);
        BaseOf(tagStart, tagEnd, entryBase, linkBase);
        CopyCut(entry.site, sizeof entry.site, site_);
        TakeLink(vs, ve, linkBase, entry.link);

        // The first date element present dates the entry.
        entry.day = target_.today;
        for (const char* name : names.dates) {
            bool present;
            const int day = DateOf(name, kValueBytes, entryStart, entryLimit, true, false, present);
            if (!present) continue;
            if (day != -1) entry.day = day;
            break;
        }
        return true;
    }

    TextView doc_;
    std::string converted_;  // the document read as UTF-8, when it came in another code page
    const char* site_;
    const char* root_;
    FeedParseTarget& target_;
    TextEncoding encoding_;
    char docBase_[kLinkWorkSize];
    char atomLink_[kNameSize] = "";  // the Atom link element's name in this document, when it binds a prefix
    bool atomLinkKnown_ = false;
    int rootTagEnd_ = 0;  // the ">" of the root element's start tag
    int slot_;
    int added_ = 0;
};

// A month name, or its first three letters (also "Sept"); 0 when the word names no month.
int MonthOf(const char* word, size_t length) {
    static const char* const kMonths[12] = {"january",   "february", "march",    "april",
                                            "may",       "june",     "july",     "august",
                                            "september", "october",  "november", "december"};
    if (length < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        const size_t full = strlen(kMonths[m]);
        if (length != 3 && length != full && !(m == 8 && length == 4)) continue;
        if (length > full) continue;
        size_t i = 0;
        while (i < length && AsciiLower(static_cast<unsigned char>(word[i])) == kMonths[m][i]) ++i;
        if (i == length) return m + 1;
    }
    return 0;
}

}  // namespace

void ParseFeedDocument(TextView document, const char* site, const char* root, FeedParseTarget& target) {
    if (!document.bytes || document.length < 0) document = TextView{"", 0};
    FeedParser parser(document, site, root, target);
    parser.Run();
}

// The day, the month word and the year in either order ("29 Jan 2021", "Jan 29, 2021"); words that
// name no month (weekdays, zones) and times are passed over. A two-digit year is 2000 to 2069 or
// 1970 to 1999.
int ParseRfc822Date(const char* text) {
    if (!text) return -1;
    int day = -1, month = 0, year = -1;
    const char* p = text;
    while (*p && (day == -1 || month == 0 || year == -1)) {
        if (IsLetter(*p)) {
            const char* word = p;
            while (IsLetter(*p)) ++p;
            if (month == 0) month = MonthOf(word, static_cast<size_t>(p - word));
            continue;
        }
        if (!IsDigit(*p)) {
            ++p;
            continue;
        }
        int value = 0, digits = 0;
        for (; IsDigit(*p); ++p, ++digits) {
            if (digits < 5) value = value * 10 + (*p - '0');
        }
        if (*p == ':') {  // a time
            while (IsDigit(*p) || *p == ':') ++p;
            continue;
        }
        if (digits == 4) {
            if (year != -1) return -1;
            year = value;
        } else if (digits <= 2 && day == -1 && (month == 0 || year == -1)) {
            day = value;
        } else if (digits <= 2 && year == -1 && month != 0) {
            year = value < 70 ? 2000 + value : 1900 + value;
        } else {
            return -1;
        }
    }
    if (day == -1 || month == 0 || year < 1992 || year > 2500) return -1;
    return DayNumber(year, month, day);
}

int ParseIsoDate(const char* text) {
    if (!text) return -1;
    while (IsSpace(*text)) ++text;
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

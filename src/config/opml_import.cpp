#include "config/opml_import.h"

#include <cstring>

#include "feed/decode.h"
#include "feed/scan.h"

OpmlWalk::OpmlWalk(TextView document) {
    int length = document.length < 0 ? 0 : document.length;
    if (length > kOpmlTextLimit) length = kOpmlTextLimit;
    copy_.assign(document.bytes, static_cast<size_t>(length));
    copy_.resize(strlen(copy_.c_str()));  // the text ends at its first zero byte
    text_ = TextView{copy_.c_str(), static_cast<int>(copy_.size())};
    encoding_ = DeclaredEncoding(text_);
    for (int at = 0; FindTextInDocument("<outline", at, text_) == kFound;) ++outlineTotal_;
}

// The value after an attribute name ending at `from`: the bytes between the next double quote and
// the one after it, both before the tag's end, at most 255 bytes, as Shift_JIS.
bool OpmlWalk::TakeQuotedValue(int from, int tagEnd, char* dest) const {
    const char* open =
        static_cast<const char*>(memchr(text_.bytes + from, '"', static_cast<size_t>(tagEnd - from)));
    if (!open) return false;
    int valueStart = static_cast<int>(open - text_.bytes) + 1;
    const char* close = static_cast<const char*>(
        memchr(text_.bytes + valueStart, '"', static_cast<size_t>(tagEnd - valueStart)));
    if (!close) return false;
    TakeAsShiftJis(text_.bytes + valueStart, static_cast<int>(close - open) - 1, kSlotSize - 1, encoding_,
                   dest);
    return true;
}

OpmlWalk::Step OpmlWalk::Next(const FeedTable& feeds) {
    if (FindTextInDocument("<outline", cursor_, text_) != kFound) return Step::Finished;
    const int outlineStart = cursor_;
    int at = outlineStart;
    if (FindTextInDocument(">", at, text_) != kFound) return Step::Finished;
    const int tagEnd = at;  // just after the ">"

    // The site name: "text", searched on through the rest of the document; "title" only when no
    // "text" follows at all. A match outside this tag leaves the outline.
    int nameEnd = outlineStart;
    int nameLength = 4;
    if (FindTextInDocument("text", nameEnd, text_) != kFound) {
        nameEnd = outlineStart;
        nameLength = 5;
        if (FindTextInDocument("title", nameEnd, text_) != kFound) return Step::Skipped;
    }
    if (nameEnd - nameLength >= tagEnd || !TakeQuotedValue(nameEnd, tagEnd, site_)) return Step::Skipped;

    int urlEnd = outlineStart;
    if (FindTextInDocument("xmlUrl", urlEnd, text_) != kFound || urlEnd - 6 >= tagEnd ||
        !TakeQuotedValue(urlEnd, tagEnd, url_)) {
        return Step::Skipped;
    }
    cursor_ = urlEnd;
    CleanText(site_);
    CleanText(url_);
    for (int i = 0; i < feeds.count && i < kFeedSlots; ++i) {
        if (strcmp(feeds.url[i], url_) == 0) return Step::AlreadyRegistered;
    }
    return Step::NewFeed;
}

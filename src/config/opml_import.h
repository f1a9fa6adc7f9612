#pragma once
// The walk over an OPML document that the import takes one outline per tick: each outline's site
// name (its "text", else its "title") and feed address ("xmlUrl"), as Shift_JIS, checked against the
// registered feeds. No fetching here: the caller adds the feed and learns its item count.
#include <string>

#include "config/feed_list.h"
#include "feed/encoding.h"
#include "feed/text.h"

// The document is copied up to this size, so the fetch buffer is free for the feeds' fetches.
constexpr int kOpmlTextLimit = 1023999;

class OpmlWalk {
  public:
    // Copies the document (cut at kOpmlTextLimit bytes, at its first zero byte), counts its
    // "<outline" occurrences and reads its declared encoding.
    explicit OpmlWalk(TextView document);

    enum class Step {
        Finished,           // no further outline (or one whose start tag never ends)
        Skipped,            // an outline without a usable site name or address (a folder)
        AlreadyRegistered,  // its address is one of the table's: nothing to add
        NewFeed,            // site and url hold a feed to add
    };
    // Takes the next outline. For every outline that was read, site() and url() hold its values.
    Step Next(const FeedTable& feeds);

    int outlineTotal() const { return outlineTotal_; }
    TextEncoding encoding() const { return encoding_; }
    const char* site() const { return site_; }
    const char* url() const { return url_; }

  private:
    bool TakeQuotedValue(int from, int tagEnd, char* dest) const;

    std::string copy_;
    TextView text_;
    TextEncoding encoding_;
    int outlineTotal_ = 0;
    int cursor_ = 0;
    char site_[kSlotSize] = {};
    char url_[kSlotSize] = {};
};

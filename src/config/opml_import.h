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

// How the import's progress bar moves on one outline: a step, or back to 0 when the outlines done
// would pass the total (the count starts again).
enum class ProgressMove { None, Step, Restart };

// The import's walk with its progress and abort flag, taken one outline per tick. Fetching is left
// to the caller: a new feed is appended with a maximum of 0.
class OpmlImport {
  public:
    explicit OpmlImport(TextView document) : walk_(document) {}

    enum class Outcome {
        Full,               // the table already holds 100 feeds: the import ends with the 100-site message
        Finished,           // aborted, or no further outline
        Skipped,            // an outline without a usable site name or address
        AlreadyRegistered,  // site() and url() hold an outline whose address is registered
        Added,              // the outline's feed was appended to the table at `added`
    };
    struct Step {
        Outcome outcome = Outcome::Finished;
        ProgressMove progress = ProgressMove::None;
        int added = -1;
    };
    Step Take(FeedTable& feeds);
    void Abort() { aborted_ = true; }

    int outlineTotal() const { return walk_.outlineTotal(); }
    int outlinesDone() const { return done_; }
    bool aborted() const { return aborted_; }
    const char* site() const { return walk_.site(); }
    const char* url() const { return walk_.url(); }

  private:
    OpmlWalk walk_;
    int done_ = 0;
    bool aborted_ = false;
};

// The 100-site message that ends an import (title "件数超過").
extern const char kImportFullMessage[];  // "登録サイト数が100件になりました。"

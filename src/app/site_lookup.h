#pragma once
// One lookup of the settings dialog, for "RSSから読み込む" or an address dropped onto it, moved on
// by the dialog's timer so that nothing waits: the address is read (typed without a scheme: https,
// then http), a web page leads to its feed (one link: taken; several: the dialog lets the user
// choose; none: the site's usual feed addresses), and the feed's title and item count fill the
// fields. A failure fills nothing and says in a message what went wrong.
#include <string>
#include <vector>

#include "config/feed_lookup.h"
#include "feed/text.h"

struct App;

enum class LookupOutcome {
    NotTried,  // nothing to look up (the preset alone, an empty field), or the choice was cancelled
    Working,   // a request is in flight: Tick again
    Choose,    // the page names several feeds: links() to choose from, then Choose
    Failed,    // the message has been shown; the fields stay as they are
    Found,     // url, site and count are the feed's; a feed with items is kept as its cache copy
    Opml,      // a dropped address gave an OPML list: document() is to be imported
};

extern const char kLookupTitle[];  // "RSSから読み込む"

class SiteLookup {
  public:
    explicit SiteLookup(App& app) : app_(app) {}
    ~SiteLookup() { Cancel(); }
    SiteLookup(const SiteLookup&) = delete;
    SiteLookup& operator=(const SiteLookup&) = delete;

    // The text is read as typed (AddressesToTry). `dropped`: it was dropped onto the dialog, and an
    // OPML list is an answer too.
    LookupOutcome Begin(const char* text, bool dropped);
    LookupOutcome Tick();
    // The user's choice among links(); an index out of range (ｷｬﾝｾﾙ) ends the lookup: NotTried.
    LookupOutcome Choose(int index);
    void Cancel();
    bool working() const {
        return lookup_.state() == FeedLookup::State::Working ||
               lookup_.state() == FeedLookup::State::Choosing;
    }

    const std::vector<FeedLink>& links() const { return lookup_.links(); }
    TextView document() { return lookup_.document().view(); }
    std::string url;
    char site[kSlotSize] = {};
    int count = 0;

  private:
    LookupOutcome Outcome(FeedLookup::State state);

    App& app_;
    FeedLookup lookup_;
};

// A line of the chooser: the feed's title and its address ("タイトル  <http://…>"), or the address
// alone for a feed without a title.
std::string ChooserLine(const FeedLink& link);

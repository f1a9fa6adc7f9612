#pragma once
// From an address people know (a site's, or its feed's) to a feed, without waiting: the address is
// fetched; a feed (or, for a drop, an OPML list) is the answer; a web page is read for its feed
// links (one is fetched, several are offered for a choice); a page without any has the usual feed
// addresses of its site tried in turn, stopping at the first that answers with a feed. An answer
// other than 2xx is never taken as a document: the lookup fails with a message that says what the
// server answered.
#include <cstdint>
#include <string>
#include <vector>

#include "net/document_buffer.h"
#include "net/feed_links.h"
#include "platform/platform.h"

// Where feeds are often found under a site that names none.
extern const char* const kUsualFeedPaths[7];  // "/feed", "/rss", "/index.xml", ...

// The message for a lookup whose answer was the HTTP status `status` (0: no answer at all): the
// code, and what it means for the user, in Japanese.
std::string AnswerMessage(int status);
extern const char kNoFeedMessage[];

class FeedLookup {
  public:
    enum class State {
        Idle,
        Working,   // a request is in flight: Advance again later
        Choosing,  // the page names several feeds: links() holds them, Choose or Cancel
        Found,     // url() and document() hold the feed (or the OPML list: opml())
        Failed,    // message() says why
    };

    FeedLookup() = default;
    FeedLookup(const FeedLookup&) = delete;
    FeedLookup& operator=(const FeedLookup&) = delete;

    // Starts with the addresses to try in turn (AddressesToTry); an address that gets no answer at
    // all gives way to the next. `acceptOpml`: an OPML list is an answer too. Idle for none.
    State Begin(Fetcher& fetcher, Clock& clock, const std::vector<std::string>& addresses, bool acceptOpml);
    // Takes an answer that came and starts what follows; never waits.
    State Advance(Fetcher& fetcher, Clock& clock);
    // While Choosing: fetches the feed of links()[index]. An index out of range is Cancel.
    State Choose(Fetcher& fetcher, Clock& clock, size_t index);
    // Gives the lookup up: a request in flight is cancelled; Idle.
    void Cancel(Fetcher& fetcher);

    State state() const { return state_; }
    const std::vector<FeedLink>& links() const { return links_; }
    const std::string& url() const { return url_; }
    DocumentBuffer& document() { return document_; }
    bool opml() const { return opml_; }
    // When the found document was asked for (UTC file time, whole seconds): its cache copy's date
    // when the server gave none.
    int64_t asked() const { return asked_; }
    const std::string& message() const { return message_; }

  private:
    enum class Stage { Typed, Link, Usual };
    State Start(Fetcher& fetcher, Clock& clock, const std::string& url);
    State Fail(const std::string& message);
    State OnAnswer(Fetcher& fetcher, Clock& clock, const FetchAnswer& answer);
    State TryNextUsual(Fetcher& fetcher, Clock& clock);

    State state_ = State::Idle;
    Stage stage_ = Stage::Typed;
    std::vector<std::string> addresses_;
    size_t nextAddress_ = 0;
    size_t nextUsual_ = 0;
    std::string siteRoot_;  // "scheme://host[:port]" of the page, for the usual addresses
    bool acceptOpml_ = false;
    FetchId request_ = 0;
    std::string asking_;
    std::vector<FeedLink> links_;
    std::string url_;
    DocumentBuffer document_;
    bool opml_ = false;
    int64_t asked_ = 0;
    std::string message_;
};

#pragma once
// One update cycle over the feed list, run beside the display: the feeds are asked for several at
// a time (FetchScheduler) and their answers taken as they come, but the documents are read into the
// new article table in the feed list's order, so the table is the same whatever order the answers
// come in. Each call of Step does a little: it takes the answers that came, starts the requests
// that may start and parses documents for a small time budget, so that the ticker keeps moving.
#include <cstdint>
#include <string>
#include <vector>

#include "config/feed_list.h"
#include "net/document_buffer.h"
#include "net/fetch_scheduler.h"
#include "platform/platform.h"

struct App;

enum class CycleKind {
    Network,       // every feed is asked whether it changed; its cache copy when not, or unreachable
    CacheOnly,     // after the feed list was edited: cache copies, and feeds without one fetched whole
    StartupCache,  // at start: the cache copies there are, read at once; nothing is fetched
};

// A feed that could not be fetched and had no cache copy: it became an access-error entry.
struct FeedFailure {
    std::string site;
    std::string url;
};

class UpdateCycle {
  public:
    UpdateCycle() = default;
    UpdateCycle(const UpdateCycle&) = delete;
    UpdateCycle& operator=(const UpdateCycle&) = delete;

    bool running() const { return running_; }
    CycleKind kind() const { return kind_; }

    // Begins a cycle over app.feeds (read just before) into app.incoming, which it empties.
    void Begin(App& app, CycleKind kind);
    // Takes the answers that came, starts the requests that may start and reads documents into
    // app.incoming in the list's order for at most `budgetMilliseconds` (one document at least).
    // True when the cycle has just completed: app.incoming holds its table.
    bool Step(App& app, uint64_t budgetMilliseconds);
    // Gives the cycle up: its requests are cancelled and their documents released.
    void Cancel(App& app);

    // Feeds read into the table (or passed over) out of those the cycle reads.
    int feedsDone() const { return done_; }
    int feedsToDo() const { return toDo_; }
    // The first feed whose document has not been read yet (the one the status text names), -1 when
    // none is left.
    int waitingFeed() const;
    // Feeds that became access errors in this cycle, in the list's order.
    const std::vector<FeedFailure>& failures() const { return failures_; }
    // The cycle stopped at the article table's 2000 entries.
    bool tableFull() const { return tableFull_; }

  private:
    enum class Phase {
        Passed,  // nothing to read (a maximum of 0, or already read)
        Asking,  // a request is queued or in flight
        Ready,   // an answer came, or there is nothing to ask: the document is read in its turn
    };
    struct FeedJob {
        Phase phase = Phase::Passed;
        FetchId request = 0;
        bool askedForWhole = false;  // a request without condition was made already
        bool fetched = false;        // `document` came from the network
        int64_t asked = 0;           // when the last request began (UTC file time, whole seconds)
        FetchAnswer answer;
        DocumentBuffer document;
    };

    void Ask(App& app, int feed, bool whole, bool ahead);
    void StartRequests(App& app);
    void TakeAnswers(App& app);
    void OnAnswer(App& app, int feed);
    // Reads the feed's document (or its cache copy) into the table; false when the feed must wait
    // for a second request.
    bool ReadFeed(App& app, int feed);
    void AppendErrorEntry(App& app, int feed, const char* title);
    // The host of `feed` gave no answer at all: its feeds still waiting fail at once.
    void GiveUpHost(App& app, int feed);
    bool HostGivenUp(const std::string& host) const;
    void ReleaseAll(App& app);

    bool running_ = false;
    CycleKind kind_ = CycleKind::Network;
    bool tableFull_ = false;
    int next_ = 0;  // the next feed to read, in the list's order
    int done_ = 0;
    int toDo_ = 0;
    FeedJob jobs_[kFeedSlots];
    FetchScheduler scheduler_;
    std::vector<FeedFailure> failures_;
    std::vector<std::string> hostsGivenUp_;  // hosts that gave no answer in this cycle
};

// The UTC time as a file time, in whole seconds as a request header can carry it (the date a
// fetched document's cache copy gets when the server gave none).
int64_t UtcSecondsNow(Clock& clock);

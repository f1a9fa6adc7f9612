#include "app/update_cycle.h"

#include <cstring>

#include "app/app.h"
#include "feed/parser.h"
#include "feed/site_root.h"
#include "net/cache.h"
#include "net/conditional_header.h"
#include "net/service_hosts.h"

namespace {

const char kAccessErrorTitle[] = "[Newsroller]アクセスエラー";
const char kFormatErrorTitle[] = "[Newsroller]書式エラー";

// The blog-search service answers in UTF-8 only when asked to.
void RequestUtf8FromBlogSearch(char* url) {
    size_t baseLength = strlen(kBlogSearchBase);
    if (strncmp(url, kBlogSearchBase, baseLength) != 0) return;
    size_t length = strlen(url);
    if (length >= 9 && (EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF-8") ||
                        EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF_8"))) {
        return;
    }
    if (length + 9 < kSlotSize) strcat(url, "&ie=UTF-8");
}

}  // namespace

int64_t UtcSecondsNow(Clock& clock) {
    int64_t now = 0;
    if (!FileTimeFromCivil(clock.UtcNow(), now)) return 0;
    return now - now % kFileTimeTicksPerSecond;
}

void UpdateCycle::Begin(App& app, CycleKind kind) {
    Cancel(app);
    running_ = true;
    kind_ = kind;
    tableFull_ = false;
    next_ = 0;
    done_ = 0;
    toDo_ = 0;
    failures_.clear();
    hostsGivenUp_.clear();
    app.incoming.count = 0;
    app.platform.files.CreateFolder(kCacheFolderName);
    for (int i = 0; i < app.feeds.count; ++i) {
        FeedJob& job = jobs_[i];
        job.request = 0;
        job.askedForWhole = false;
        job.fetched = false;
        job.answer = FetchAnswer{};
        job.document.Release();
        app.perFeedFound[i] = 0;
        if (app.feeds.maximum[i] <= 0) {
            job.phase = Phase::Passed;
            continue;
        }
        ++toDo_;
        RequestUtf8FromBlogSearch(app.feeds.url[i]);
        if (kind == CycleKind::Network) {
            Ask(app, i, false, false);
        } else {
            job.phase = Phase::Ready;  // its cache copy is read in its turn
        }
    }
}

void UpdateCycle::Ask(App& app, int feed, bool whole, bool ahead) {
    FeedJob& job = jobs_[feed];
    job.phase = Phase::Asking;
    job.request = 0;
    job.askedForWhole = job.askedForWhole || whole;
    std::string host = HostKeyOf(app.feeds.url[feed]);
    if (HostGivenUp(host)) {
        // Its host gave no answer in this cycle: asking again would only wait for another time-out.
        job.askedForWhole = true;
        job.answer = FetchAnswer{};
        job.fetched = false;
        job.phase = Phase::Ready;
        return;
    }
    scheduler_.Queue(feed, host, ahead);
}

bool UpdateCycle::HostGivenUp(const std::string& host) const {
    for (const std::string& given : hostsGivenUp_) {
        if (given == host) return true;
    }
    return false;
}

void UpdateCycle::GiveUpHost(App& app, int feed) {
    std::string host = HostKeyOf(app.feeds.url[feed]);
    if (host.empty() || HostGivenUp(host)) return;
    hostsGivenUp_.push_back(host);
    for (int waiting : scheduler_.TakeWaitingOn(host)) {
        FeedJob& job = jobs_[waiting];
        job.askedForWhole = true;
        job.answer = FetchAnswer{};
        job.fetched = false;
        job.phase = Phase::Ready;
    }
}

void UpdateCycle::StartRequests(App& app) {
    for (int feed = scheduler_.StartNext(); feed >= 0; feed = scheduler_.StartNext()) {
        FeedJob& job = jobs_[feed];
        const char* url = app.feeds.url[feed];
        char header[kHeaderLineSize];
        if (job.askedForWhole) {
            CopyCut(header, sizeof header, kUnconditionalHeader);
        } else {
            // Each feed is asked whether it changed since the date of its own cache copy; without a
            // copy, for the whole document.
            job.askedForWhole = !CacheConditionalHeader(url, app.platform.files, header, sizeof header);
        }
        job.asked = UtcSecondsNow(app.platform.clock);
        job.request = app.platform.fetcher.Start(url, header);
        if (job.request == 0) {
            // It could not even start: a failed fetch, taken at once.
            scheduler_.Finished(feed);
            job.answer = FetchAnswer{};
            job.document.Release();
            OnAnswer(app, feed);
        }
    }
}

void UpdateCycle::TakeAnswers(App& app) {
    for (int feed : scheduler_.Running()) {
        FeedJob& job = jobs_[feed];
        if (!app.platform.fetcher.Take(job.request, job.answer, job.document)) continue;
        job.request = 0;
        scheduler_.Finished(feed);
        // No answer at all (no connection, a time-out): the host's other feeds are not asked in
        // this cycle, so that a dead host costs one time-out, not one per feed.
        if (job.answer.result == kFetchFailed && job.answer.status == 0) {
            job.askedForWhole = true;
            GiveUpHost(app, feed);
        }
        OnAnswer(app, feed);
    }
}

void UpdateCycle::OnAnswer(App& app, int feed) {
    FeedJob& job = jobs_[feed];
    job.fetched = job.answer.result == kFetchOk;
    if (!job.fetched) job.document.Release();

    // No document and no readable copy to fall back on: the whole document is asked for at once,
    // not when the feed's turn comes, unless that was just asked.
    if (!job.fetched && !job.askedForWhole &&
        app.platform.files.OpenableSize(CacheFilePath(app.feeds.url[feed]).c_str()) < 0) {
        Ask(app, feed, true, true);
        return;
    }
    job.phase = Phase::Ready;
}

void UpdateCycle::AppendErrorEntry(App& app, int feed, const char* title) {
    if (app.incoming.count >= kArticleCapacity) return;
    ArticleEntry& entry = app.incoming.slot[app.incoming.count++];
    CopyCut(entry.site, sizeof entry.site, app.feeds.site[feed]);
    CopyCut(entry.title, sizeof entry.title, title);
    CopyCut(entry.link, sizeof entry.link, app.feeds.url[feed]);
    entry.day = app.today;
    app.perFeedFound[feed] = 1;
}

bool UpdateCycle::ReadFeed(App& app, int feed) {
    FeedJob& job = jobs_[feed];
    Platform& platform = app.platform;
    const char* url = app.feeds.url[feed];
    DocumentBuffer& document = job.document;
    bool haveDocument = job.fetched;
    if (!haveDocument) {
        std::string cachePath = CacheFilePath(url);
        if (ReadWholeFile(document, cachePath.c_str(), platform) == kLoaded) {
            haveDocument = true;
        } else if (kind_ == CycleKind::StartupCache) {
            return true;  // the network cycle that follows asks for it
        } else if (!job.askedForWhole) {
            Ask(app, feed, true, true);
            return false;
        } else {
            AppendErrorEntry(app, feed, kAccessErrorTitle);
            failures_.push_back(FeedFailure{app.feeds.site[feed], url});
        }
    }
    if (haveDocument) {
        app.perFeedFound[feed] = 0;
        char root[kSiteRootSize];
        SiteRootOf(url, root, sizeof root);
        // Documents of the weather service are fetched but not read as feeds.
        if (!IsWeatherServiceFeed(url)) {
            FeedParseTarget target{app.incoming, app.perFeedFound[feed], app.feeds.maximum[feed], app.today,
                                   nullptr};
            ParseFeedDocument(document.view(), app.feeds.site[feed], root, target);
        }
        // The copy is dated as the server dated the document, or else when it was asked for: the
        // next request then asks for what changed after that.
        if (job.fetched && app.perFeedFound[feed] > 0) {
            const int64_t dated = job.answer.lastModified;
            WriteCacheFile(document, url, dated > 0 ? dated : job.asked, platform);
        }
        if (app.perFeedFound[feed] == 0 && kind_ != CycleKind::StartupCache) {
            AppendErrorEntry(app, feed, kFormatErrorTitle);
        }
    }
    document.Release();
    job.phase = Phase::Passed;
    return true;
}

bool UpdateCycle::Step(App& app, uint64_t budgetMilliseconds) {
    if (!running_) return false;
    Clock& clock = app.platform.clock;
    const uint64_t began = clock.Milliseconds();
    TakeAnswers(app);
    StartRequests(app);
    TakeAnswers(app);  // those that were done at once
    const int count = app.feeds.count;
    bool first = true;
    while (next_ < count && app.incoming.count < kArticleCapacity) {
        if (!first && clock.Milliseconds() - began >= budgetMilliseconds) break;
        FeedJob& job = jobs_[next_];
        if (job.phase == Phase::Asking) break;
        if (job.phase == Phase::Ready) {
            if (!ReadFeed(app, next_)) break;
            ++done_;
            first = false;
        }
        ++next_;
    }
    StartRequests(app);
    const bool full = app.incoming.count >= kArticleCapacity;
    if (next_ < count && !full) return false;
    tableFull_ = full;
    // What is still asked for (the table filled up) is given up.
    ReleaseAll(app);
    running_ = false;
    return true;
}

void UpdateCycle::ReleaseAll(App& app) {
    for (int feed : scheduler_.Running()) {
        if (jobs_[feed].request != 0) app.platform.fetcher.Cancel(jobs_[feed].request);
        jobs_[feed].request = 0;
    }
    scheduler_.Clear();
    for (FeedJob& job : jobs_) {
        job.document.Release();
        job.phase = Phase::Passed;
    }
}

void UpdateCycle::Cancel(App& app) {
    if (!running_) return;
    ReleaseAll(app);
    running_ = false;
}

int UpdateCycle::waitingFeed() const {
    if (!running_) return -1;
    return next_;
}

#pragma once
// Which request of an update cycle starts next. Many feed hosts are slow and some never answer, so
// several requests run at once: at most `total`, and at most `perHost` to one host, so that no
// server gets more than a browser would send it. Requests start in the order they were queued (the
// feed list's order); one whose host is at its limit is passed over for a later one, and starts as
// soon as its host has room. Nothing here touches the network: the cycle starts what this says.
#include <string>
#include <vector>

struct FetchLimitsPerCycle {
    int total = 8;
    int perHost = 2;
};

class FetchScheduler {
  public:
    explicit FetchScheduler(FetchLimitsPerCycle limits = FetchLimitsPerCycle()) : limits_(limits) {}

    // Forgets every job, waiting or running.
    void Clear();
    // Queues job `key` for `host`: behind the waiting jobs, or ahead of them (a second request of a
    // feed whose first answer was of no use, so that the feed's turn is not lost).
    void Queue(int key, const std::string& host, bool ahead = false);
    // The next job that may start now, marked running; -1 when none may.
    int StartNext();
    // Job `key` is done (answered or given up); its host has room again. Unknown keys are ignored.
    void Finished(int key);
    // Takes the waiting jobs of `host` out of the queue (a host that gave no answer is not asked
    // again in the same cycle); their keys, in queue order.
    std::vector<int> TakeWaitingOn(const std::string& host);
    // The running jobs' keys, in the order they started.
    std::vector<int> Running() const;
    int running() const { return static_cast<int>(running_.size()); }
    int waiting() const { return static_cast<int>(waiting_.size()); }

  private:
    struct Job {
        int key;
        std::string host;
    };
    int RunningOn(const std::string& host) const;

    FetchLimitsPerCycle limits_;
    std::vector<Job> waiting_;
    std::vector<Job> running_;
};

// The name a URL's host is counted under: its host and port, letters in lower case ("" when the URL
// has no host).
std::string HostKeyOf(const char* url);

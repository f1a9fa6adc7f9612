#pragma once
// The bounds of one document fetch: its size, its time in all and its time without progress. Kept
// apart from the internet library so that the decisions can be checked without a network.
#include <cstddef>
#include <cstdint>

#include "net/document_buffer.h"
#include "platform/platform.h"

struct FetchLimits {
    size_t maxBytes = kMaxDocumentBytes;  // a larger document fails the fetch
    uint64_t totalMilliseconds = 60000;   // no fetch lasts longer than this
    uint64_t idleMilliseconds = 10000;    // nor goes this long without progress (a host that never answers)
};

class FetchBudget {
  public:
    FetchBudget(const FetchLimits& limits, uint64_t startMilliseconds);
    const FetchLimits& limits() const { return limits_; }
    size_t received() const { return received_; }
    // Something arrived (an answer's head, a part of its body): the time without progress starts anew.
    void Progressed(uint64_t nowMilliseconds) { lastProgress_ = nowMilliseconds; }
    // True once the fetch has run for its whole time, or as long as allowed without progress.
    bool OutOfTime(uint64_t nowMilliseconds) const;
    // Counts a received chunk; false once the document has grown past the size limit.
    bool Take(size_t bytes);
    // False when the server announced more bytes than the limit allows (-1: not announced).
    bool AnnouncedLengthFits(int64_t announced) const;
    // The result once the server has no more to send: 99 for an empty answer, 0 for a document,
    // -1 when fewer bytes came than the server announced (the connection broke off).
    FetchResult Finish(int64_t announced) const;
    // A new body from the start (the same document asked again), within the same time.
    void Restart() { received_ = 0; }

  private:
    FetchLimits limits_;
    uint64_t start_;
    uint64_t lastProgress_;
    size_t received_ = 0;
};

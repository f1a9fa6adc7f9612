#pragma once
// The bounds of one document fetch, and the wait that keeps the window alive meanwhile. Kept apart
// from the internet library so that the decisions can be checked without a network.
#include <cstddef>
#include <cstdint>

#include "net/document_buffer.h"
#include "platform/platform.h"

class MessagePump;

struct FetchLimits {
    size_t maxBytes = kMaxDocumentBytes;  // a larger document fails the fetch
    uint64_t totalMilliseconds = 60000;   // no fetch lasts longer than this
    int waitStepMilliseconds = 10;        // one wait step; one message is dispatched after each
    int maxTimeouts = 1000;               // a wait gives up after this many time-outs and one more
};

// Milliseconds from an arbitrary start that never goes back.
class MonotonicClock {
  public:
    virtual ~MonotonicClock() = default;
    virtual uint64_t NowMilliseconds() = 0;
};

// One event the callback thread signals.
class EventWait {
  public:
    virtual ~EventWait() = default;
    // Waits at most `milliseconds`; true when the event was signalled.
    virtual bool WaitStep(int milliseconds) = 0;
};

class FetchBudget {
  public:
    FetchBudget(const FetchLimits& limits, uint64_t startMilliseconds);
    const FetchLimits& limits() const { return limits_; }
    size_t received() const { return received_; }
    bool OutOfTime(uint64_t nowMilliseconds) const;
    // Counts a received chunk; false once the document has grown past the size limit.
    bool Take(size_t bytes);
    // False when the server announced more bytes than the limit allows (-1: not announced).
    bool AnnouncedLengthFits(int64_t announced) const;
    // The result once the server has no more to send: 99 for an empty answer, 0 for a document,
    // -1 when fewer bytes came than the server announced (the connection broke off).
    FetchResult Finish(int64_t announced) const;

  private:
    FetchLimits limits_;
    uint64_t start_;
    size_t received_ = 0;
};

enum class WaitOutcome { Signalled, TimedOut, OutOfTime };

// Waits for `event` in steps, dispatching at most one window message after every step that timed
// out, so that the window keeps painting. Gives up after limits().maxTimeouts + 1 time-outs, or as
// soon as the fetch's time is up.
WaitOutcome PumpingWait(EventWait& event, MessagePump& pump, const FetchBudget& budget,
                        MonotonicClock& clock);

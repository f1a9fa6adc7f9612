#include "net/fetch_bounds.h"

FetchBudget::FetchBudget(const FetchLimits& limits, uint64_t startMilliseconds)
    : limits_(limits), start_(startMilliseconds), lastProgress_(startMilliseconds) {}

bool FetchBudget::OutOfTime(uint64_t nowMilliseconds) const {
    return nowMilliseconds - start_ >= limits_.totalMilliseconds ||
           nowMilliseconds - lastProgress_ >= limits_.idleMilliseconds;
}

bool FetchBudget::Take(size_t bytes) {
    if (received_ > limits_.maxBytes || bytes > limits_.maxBytes - received_) {
        received_ = limits_.maxBytes + 1;
        return false;
    }
    received_ += bytes;
    return true;
}

bool FetchBudget::AnnouncedLengthFits(int64_t announced) const {
    return announced < 0 || static_cast<uint64_t>(announced) <= limits_.maxBytes;
}

FetchResult FetchBudget::Finish(int64_t announced) const {
    if (announced >= 0 && received_ < static_cast<uint64_t>(announced)) return kFetchFailed;
    return received_ == 0 ? kFetchEmpty : kFetchOk;
}

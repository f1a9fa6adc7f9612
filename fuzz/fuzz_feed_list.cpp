// Feed list text: any bytes parse without fault into at most 101 entries of cut, terminated
// fields, and a list that was read writes back to a text that reads the same, whole (a file the
// program wrote is never taken for one it could not read).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/feed_list.h"

namespace {

bool SameEntries(const FeedTable& a, const FeedTable& b) {
    if (a.count != b.count) return false;
    for (int i = 0; i < a.count; ++i) {
        if (strcmp(a.site[i], b.site[i]) != 0 || strcmp(a.url[i], b.url[i]) != 0 ||
            a.maximum[i] != b.maximum[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 51200) return 0;
    static std::unique_ptr<FeedTable> feeds(new FeedTable);
    static std::unique_ptr<FeedTable> again(new FeedTable);
    std::string text(reinterpret_cast<const char*>(data), size);
    bool leftOut = false;
    int result = ParseFeedListText(*feeds, text.c_str(), static_cast<int>(text.size()), &leftOut);
    if (result != 0 && !leftOut) abort();
    if (feeds->count < 0 || feeds->count > kFeedSlots) abort();
    for (int i = 0; i < feeds->count; ++i) {
        if (strnlen(feeds->site[i], kSlotSize) >= kSlotSize || strnlen(feeds->url[i], kSlotSize) >= kSlotSize)
            abort();
    }
    if (result != 0) return 0;
    std::string written = FormatFeedListText(*feeds);
    if (ParseFeedListText(*again, written.c_str(), static_cast<int>(written.size()), &leftOut) != 0 ||
        leftOut)
        abort();
    if (!SameEntries(*feeds, *again)) abort();
    return 0;
}

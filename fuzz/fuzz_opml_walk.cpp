// OPML outline walk: any bytes are walked to their end without fault, every outline read gives
// terminated Shift_JIS slots, and the walk ends within as many steps as the text has outlines.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/opml_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2 * 1024 * 1024) return 0;
    static std::unique_ptr<FeedTable> feeds(new FeedTable);
    feeds->count = 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    OpmlWalk walk(TextView{text.c_str(), static_cast<int>(text.size())});
    int steps = 0;
    for (;;) {
        OpmlWalk::Step step = walk.Next(*feeds);
        if (step == OpmlWalk::Step::Finished) break;
        if (++steps > walk.outlineTotal()) abort();  // each step takes one "<outline"
        if (strnlen(walk.site(), kSlotSize) >= kSlotSize || strnlen(walk.url(), kSlotSize) >= kSlotSize)
            abort();
        if (step == OpmlWalk::Step::NewFeed && feeds->count < kFeedSlots) {
            CopyCut(feeds->url[feeds->count++], kSlotSize, walk.url());
        }
    }
    return 0;
}

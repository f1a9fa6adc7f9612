// OPML outline walk, as the import takes it: any bytes are walked to their end without fault, every
// outline read gives terminated Shift_JIS slots, the walk ends within as many steps as the text has
// outlines (so the progress never starts again), and the table never passes 100 feeds.
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
    OpmlImport import(TextView{text.c_str(), static_cast<int>(text.size())});
    int steps = 0;
    for (;;) {
        OpmlImport::Step step = import.Take(*feeds);
        if (step.outcome == OpmlImport::Outcome::Finished || step.outcome == OpmlImport::Outcome::Full) break;
        if (++steps > import.outlineTotal() || step.progress != ProgressMove::Step) abort();
        if (strnlen(import.site(), kSlotSize) >= kSlotSize || strnlen(import.url(), kSlotSize) >= kSlotSize)
            abort();
        if (feeds->count > kMaxUserFeeds) abort();
    }
    return 0;
}

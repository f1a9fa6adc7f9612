// The site-name lookup over any document: the name stays terminated within its slot, whatever its
// size, and the count of items does not depend on the slot.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/feed_title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    TextView document = {text.c_str(), static_cast<int>(strnlen(text.c_str(), size))};
    char site[kSlotSize + 1];
    memset(site, 'x', sizeof site);
    int count = LookupFeedTitle(document, site, kSlotSize);
    if (count < 0 || site[kSlotSize] != 'x' || strnlen(site, kSlotSize) >= kSlotSize) abort();
    char small[10];
    memset(small, 'x', sizeof small);
    if (LookupFeedTitle(document, small, sizeof small - 1) != count) abort();
    if (small[sizeof small - 1] != 'x' || strnlen(small, sizeof small - 1) >= sizeof small - 1) abort();
    return 0;
}

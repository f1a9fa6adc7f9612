// The feed links of any page: each is an http or https address that fits a slot, found once, at most
// kMaxFeedLinks of them, with a title that fits a slot; the kind of the document is always decided.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/feed_links.h"
#include "net/links.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    TextView page = {text.c_str(), static_cast<int>(strnlen(text.c_str(), size))};
    (void)KindOfDocument(page);
    const std::vector<FeedLink> links = ReadFeedLinks(page, "http://site.test/dir/page.html");
    if (links.size() > kMaxFeedLinks) abort();
    for (size_t i = 0; i < links.size(); ++i) {
        if (!IsWebLink(links[i].url.c_str()) || links[i].url.size() >= kSlotSize) abort();
        if (links[i].title.size() >= kSlotSize) abort();
        for (size_t j = 0; j < i; ++j) {
            if (links[j].url == links[i].url) abort();
        }
    }
    return 0;
}

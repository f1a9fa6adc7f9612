#include "feed/site_root.h"

#include <cstring>

#include "feed/text.h"

void SiteRootOf(const char* url, char* root, size_t rootSize) {
    if (!root || rootSize == 0) return;
    size_t copied = 0;
    int slashes = 0;
    for (; url && url[copied] != '\0' && copied < kSiteRootSize; ++copied) {
        if (url[copied] == '/' && ++slashes == 3) break;
    }
    if (slashes < 3 || copied >= rootSize) {
        CopyCut(root, rootSize, "error");
        return;
    }
    memcpy(root, url, copied);
    root[copied] = '\0';
}

#include "net/links.h"

#include <cstring>

#include "feed/text.h"

bool IsWebLink(const char* link) {
    return StartsWithIgnoringAsciiCase(link, "http://") || StartsWithIgnoringAsciiCase(link, "https://");
}

bool IsSafeLink(const char* link) {
    static const char* const kDangerous[] = {"exe", "bat", "jar", "com", "cmd", "pif", "vbs",   "scr",
                                             "zip", "lzh", "vbe", "doc", "dat", "xls", "class", "ocs",
                                             "sys", "rar", "lnk", "js",  "jse", "wsf", "wsh"};
    // Only web addresses: file:, javascript:, other protocol handlers, UNC and bare paths are refused.
    if (!IsWebLink(link)) return false;
    int length = static_cast<int>(strlen(link));
    // The extension is after the last "." at position 7 or later (the scheme is never examined),
    // or everything after position 7 when there is none.
    const char* extension = "";
    if (length >= 2) {
        int i = length - 2;
        while (i >= 7 && link[i] != '.') --i;
        if (i >= 7) {
            extension = link + i + 1;
        } else if (length > 8) {
            extension = link + 8;
        }
    }
    for (const char* dangerous : kDangerous) {
        if (EqualsIgnoringAsciiCase(extension, dangerous)) return false;
    }
    return true;
}

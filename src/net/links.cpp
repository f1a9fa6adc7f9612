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

bool PrepareLinkForShell(const char* link, char* out, size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    // Spaces around an address are no part of it (browsers drop them too); encoded, they would make
    // a different address, and a trailing one would hide a dangerous extension.
    while (*link == ' ') ++link;
    size_t length = strlen(link);
    while (length > 0 && link[length - 1] == ' ') --length;
    size_t encodedLength = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(link[i]);
        if (c == '"' || c == '<' || c == '>' || (c < 0x21 && c != ' ')) return false;
        encodedLength += c == ' ' ? 3 : 1;
    }
    if (encodedLength >= outSize) return false;
    char* write = out;
    for (size_t i = 0; i < length; ++i) {
        if (link[i] == ' ') {
            memcpy(write, "%20", 3);
            write += 3;
        } else {
            *write++ = link[i];
        }
    }
    *write = '\0';
    if (IsSafeLink(out)) return true;
    out[0] = '\0';
    return false;
}

#include "net/url.h"

#include <cstring>

#include "feed/text.h"

namespace {

bool IsSchemeChar(char c, bool first) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool EqualsNoCase(const char* text, size_t length, const char* lower) {
    return strlen(lower) == length && StartsWithIgnoringAsciiCase(text, lower);
}

// "" keeps the default; otherwise only digits making 1..65535.
bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty()) return true;
    if (text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

bool SplitUrl(const char* url, UrlParts& parts) {
    parts = UrlParts();
    if (!url) return false;
    const char* separator = strstr(url, "://");
    if (!separator || separator == url) return false;
    for (const char* p = url; p < separator; ++p) {
        if (!IsSchemeChar(*p, p == url)) return false;
    }
    parts.secure = EqualsNoCase(url, static_cast<size_t>(separator - url), "https");
    parts.port = parts.secure ? kHttpsPort : kHttpPort;

    const char* authority = separator + 3;
    size_t authorityLength = strcspn(authority, "/?#");
    std::string hostPort(authority, authorityLength);
    // User information is not sent: what the connection needs is after the last "@".
    size_t at = hostPort.rfind('@');
    if (at != std::string::npos) hostPort.erase(0, at + 1);

    std::string portText;
    if (!hostPort.empty() && hostPort[0] == '[') {
        size_t close = hostPort.find(']');
        if (close == std::string::npos) return false;
        parts.host = hostPort.substr(1, close - 1);
        std::string rest = hostPort.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            portText = rest.substr(1);
        }
    } else {
        size_t colon = hostPort.find(':');
        parts.host = hostPort.substr(0, colon);
        if (colon != std::string::npos) portText = hostPort.substr(colon + 1);
    }
    if (parts.host.empty() || !ParsePort(portText, parts.port)) return false;

    const char* rest = authority + authorityLength;
    std::string path(rest, strcspn(rest, "#"));
    // A query right after the host still needs the root path in front of it.
    if (!path.empty() && path[0] == '?') path.insert(0, "/");
    parts.path = path;
    return true;
}

bool RedirectAllowed(const char* requested, const char* final) {
    UrlParts from, to;
    if (!SplitUrl(requested, from) || !SplitUrl(final, to)) return false;
    return to.secure || !from.secure;
}

namespace {

// "/a/b/../c/./d" → "/a/c/d", as a reference's path is read.
std::string RemoveDotSegments(const std::string& path) {
    std::string input = path, output;
    while (!input.empty()) {
        if (input.compare(0, 3, "../") == 0) {
            input.erase(0, 3);
        } else if (input.compare(0, 2, "./") == 0) {
            input.erase(0, 2);
        } else if (input.compare(0, 3, "/./") == 0) {
            input.erase(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.compare(0, 4, "/../") == 0 || input == "/..") {
            input = input.size() == 3 ? "/" : input.substr(3);
            size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            size_t next = input.find('/', 1);
            output += input.substr(0, next);
            input.erase(0, next == std::string::npos ? input.size() : next);
        }
    }
    return output;
}

size_t SchemeLength(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return 0;
    for (size_t i = 0; i < colon; ++i) {
        if (!IsSchemeChar(text[i], i == 0)) return 0;
    }
    return colon;
}

bool IsWebScheme(const std::string& url, size_t schemeLength) {
    return EqualsNoCase(url.c_str(), schemeLength, "http") ||
           EqualsNoCase(url.c_str(), schemeLength, "https");
}

}  // namespace

std::string ResolveReference(const std::string& base, const std::string& reference) {
    UrlParts parts;
    if (!SplitUrl(base.c_str(), parts)) return std::string();
    std::string ref = reference.substr(0, reference.find('#'));
    // Leading and trailing blanks are not part of an address a server or a page writes.
    size_t first = ref.find_first_not_of(" \t\r\n");
    ref = first == std::string::npos ? std::string()
                                     : ref.substr(first, ref.find_last_not_of(" \t\r\n") + 1 - first);

    const size_t baseScheme = SchemeLength(base);
    const size_t authorityStart = base.find("://") + 3;
    const size_t authorityEnd = base.find_first_of("/?#", authorityStart);
    const std::string schemeAndAuthority = base.substr(0, authorityEnd);
    std::string basePath = authorityEnd == std::string::npos ? std::string() : base.substr(authorityEnd);
    basePath = basePath.substr(0, basePath.find('#'));
    const std::string baseQuery =
        basePath.find('?') == std::string::npos ? "" : basePath.substr(basePath.find('?'));
    basePath = basePath.substr(0, basePath.find('?'));

    std::string result;
    const size_t refScheme = SchemeLength(ref);
    if (refScheme != 0 && ref.compare(refScheme, 3, "://") == 0) {
        const size_t authorityEndOfRef = ref.find_first_of("/?", refScheme + 3);
        if (authorityEndOfRef == std::string::npos) {
            result = ref;
        } else {
            const std::string tail = ref.substr(authorityEndOfRef);
            const size_t query = tail.find('?');
            result = ref.substr(0, authorityEndOfRef) + RemoveDotSegments(tail.substr(0, query)) +
                     (query == std::string::npos ? "" : tail.substr(query));
        }
    } else if (refScheme != 0) {
        return std::string();  // "mailto:…", "javascript:…": no web address
    } else if (ref.compare(0, 2, "//") == 0) {
        return ResolveReference(base, base.substr(0, baseScheme) + ":" + ref);
    } else if (ref.empty()) {
        result = schemeAndAuthority + basePath + baseQuery;
    } else if (ref[0] == '?') {
        result = schemeAndAuthority + (basePath.empty() ? "/" : basePath) + ref;
    } else {
        const size_t query = ref.find('?');
        std::string path = ref.substr(0, query);
        if (path[0] != '/') {
            size_t slash = basePath.rfind('/');
            path = (slash == std::string::npos ? "/" : basePath.substr(0, slash + 1)) + path;
        }
        result = schemeAndAuthority + RemoveDotSegments(path) +
                 (query == std::string::npos ? "" : ref.substr(query));
    }
    UrlParts check;
    if (!IsWebScheme(result, SchemeLength(result)) || !SplitUrl(result.c_str(), check)) return std::string();
    return result;
}

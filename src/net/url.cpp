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

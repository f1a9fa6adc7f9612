#pragma once
// Splitting a feed URL into what the connection and the request need.
#include <cstdint>
#include <string>

constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;

struct UrlParts {
    bool secure = false;  // https: TLS
    std::string host;     // without brackets for an IPv6 literal, without user information
    uint16_t port = kHttpPort;
    std::string path;  // the object path from its "/" on (with the query), or empty
};

// Splits "scheme://host[:port][/path][?query][#fragment]". https goes to port 443 over TLS; every other
// scheme is plain HTTP on port 80; an explicit port is honoured. False when there is no "://", the host
// is empty, or the port is not a number from 1 to 65535. The fragment is never sent.
bool SplitUrl(const char* url, UrlParts& parts);

// The address `reference` (absolute, "//host/…", "/path", "path", "?query" or "#fragment") stands
// for when it is read on the page or answer at `base`: dot segments removed, the fragment dropped.
// Empty when `base` cannot be split or the result is not an http or https address.
std::string ResolveReference(const std::string& base, const std::string& reference);

// Whether a fetch of `requested` may take the document that a redirect ended at, `final`: a plain
// address may be moved to https (many feeds are), but a secure one must never end in plain text.
bool RedirectAllowed(const char* requested, const char* final);

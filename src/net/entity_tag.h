#pragma once
// The ETag a server gave a feed's document, kept beside its cache copy and sent back as
// If-None-Match: a server that dates nothing can still answer 304 for an unchanged feed.
#include <cstddef>
#include <string>

struct Platform;
class FileSystem;

// The longest tag kept; a longer one is not sent back.
constexpr size_t kMaxEntityTagLength = 200;

// "<cache path>.etag": cache names never hold a ".", so no feed's copy can have this name.
std::string EntityTagPath(const char* url);
// A tag that may go back into a request header: 1 to kMaxEntityTagLength printable ASCII bytes (no
// line break a server could use to add a header of its own).
bool UsableEntityTag(const std::string& tag);
// Keeps the tag of the copy just written; an empty or unusable tag removes an older one, which no
// longer belongs to the copy.
void KeepEntityTag(const char* url, const std::string& tag, Platform& platform);
// The conditional request headers for the feed: "If-Modified-Since:" its copy's date and, when the
// copy has a tag, "If-None-Match:" it on a line of its own. Without a copy (or its date), the
// unconditional header and false.
bool CacheConditionalHeaders(const char* url, FileSystem& files, std::string& headers);
// A feed that moved: its copy and tag go to the new address's names (replacing any there). False
// when the copy could not be moved (it then stays under the old name).
bool MoveCacheCopy(const char* from, const char* to, FileSystem& files);

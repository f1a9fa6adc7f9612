#pragma once
// The last good document of every feed, kept in the cache folder under a name made from its URL.
// The copy's last-write time is the date the next request for the feed asks "changed since".
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/safe_write.h"
#include "platform/whole_file.h"

struct Platform;
class DocumentBuffer;
class FileSystem;

extern const char kCacheFolderName[];  // "cache"

// "cache\\" + the URL with . < > ? : | \ " * replaced by "@" and / by "%".
std::string CacheFilePath(const char* url);
// Loads a whole file into the document; kNotLoaded (the document released) when it is missing,
// read-only or in use, or memory runs out ("メモリが不足しています。" is then shown).
[[nodiscard]] LoadResult ReadWholeFile(DocumentBuffer& document, const char* name, Platform& platform);
// Stores the document's text as the URL's cache file dated `utcFileTime` (a UTC file time);
// kNotWritten when nothing was written. Failures are silent: the previous copy stays with its date.
WriteResult WriteCacheFile(const DocumentBuffer& document, const char* url, int64_t utcFileTime,
                           Platform& platform);
// The request header line for the URL: "If-Modified-Since:" its cache copy's date, or
// kUnconditionalHeader when there is no copy (or its date cannot be read). True when conditional.
bool CacheConditionalHeader(const char* url, FileSystem& files, char* out, size_t size);

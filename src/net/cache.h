#pragma once
// The last good document of every feed, kept in the cache folder under a name made from its URL.
#include <string>

#include "platform/whole_file.h"

struct Platform;
class DocumentBuffer;

extern const char kCacheFolderName[];  // "cache"

// "cache\\" + the URL with . < > ? : | \ " * replaced by "@" and / by "%".
std::string CacheFilePath(const char* url);
// Loads a whole file into the document; kNotLoaded (the document released) when it is missing,
// read-only or in use, or memory runs out ("メモリが不足しています。" is then shown).
[[nodiscard]] LoadResult ReadWholeFile(DocumentBuffer& document, const char* name, Platform& platform);
// Stores the document's text as the URL's cache file; failures are silent.
void WriteCacheFile(const DocumentBuffer& document, const char* url, Platform& platform);

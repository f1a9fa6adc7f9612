#include "net/entity_tag.h"

#include "net/cache.h"
#include "net/conditional_header.h"
#include "platform/platform.h"
#include "platform/safe_write.h"

std::string EntityTagPath(const char* url) { return CacheFilePath(url) + ".etag"; }

bool UsableEntityTag(const std::string& tag) {
    if (tag.empty() || tag.size() > kMaxEntityTagLength) return false;
    for (char c : tag) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

void KeepEntityTag(const char* url, const std::string& tag, Platform& platform) {
    const std::string path = EntityTagPath(url);
    if (!UsableEntityTag(tag)) {
        if (platform.files.OpenableSize(path.c_str()) >= 0) platform.files.Remove(path.c_str());
        return;
    }
    // A tag that cannot be written leaves none rather than an old one beside the new copy.
    if (WriteFileSafely(platform.files, path.c_str(), tag.data(), tag.size()) != kWritten) {
        platform.files.Remove(path.c_str());
    }
}

bool CacheConditionalHeaders(const char* url, FileSystem& files, std::string& headers) {
    char line[kHeaderLineSize];
    const bool conditional = CacheConditionalHeader(url, files, line, sizeof line);
    headers = line;
    if (!conditional) return false;
    char tag[kMaxEntityTagLength + 1];
    const int64_t read = files.Read(EntityTagPath(url).c_str(), tag, sizeof tag);
    if (read > 0 && read <= static_cast<int64_t>(kMaxEntityTagLength)) {
        const std::string value(tag, static_cast<size_t>(read));
        if (UsableEntityTag(value)) headers += "\r\nIf-None-Match: " + value;
    }
    return true;
}

bool MoveCacheCopy(const char* from, const char* to, FileSystem& files) {
    const std::string copy = CacheFilePath(from), tag = EntityTagPath(from);
    const std::string newCopy = CacheFilePath(to), newTag = EntityTagPath(to);
    if (copy == newCopy || files.OpenableSize(copy.c_str()) < 0) return false;
    if (!files.Replace(copy.c_str(), newCopy.c_str())) return false;
    if (files.OpenableSize(tag.c_str()) >= 0) {
        if (!files.Replace(tag.c_str(), newTag.c_str())) files.Remove(tag.c_str());
    } else if (files.OpenableSize(newTag.c_str()) >= 0) {
        files.Remove(newTag.c_str());  // a tag of an older copy under the new name
    }
    return true;
}

#include "net/cache.h"

#include "feed/text.h"
#include "platform/platform.h"
#include "platform/safe_write.h"
#include "net/conditional_header.h"
#include "net/document_buffer.h"

const char kCacheFolderName[] = "cache";

std::string CacheFilePath(const char* url) {
    std::string path = std::string(kCacheFolderName) + "\\";
    // Byte by byte, as the names of existing cache files were made.
    for (const char* p = url; *p; ++p) {
        switch (*p) {
            case '.':
            case '<':
            case '>':
            case '?':
            case ':':
            case '|':
            case '\\':
            case '"':
            case '*':
                path += '@';
                break;
            case '/':
                path += '%';
                break;
            default:
                path += *p;
        }
    }
    return path;
}

int ReadWholeFile(DocumentBuffer& document, const char* name, Platform& platform) {
    int64_t size = platform.files.OpenableSize(name);
    if (size < 0) return -1;
    if (static_cast<uint64_t>(size) >= SIZE_MAX || !document.Allocate(static_cast<size_t>(size) + 1)) {
        platform.messages.Show("メモリが不足しています。", "ERROR", MessageIcon::None);
        return -1;
    }
    int64_t read = size > 0 ? platform.files.Read(name, document.data(), static_cast<size_t>(size)) : 0;
    if (read < 0) {
        document.Release();
        return -1;
    }
    document.SetFilled(static_cast<size_t>(read));
    return 0;
}

int WriteCacheFile(const DocumentBuffer& document, const char* url, int64_t utcFileTime, Platform& platform) {
    // A failed write keeps the previous good copy; the cycle goes on without a message.
    std::string path = CacheFilePath(url);
    if (WriteFileSafely(platform.files, path.c_str(), document.text(), document.textLength()) != 0) return -1;
    // Should the date not take, the copy keeps the time it was written: a little later than the
    // date asked for, which at worst hides a change made during the fetch itself.
    platform.files.SetLastWriteTime(path.c_str(), utcFileTime);
    return 0;
}

bool CacheConditionalHeader(const char* url, FileSystem& files, char* out, size_t size) {
    int64_t written = 0;
    CivilTime utc;
    if (!files.LastWriteTime(CacheFilePath(url).c_str(), written) || !CivilFromFileTime(written, utc)) {
        CopyCut(out, size, kUnconditionalHeader);
        return false;
    }
    FormatIfModifiedSince(utc, out, size);
    return true;
}

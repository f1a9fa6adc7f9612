#include "net/cache.h"

#include "feed/text.h"
#include "platform/platform.h"
#include "platform/safe_write.h"
#include "platform/whole_file.h"
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

LoadResult ReadWholeFile(DocumentBuffer& document, const char* name, Platform& platform) {
    size_t length = 0;
    WholeRead read = ReadWhole(
        platform.files, name, WholeReadRules{},
        [&document](size_t capacity) { return document.Allocate(capacity + 1) ? document.data() : nullptr; },
        length);
    switch (read) {
        case WholeRead::Whole:
        case WholeRead::Cut:
            document.SetFilled(length);
            return kLoaded;
        case WholeRead::NoMemory:
            platform.messages.Show("メモリが不足しています。", "ERROR", MessageIcon::None);
            break;
        case WholeRead::Missing:
        case WholeRead::ReadOnly:
        case WholeRead::Busy:
        case WholeRead::TooLarge:
        case WholeRead::Failed:
            break;
    }
    document.Release();
    return kNotLoaded;
}

WriteResult WriteCacheFile(const DocumentBuffer& document, const char* url, int64_t utcFileTime,
                           Platform& platform) {
    // A failed write keeps the previous good copy; the cycle goes on without a message.
    std::string path = CacheFilePath(url);
    if (WriteFileSafely(platform.files, path.c_str(), document.text(), document.textLength()) != kWritten) {
        return kNotWritten;
    }
    // Should the date not take, the copy keeps the time it was written: a little later than the
    // date asked for, which at worst hides a change made during the fetch itself.
    platform.files.SetLastWriteTime(path.c_str(), utcFileTime);
    return kWritten;
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

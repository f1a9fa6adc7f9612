#include "net/cache.h"

#include "platform/platform.h"
#include "platform/safe_write.h"
#include "platform/whole_file.h"
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

void WriteCacheFile(const DocumentBuffer& document, const char* url, Platform& platform) {
    // A failed write keeps the previous good copy; the cycle goes on without a message.
    static_cast<void>(
        WriteFileSafely(platform.files, CacheFilePath(url).c_str(), document.text(), document.textLength()));
}

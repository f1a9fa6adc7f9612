#include "net/cache.h"

#include "platform/platform.h"
#include "platform/safe_write.h"
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

void WriteCacheFile(const DocumentBuffer& document, const char* url, Platform& platform) {
    // A failed write keeps the previous good copy; the cycle goes on without a message.
    WriteFileSafely(platform.files, CacheFilePath(url).c_str(), document.text(), document.textLength());
}

#include "platform/safe_write.h"

#include <string>

#include "platform/platform.h"

int WriteFileSafely(FileSystem& files, const char* name, const char* data, size_t size) {
    std::string temporary = std::string(name) + ".new";
    if (!files.WriteNew(temporary.c_str(), data, size)) {
        files.Remove(temporary.c_str());
        return -1;
    }
    if (!files.Replace(temporary.c_str(), name)) {
        files.Remove(temporary.c_str());
        return -1;
    }
    return 0;
}

#include "platform/safe_write.h"

#include <string>

#include "platform/backup_copy.h"
#include "platform/platform.h"

WriteResult WriteFileSafely(FileSystem& files, const char* name, const char* data, size_t size) {
    if (files.MustKeepBeforeReplacing(name)) {
        // A file the program could not read when it loaded it: its content is only on the disk.
        switch (KeepBackupCopy(files, name)) {
            case BackupCopy::Made:
            case BackupCopy::AlreadyKept:
            case BackupCopy::NothingToKeep:
                files.NoLongerKeep(name);
                break;
            case BackupCopy::NotMade:
                return kNotWritten;
        }
    }
    std::string temporary = std::string(name) + ".new";
    if (!files.WriteNew(temporary.c_str(), data, size)) {
        files.Remove(temporary.c_str());
        return kNotWritten;
    }
    if (!files.Replace(temporary.c_str(), name)) {
        files.Remove(temporary.c_str());
        return kNotWritten;
    }
    return kWritten;
}

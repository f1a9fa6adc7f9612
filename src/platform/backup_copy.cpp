#include "platform/backup_copy.h"

#include "platform/platform.h"

namespace {

// Larger files are copied again without comparing them (no file of the program is that large).
constexpr int64_t kCompareLimit = 16 * 1024 * 1024;

bool SameBytes(FileSystem& files, const char* a, int64_t aSize, const char* b) {
    FileProbe other = files.Probe(b);
    if (other.access != FileAccess::Openable || other.size != aSize || aSize > kCompareLimit) return false;
    size_t size = static_cast<size_t>(aSize);
    std::string first(size, '\0');
    std::string second(size, '\0');
    if (size == 0) return true;
    return files.Read(a, &first[0], size) == aSize && files.Read(b, &second[0], size) == aSize &&
           first == second;
}

}  // namespace

std::string BackupName(const char* name) { return std::string(name) + ".bak"; }

BackupCopy KeepBackupCopy(FileSystem& files, const char* name) {
    FileProbe probe = files.Probe(name);
    if (probe.access == FileAccess::Missing) return BackupCopy::NothingToKeep;
    std::string backup = BackupName(name);
    if (probe.access == FileAccess::Openable && SameBytes(files, name, probe.size, backup.c_str())) {
        return BackupCopy::AlreadyKept;
    }
    std::string temporary = backup + ".new";
    if (!files.Copy(name, temporary.c_str()) || !files.Replace(temporary.c_str(), backup.c_str())) {
        files.Remove(temporary.c_str());
        return BackupCopy::NotMade;
    }
    return BackupCopy::Made;
}

#include "platform/files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

bool IsReadOnly(const struct stat& info) { return (info.st_mode & 0222) == 0; }

// Writes all bytes to `fd`, flushes them and closes it.
bool WriteAllAndClose(int fd, const char* data, size_t size) {
    size_t total = 0;
    bool ok = true;
    while (total < size) {
        ssize_t n = write(fd, data + total, size - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        total += static_cast<size_t>(n);
    }
    if (ok && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    return ok;
}

// Opens `path` for writing as the program does on Windows: refused when the file is read-only.
int CreateForWriting(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && IsReadOnly(info)) return -1;
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}
// Seconds from 1 January 1601 (the file time's origin) to 1 January 1970 (the POSIX epoch).
constexpr int64_t kEpochSeconds = 11644473600;
constexpr int64_t kNanosecondsPerTick = 100;

}  // namespace

std::string PosixFileSystem::PathOf(const char* name) const {
    std::string path = folder_.empty() ? std::string() : folder_ + "/";
    for (const char* p = name; *p; ++p) path += (*p == '\\') ? '/' : *p;
    return path;
}

FileProbe PosixFileSystem::Probe(const char* name) {
    struct stat info;
    if (stat(PathOf(name).c_str(), &info) != 0) {
        return FileProbe{errno == ENOENT || errno == ENOTDIR ? FileAccess::Missing : FileAccess::Failed, -1};
    }
    if (!S_ISREG(info.st_mode)) return FileProbe{FileAccess::Failed, -1};
    if (IsReadOnly(info)) return FileProbe{FileAccess::ReadOnly, -1};
    return FileProbe{FileAccess::Openable, static_cast<int64_t>(info.st_size)};
}

int64_t PosixFileSystem::Read(const char* name, char* dest, size_t capacity) {
    if (OpenableSize(name) < 0) return -1;
    int fd = open(PathOf(name).c_str(), O_RDONLY);
    if (fd < 0) return -1;
    size_t total = 0;
    while (total < capacity) {
        ssize_t n = read(fd, dest + total, capacity - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<size_t>(n);
    }
    close(fd);
    return static_cast<int64_t>(total);
}

bool PosixFileSystem::CreateEmptyIfMissing(const char* name) {
    int fd = open(PathOf(name).c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool PosixFileSystem::CreateFolder(const char* name) {
    std::string path = PathOf(name);
    if (mkdir(path.c_str(), 0755) == 0) return true;
    struct stat info;
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixFileSystem::WriteNew(const char* name, const char* data, size_t size) {
    int fd = CreateForWriting(PathOf(name));
    return fd >= 0 && WriteAllAndClose(fd, data, size);
}

bool PosixFileSystem::Copy(const char* from, const char* to) {
    int source = open(PathOf(from).c_str(), O_RDONLY);
    if (source < 0) return false;
    std::string bytes;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(source, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    close(source);
    if (!ok) return false;
    int target = CreateForWriting(PathOf(to));
    return target >= 0 && WriteAllAndClose(target, bytes.data(), bytes.size());
}

bool PosixFileSystem::Replace(const char* from, const char* to) {
    std::string target = PathOf(to);
    struct stat info;
    if (stat(target.c_str(), &info) == 0 && IsReadOnly(info)) return false;
    return rename(PathOf(from).c_str(), target.c_str()) == 0;
}

bool PosixFileSystem::Remove(const char* name) { return unlink(PathOf(name).c_str()) == 0; }

void PosixFileSystem::Pause(int milliseconds) {
    struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

bool PosixFileSystem::LastWriteTime(const char* name, int64_t& utcFileTime) {
    struct stat info;
    if (stat(PathOf(name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    utcFileTime = (static_cast<int64_t>(info.st_mtim.tv_sec) + kEpochSeconds) * kFileTimeTicksPerSecond +
                  info.st_mtim.tv_nsec / kNanosecondsPerTick;
    return true;
}

bool PosixFileSystem::SetLastWriteTime(const char* name, int64_t utcFileTime) {
    if (utcFileTime < 0) return false;
    std::string path = PathOf(name);
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    struct timespec times[2];
    times[0] = info.st_atim;  // the last access stays as it was
    times[1].tv_sec = static_cast<time_t>(utcFileTime / kFileTimeTicksPerSecond - kEpochSeconds);
    times[1].tv_nsec = static_cast<long>(utcFileTime % kFileTimeTicksPerSecond * kNanosecondsPerTick);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

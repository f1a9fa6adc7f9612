#pragma once
// The program folder on a POSIX file system, for native tests and tools. Windows' behaviour is
// kept where the program relies on it: a file without write permission cannot be opened for
// writing and is not replaced. (No file is ever busy here: POSIX has no opening without sharing.)
#include <string>

#include "platform/platform.h"

class PosixFileSystem : public FileSystem {
  public:
    explicit PosixFileSystem(std::string folder) : folder_(std::move(folder)) {}

    const std::string& folder() const { return folder_; }
    // The host path of a program-folder name ("cache\\x" becomes folder + "/cache/x").
    std::string PathOf(const char* name) const;

    FileProbe Probe(const char* name) override;
    int64_t Read(const char* name, char* dest, size_t capacity) override;
    bool CreateEmptyIfMissing(const char* name) override;
    bool CreateFolder(const char* name) override;
    bool WriteNew(const char* name, const char* data, size_t size) override;
    bool Copy(const char* from, const char* to) override;
    bool Replace(const char* from, const char* to) override;
    bool Remove(const char* name) override;
    void Pause(int milliseconds) override;
    bool LastWriteTime(const char* name, int64_t& utcFileTime) override;
    bool SetLastWriteTime(const char* name, int64_t utcFileTime) override;

  private:
    std::string folder_;
};

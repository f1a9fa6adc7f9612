#pragma once
// A fresh program folder on a POSIX file system with the platform's stand-ins around it, so whole
// update cycles, file loaders and the painting run in native tests.
#include <string>
#include <vector>

#include "platform/files_posix.h"
#include "support/fakes.h"

// A fresh, empty folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    std::vector<std::string> List(const std::string& subfolder = "") const;

  private:
    std::string path_;
};

// All stand-ins together over a fresh program folder.
struct TestPlatform {
    TestPlatform();
    TempFolder folder;
    RecordingMessageBoxes messages;
    RecordingShell shell;
    FixedClock clock;
    PosixFileSystem files;
    ScriptedFetcher fetcher;
    CountingPump pump;
    RecordingHost host;
    Platform platform;
};
